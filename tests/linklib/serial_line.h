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

private:
    std::string path_;
    testutil::ScopedEnv env_;
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
