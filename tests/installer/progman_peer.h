#pragma once
// A Program Manager of the test's own, for the installer's group step.

#include "xdde.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <vector>

namespace insttest {

// A Program Manager of the test's own: a DDE server thread that offers the
// service "PROGMAN" on its topic of the same name and, unlike Wine's shell,
// also to a client that names no topic (so the installer's first attempt
// reaches this peer and never the prefix's shell); it records each execute
// and refuses those that hold "refuse".
class ProgramManagerPeer {
public:
    ProgramManagerPeer()
    {
        thread_ = CreateThread(nullptr, 0, Main, this, 0, &threadId_);
        WaitForSingleObject(ready_, 10000);
    }
    ~ProgramManagerPeer()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    ProgramManagerPeer(const ProgramManagerPeer&) = delete;
    ProgramManagerPeer& operator=(const ProgramManagerPeer&) = delete;

    bool running = false;
    std::vector<std::string> commands;

private:
    static ProgramManagerPeer*& Self()
    {
        static ProgramManagerPeer* self = nullptr;
        return self;
    }
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR)
    {
        ProgramManagerPeer* self = Self();
        if (type == XTYP_CONNECT) {
            char name[64] = {};
            DdeQueryStringA(self->id_, topic, name, sizeof name, CP_WINANSI);
            return reinterpret_cast<HDDEDATA>(lstrcmpiA(name, "PROGMAN") == 0);
        }
        if (type == XTYP_WILDCONNECT) {
            HSZPAIR pairs[2] = {{self->service_, self->topic_}, {nullptr, nullptr}};
            return DdeCreateDataHandle(self->id_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0,
                                       nullptr, 0, 0);
        }
        if (type == XTYP_EXECUTE) {
            char text[1024] = {};
            DdeGetData(data, reinterpret_cast<LPBYTE>(text), sizeof text - 1, 0);
            self->commands.push_back(text);
            bool refuse = std::string(text).find("refuse") != std::string::npos;
            return reinterpret_cast<HDDEDATA>(refuse ? DDE_FNOTPROCESSED : DDE_FACK);
        }
        return nullptr;
    }
    static DWORD WINAPI Main(void* parameter)
    {
        auto* self = static_cast<ProgramManagerPeer*>(parameter);
        Self() = self;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue first
        if (DdeInitializeA(&self->id_, Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
            DMLERR_NO_ERROR) {
            HSZ service = DdeCreateStringHandleA(self->id_, "PROGMAN", CP_WINANSI);
            self->service_ = service;
            self->topic_ = DdeCreateStringHandleA(self->id_, "PROGMAN", CP_WINANSI);
            self->running = DdeNameService(self->id_, service, nullptr, DNS_REGISTER) != nullptr;
            SetEvent(self->ready_);
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            DdeNameService(self->id_, service, nullptr, DNS_UNREGISTER);
            DdeFreeStringHandle(self->id_, service);
            DdeFreeStringHandle(self->id_, self->topic_);
            DdeUninitialize(self->id_);
        }
        SetEvent(self->ready_);
        return 0;
    }

    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    DWORD id_ = 0;
    HSZ service_ = nullptr;
    HSZ topic_ = nullptr;
};

// Whether this machine lets a DDE client reach a server at all (some Wine
// sessions deliver no WM_DDE_INITIATE broadcast to any server window).
inline bool DdeReachable()
{
    xdde probe;
    probe.service = "PROGMAN";
    return probe.DdeConnectService();
}

// The peer is part of the test: without it the test fails, never skips.
inline ::testing::AssertionResult Ready(const ProgramManagerPeer& progman)
{
    if (!progman.running)
        return ::testing::AssertionFailure() << "the test's Program Manager did not start";
    if (!DdeReachable())
        return ::testing::AssertionFailure() << "no DDE conversation reaches it";
    return ::testing::AssertionSuccess();
}

}  // namespace insttest
