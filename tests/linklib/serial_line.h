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

// A pty pair of the test's own, seen as COM23 (the host's end) and COM24:
// unlike the runner's pair, the test may end it, as a line dies when its
// cable is pulled or its adapter unplugged.
class OwnLine {
public:
    static constexpr int kHost = 23;
    static constexpr int kPeer = 24;

    OwnLine() = default;
    ~OwnLine()
    {
        if (dir_.empty())
            return;
        end();
        std::string out;
        hosttest::shell_line("rm -rf '" + dir_ + "' $WINEPREFIX/dosdevices/com23 "
                             "$WINEPREFIX/dosdevices/com24; echo gone", &out);
    }
    OwnLine(const OwnLine&) = delete;
    OwnLine& operator=(const OwnLine&) = delete;

    // False with the reason in `*why` when the pair is not up.
    bool start(std::string* why)
    {
        const char* script =
            "d=$(mktemp -d) && { socat pty,raw,echo=0,link=$d/A pty,raw,echo=0,link=$d/B "
            "</dev/null >/dev/null 2>&1 & echo $! >$d/pid; } && for i in $(seq 100); do "
            "[ -e $d/A ] && [ -e $d/B ] && break; sleep 0.05; done && "
            "ln -sfn $d/A $WINEPREFIX/dosdevices/com23 && ln -sfn $d/B $WINEPREFIX/dosdevices/com24 "
            "&& [ -e $d/A ] && echo $d";
        if (!hosttest::shell_line(script, why) || why->compare(0, 1, "/") != 0)
            return false;
        dir_ = *why;
        return true;
    }
    // Stops the host end's output as a register's XOFF does, before the
    // host has even opened its port.
    bool hold(std::string* why) const
    {
        return hosttest::shell_line("perl -MPOSIX -e 'sysopen(my $t, $ARGV[0], O_RDWR | O_NOCTTY) or die $!; "
                                    "tcflow(fileno($t), TCOOFF) or die $!; print qq(held\\n)' " +
                                        dir_ + "/A 2>&1",
                                    why) &&
               *why == "held";
    }
    // Ends socat: from now on both ends fail.
    void end()
    {
        if (dir_.empty() || ended_)
            return;
        ended_ = true;
        std::string out;
        hosttest::shell_line("p=$(cat " + dir_ + "/pid); kill $p; for i in $(seq 100); do "
                             "kill -0 $p 2>/dev/null || break; sleep 0.05; done; echo ended",
                             &out);
    }

private:
    std::string dir_;
    bool ended_ = false;
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
