#pragma once
// A serial line for the tests: the host's end driven through BRISAL's
// serial exports, the register's end by SimSerialPeer, and the calls that
// reached PComm.dll as it recorded them.

#include "host_program.h"
#include "testutil.h"
#include "sim_serial.h"
#include "brisal.h"
#include "ecrpace.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace serialtest {

inline std::string env_text(const char* name)
{
    char text[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    return n > 0 && n < sizeof text ? std::string(text, n) : std::string();
}

inline int env_port(const char* name) { return std::atoi(env_text(name).c_str()); }

inline ULONGLONG elapsed_since(ULONGLONG start) { return GetTickCount64() - start; }

// PComm.dll's call record for one test: one line per call.
class CallRecord {
public:
    CallRecord() : path_(testutil::exe_folder() + "\\pcomm_calls.txt"), env_("PCOMM_TRACE", path_.c_str())
    {
        DeleteFileA(path_.c_str());
    }
    ~CallRecord() { DeleteFileA(path_.c_str()); }
    CallRecord(const CallRecord&) = delete;
    CallRecord& operator=(const CallRecord&) = delete;

    // The calls so far; a run of polls of one call counts once.
    std::vector<std::string> calls() const
    {
        std::vector<std::string> out;
        for (const std::string& line : testutil::lines_of(testutil::read_file(path_)))
            if (out.empty() || out.back() != line || line.compare(0, 2, "9 ") != 0)
                out.push_back(line);
        return out;
    }
    void clear() const { DeleteFileA(path_.c_str()); }
    bool contains(const std::string& call) const
    {
        for (const std::string& line : calls())
            if (line == call)
                return true;
        return false;
    }
    // Waits at most `ms` until `call` was recorded.
    bool wait_for(const std::string& call, DWORD ms) const
    {
        for (DWORD start = GetTickCount(); !contains(call); Sleep(20))
            if (GetTickCount() - start >= ms)
                return false;
        return true;
    }

private:
    std::string path_;
    testutil::ScopedEnv env_;
};

// A pty pair of the test's own, seen as COM23 (the host's end) and COM24,
// that the test may end, as a line dies when its adapter is unplugged.
struct OwnLine {
    static constexpr int kHost = 23;
    static constexpr int kPeer = 24;

    ~OwnLine()
    {
        if (dir.compare(0, 5, "/tmp/") != 0)
            return;
        end();
        sh("rm -rf D/ $WINEPREFIX/dosdevices/com2[34]; echo gone");
    }
    // "up" once the pair is linked.
    std::string start()
    {
        dir = sh("mktemp -d");
        return sh("{ socat pty,raw,echo=0,link=D/A pty,raw,echo=0,link=D/B </dev/null >/dev/null "
                  "2>&1 & echo $! >D/pid; }; for i in $(seq 100); do [ -e D/B ] && break; sleep "
                  "0.05; done; ln -sfn D/A $WINEPREFIX/dosdevices/com23 && ln -sfn D/B "
                  "$WINEPREFIX/dosdevices/com24 && echo up");
    }
    // "held" once the host end's output stopped as an XOFF stops it, even
    // before the host opens its port.
    std::string hold()
    {
        return sh("perl -MPOSIX -e 'sysopen(my $t, q(D/A), O_RDWR | O_NOCTTY) or die $!; "
                  "tcflow(fileno($t), TCOOFF) or die $!; print qq(held\\n)' 2>&1");
    }
    // Ends socat, once: from now on both ends fail.
    void end()
    {
        if (!ended)
            sh("p=$(cat D/pid); kill $p; while kill -0 $p 2>/dev/null; do sleep 0.05; done; echo");
        ended = true;
    }
    // The first line the script writes, D standing for the pair's folder.
    std::string sh(std::string script) const
    {
        for (size_t at = 0; (at = script.find("D/", at)) != std::string::npos; at += dir.size())
            script.replace(at, 1, dir);
        std::string line;
        hosttest::shell_line(script, &line);
        return line;
    }

    std::string dir;
    bool ended = false;
};

// Both ends of the pty pair that the test runner links as two COM ports.
class SerialLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ecr_pace = EcrPace();
        host_ = env_port("ECR_TEST_COM_HOST");
        int peer = env_port("ECR_TEST_COM_PEER");
        hostTty_ = env_text("ECR_TEST_COM_HOST_TTY");
        // The runner's set-up always makes the line; a run without it tests nothing.
        ASSERT_TRUE(host_ != 0 && peer != 0 && !hostTty_.empty())
            << "no serial line: tools/lanes.sh links a socat pty pair as two COM ports and "
               "sets ECR_TEST_COM_HOST, ECR_TEST_COM_PEER and ECR_TEST_COM_HOST_TTY (is socat "
               "installed?)";
        ASSERT_TRUE(peer_.open(peer)) << "COM" << peer << " does not open";
    }
    void TearDown() override
    {
        if (host_ != 0)
            ecr_disc_xonxoff_ser(host_);
        peer_.close();
    }
    // The speed of the host's end as the Linux side sees it (while open).
    std::string line_speed() const
    {
        std::string speed;
        if (!hosttest::shell_line("stty -F '" + hostTty_ + "' speed", &speed))
            ADD_FAILURE() << speed;
        return speed;
    }
    std::string call(const char* ordinal, const std::string& args = "") const
    {
        return std::string(ordinal) + " " + std::to_string(host_) + (args.empty() ? "" : " " + args);
    }

    int host_ = 0;
    std::string hostTty_;  // the Linux path of the host's end of the pty pair
    ecrsim::SimSerialPeer peer_;
    CallRecord record_;
};

}  // namespace serialtest
