// A small child program for the process tests.
//   exit N          ends with exit code N
//   echo            copies a line of standard input to output and error
//   event NAME      signals the named event
//   shm NAME        adds 1 to the first word of the shared memory NAME,
//                   signals NAME_done and ends with the value it read
//   sleep MS        sleeps, then ends with 0

#include "xevent.h"
#include "xsharedmemory.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Shared(const char* name)
{
    xsharedmemory shm(name);
    shm.SetThrow(0);
    if (!shm.Open())
        return 1000 + shm.GetLastError();
    volatile LONG* word = static_cast<volatile LONG*>(shm.GetData());
    LONG seen = *word;
    *word = seen + 1;
    xevent done((std::string(name) + "_done").c_str(), true, false);
    done.SetThrow(0);
    done.Create();
    done.Set();
    return int(seen);
}

int Run(int argc, char** argv)
{
    if (argc < 2)
        return 100;
    std::string mode = argv[1];
    if (mode == "exit" && argc > 2)
        return std::atoi(argv[2]);
    if (mode == "echo") {
        char line[256] = {};
        if (!std::fgets(line, sizeof line, stdin))
            return 101;
        line[std::strcspn(line, "\r\n")] = '\0';
        std::printf("out:%s\n", line);
        std::fprintf(stderr, "err:%s\n", line);
        return 0;
    }
    if (mode == "event" && argc > 2) {
        xevent e(argv[2], true, false);
        e.SetThrow(0);
        if (!e.Create())
            return 102;
        return e.Set() ? 0 : 103;
    }
    if (mode == "shm" && argc > 2)
        return Shared(argv[2]);
    if (mode == "sleep" && argc > 2) {
        Sleep(DWORD(std::atoi(argv[2])));
        return 0;
    }
    return 100;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (...) {
        return 199;
    }
}
