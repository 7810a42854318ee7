// A console program for the SHELL tests: ends with 0 when its standard
// output takes a line, 1 without a standard output handle, 2 when the
// handle it has refuses the line. With "wait <file>" it first waits (a
// minute at most) until that file exists, as a command that takes its time.

#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 0; argc == 3 && std::strcmp(argv[1], "wait") == 0 && i < 6000; ++i) {
        if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES)
            break;
        Sleep(10);
    }
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return 1;
    const char line[] = "stdprobe\r\n";
    DWORD written = 0;
    return WriteFile(out, line, sizeof line - 1, &written, nullptr) && written == sizeof line - 1 ? 0 : 2;
}
