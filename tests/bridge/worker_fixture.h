#pragma once
// The worker against the simulated register on loopback: a shared folder
// of its own per test, a log, and a view that records the service states.

#include "bridgelog.h"
#include "commandconfig.h"
#include "receiptworker.h"
#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace workertest {

class RecordingView : public ServiceView {
public:
    void ShowServiceState(ServiceState state) override
    {
        std::lock_guard<std::mutex> hold(mutex_);
        states_.push_back(state);
    }
    int Count(ServiceState state) const
    {
        std::lock_guard<std::mutex> hold(mutex_);
        int n = 0;
        for (ServiceState s : states_)
            n += s == state;
        return n;
    }
    std::vector<ServiceState> States() const
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return states_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<ServiceState> states_;
};

// Pumps and polls until done() or ms ran out.
inline bool WaitFor(const std::function<bool()>& done, int ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= DWORD(ms))
            return done();
        Sleep(20);
    }
    return true;
}

using testutil::count_of;

extern const char* const kConfig;

class WorkerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Settings of a network register on the suite's address, polling fast.
    BridgeSettings Settings(int proto) const;
    void StartWorker(const BridgeSettings& settings);
    void Receipt(const std::string& name, const std::string& text) const;
    bool Exists(const std::string& name) const { return testutil::file_exists(Path(name)); }
    std::string Path(const std::string& name) const { return shared_ + "\\" + name; }
    // Gone under its own name and under the working name it is sent under.
    bool WaitGone(const std::string& name, int ms = 15000) const
    {
        return WaitFor([&] { return !Exists(name) && !Exists(name + ".INVIO"); }, ms);
    }
    bool WaitPasses(long more, int ms = 10000) const
    {
        long target = worker_.Passes() + more;
        return WaitFor([&] { return worker_.Passes() >= target; }, ms);
    }
    // The register's call just before each ACK of a write, for the life of
    // this object.
    struct AckHook {
        explicit AckHook(std::function<void(int block)> call)
        {
            ecrsim::TftpFaults faults;
            faults.beforeAck = std::move(call);
            tftp_->setFaults(faults);
        }
        ~AckHook() { tftp_->setFaults({}); }
    };
    // Files under every working name of `name`, so its rename is refused.
    std::vector<std::string> TakeEveryWorkingName(const std::string& name) const;
    // Makes `name` (of `text`) a receipt the worker holds: its rename is
    // refused once with the link up, so a later pass claims it before its
    // link; `cut` then keeps the register away and, while its status is
    // asked, a new file of `newText` takes the name. The worker is left
    // suspended, with nothing of `text` sent.
    void HoldWhileSuspended(const std::string& name, const std::string& text,
                            const std::string& newText, const std::function<bool()>& cut);
    std::string LogText() const { return testutil::read_file(log_.Path()); }
    std::vector<std::string> LogFiles(const std::string& pattern) const;
    std::string Received() const { return peer_->received(); }
    // Host connections the register accepted in this test.
    int Connections() const { return peer_->connections() - connectionsBefore_; }

    static ecrsim::SimRegister* reg_;
    static ecrsim::SimTftpServer* tftp_;
    static ecrsim::SimTcpPeer* peer_;
    static const std::string ip_;
    static bool started_;

    std::string folder_;  // the test's own: shared folder "in" and "log"
    std::string shared_;
    int connectionsBefore_ = 0;
    CommandConfig config_;
    BridgeLog log_;
    RecordingView view_;
    ReceiptWorker worker_;
};

}  // namespace workertest
