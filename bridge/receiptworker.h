#pragma once
// ReceiptWorker: the bridge's one worker thread. Pass after pass it lists
// the shared folder, sends every accepted receipt to the register, writes
// its log block and copies and disposes of the file; it parks in the
// suspended state while the register cannot be reached. What the user sees
// of it goes through a ServiceView, so it runs without windows in tests.

#include "bridgesettings.h"
#include "commandconfig.h"
#include "receipt.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class BridgeLog;

enum class ServiceState {
    Running,    // worker started: tray, status bar and menu
    Suspended,  // register or folder unreachable: tray only
    Resumed,    // reachable again after a suspension: tray only
    Ended,      // worker ended: status bar, menu, tray
};

// Called on the worker thread.
class ServiceView {
public:
    virtual ~ServiceView() = default;
    virtual void ShowServiceState(ServiceState state) = 0;
};

class ReceiptWorker {
public:
    ReceiptWorker();
    ~ReceiptWorker();
    ReceiptWorker(const ReceiptWorker&) = delete;
    ReceiptWorker& operator=(const ReceiptWorker&) = delete;

    // Starts a new worker over copies of the settings and the command
    // configuration, so a later load or an editor save cannot change them
    // under it. The log must outlive the worker. False when one still runs
    // or the thread cannot start.
    bool Start(const BridgeSettings& settings, const CommandConfig& config, BridgeLog& log,
               ServiceView* view);

    // The Stop action and the quit/reload request: the worker ends at the
    // next check (a receipt already under way is finished first).
    void RequestStop();
    void RequestQuit();
    bool StopRequested() const { return stopRequested_ != 0; }
    bool QuitRequested() const { return quitRequested_ != 0; }

    bool IsRunning() const;
    // Waits for the end serving the thread's messages (plainly after a quit
    // message); false when ms (INFINITE allowed) ran out first.
    bool WaitEnded(DWORD ms);

    // Receipts held back unsent (see held_) go back under their own name, or
    // are left aside with a line saying so; one the shop removed from its
    // folder is simply no more. All of them at the end of the process, else
    // those of another shared folder. Not while running.
    void ReleaseHeld(bool all);

    // Passes completed so far (for drivers and tests).
    long Passes() const { return passes_; }

private:
    struct Link {
        int port = 0;
        int socket = 0;
    };

    static DWORD WINAPI ThreadProc(LPVOID self);
    void Run();
    bool Pass();
    bool SendHeld();
    bool ProcessReceipt(const std::string& name);
    // Sends a receipt read as `text`: `working` is its working path when it
    // is claimed already, else empty; `key` names it in waiting_.
    bool Deliver(const std::string& name, const std::string& key, std::string working,
                 std::string text);
    bool TakeReceipt(const std::string& key, const std::string& path, std::string& working,
                     std::string& text);
    bool GiveBack(const std::string& working, const std::string& path);
    void Hold(const std::string& working);
    bool IsHeld(const std::string& working) const;
    bool HoldsOneNamed(const std::string& name) const;
    bool InShared(const std::string& path) const;
    // Held or not ours to move; unreadable; its rename refused with the link up.
    enum class Waiting { Unclaimable, Unreadable, RenameRefused };
    void NoteWaiting(const std::string& name, Waiting why);
    void NoteTaken(const std::string& name);
    void LeaveAside(const std::string& working, const std::string& why);
    void SendLines(const std::vector<std::string>& lines, ReceiptState& state, const Link& link);
    // The connection sequence; `beforeSuspending` runs before each suspension.
    bool OpenLink(ReceiptState& state, Link& link, const std::function<void()>& beforeSuspending);
    bool TryOpenOnce(ReceiptState& state, Link& link, bool& statusLogged);
    void CloseLink(ReceiptState& state, const Link& link);
    void LogLinkError(ReceiptState& state, const char* step, int code);
    bool FolderReachable();
    bool FolderMayHaveChanged();
    void WatchFolder();
    void CloseWatch();
    bool SuspendService();
    bool Pause(DWORD ms);
    bool EndRaised() const { return quitRequested_ != 0 || stopRequested_ != 0; }
    void Show(ServiceState state);

    BridgeSettings settings_;
    CommandConfig config_;
    BridgeLog* log_ = nullptr;
    ServiceView* view_ = nullptr;
    ServiceState shown_ = ServiceState::Ended;  // the last state shown
    HANDLE thread_ = nullptr;
    HANDLE workerEvent_ = nullptr;  // auto-reset: paces the passes
    HANDLE wake_ = nullptr;         // manual-reset: cuts waits short on a request
    std::atomic<unsigned char> quitRequested_{0};
    std::atomic<unsigned char> stopRequested_{0};
    std::atomic<long> passes_{0};
    bool folderDown_ = false;
    // The system's notice of changed entries of the folder (none when it
    // gives none), and when the folder was last listed.
    HANDLE folderChange_ = nullptr;
    DWORD listedAt_ = 0;
    bool relist_ = true;  // the next pass lists, whatever the notice says
    // Working files (full paths: another folder may hold the same names)
    // reported once and never read again by this process; a folder spelled
    // in other letter case is the same folder.
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const
        {
            return lstrcmpiA(a.c_str(), b.c_str()) < 0;
        }
    };
    std::set<std::string, NoCase> leftAside_;
    // Working paths of receipts claimed before their link that could not go
    // back under their own name (a new file took it, or the folder was out
    // of reach): nothing of them was sent, so they stay ours and go first
    // at the next pass, before any new file of their name. Kept across
    // starts on their shared folder, in claim order.
    std::vector<std::string> held_;
    // Names of the folder this pass met, waiting_'s keys among them.
    std::set<std::string> listed_;
    // Receipts left in the folder and why, logged at each change, not at
    // each pass; forgotten once gone from the folder.
    std::map<std::string, Waiting> waiting_;
};
