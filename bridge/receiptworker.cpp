#include "receiptworker.h"

#include "bridgelog.h"
#include "linklock.h"
#include "linksender.h"
#include "receiptfiles.h"
#include "xwait.h"

#include <iterator>

namespace {

// The folder is listed (and watched anew) at least this often, whatever
// its change notice says: a notice may be lost, or the folder replaced.
const DWORD kRelistMs = 1000;

// A wait of at most `ms` on `handle` that pumps the thread's messages; a
// quit message ends the pumping (it stays queued for the thread's end) and
// the rest of the wait is plain. True when the handle is signalled.
bool PumpingWait(HANDLE handle, DWORD ms)
{
    const DWORD start = GetTickCount();
    if (xpumpwait(handle, ms, nullptr) == XWAIT_QUIT) {
        const DWORD spent = GetTickCount() - start;
        if (ms == INFINITE || spent < ms)
            return WaitForSingleObject(handle, ms == INFINITE ? INFINITE : ms - spent) ==
                   WAIT_OBJECT_0;
    }
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer)
        return path;
    std::string full(buffer, n);
    while (full.size() > 3 && (full.back() == '\\' || full.back() == '/'))
        full.pop_back();
    return full;
}

const char* const kNotSentAgain = "NON VIENE INVIATO DI NUOVO: ";

std::string WorkingNameOf(const std::string& workingPath)
{
    return workingPath.substr(workingPath.find_last_of('\\') + 1);
}

// Why `path` is not there: ERROR_FILE_NOT_FOUND (its folder is: the shop
// deleted it), ERROR_PATH_NOT_FOUND (the folder is out of reach too); 0
// when it is there, or cannot be told.
DWORD NotThere(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return 0;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? error : 0;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

struct Entry {
    std::string name;
    bool folder;
};

// The listing first, then the work: renames made while processing must
// not show up in the same listing.
std::vector<Entry> ListFolder(const std::string& folder)
{
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return entries;
    do {
        entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return entries;
}

}  // namespace

ReceiptWorker::ReceiptWorker()
{
    wake_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

ReceiptWorker::~ReceiptWorker()
{
    RequestQuit();
    WaitEnded(INFINITE);
    ReleaseHeld(true);
    if (thread_)
        CloseHandle(thread_);
    if (workerEvent_)
        CloseHandle(workerEvent_);
    if (wake_)
        CloseHandle(wake_);
}

bool ReceiptWorker::Start(const BridgeSettings& settings, const CommandConfig& config,
                          BridgeLog& log, ServiceView* view)
{
    if (IsRunning())
        return false;
    settings_ = settings;
    settings_.Cartella = FullPath(settings.Cartella);
    settings_.logFolder =
        FullPath(settings.logFolder.empty() ? settings_.Cartella + "\\log" : settings.logFolder);
    config_ = config;
    log_ = &log;
    view_ = view;
    ReleaseHeld(false);  // those of another shared folder
    folderDown_ = false;
    relist_ = true;
    waiting_.clear();  // each start's log tells again what waits in the folder
    if (workerEvent_)
        CloseHandle(workerEvent_);
    // Created signalled: the first pass starts at once.
    workerEvent_ = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    quitRequested_ = 0;
    stopRequested_ = 0;
    ResetEvent(wake_);
    if (thread_)
        CloseHandle(thread_);
    DWORD id = 0;
    thread_ = CreateThread(nullptr, 0, ThreadProc, this, 0, &id);
    return thread_ != nullptr;
}

void ReceiptWorker::RequestStop()
{
    stopRequested_ = 1;
    SetEvent(wake_);
}

void ReceiptWorker::RequestQuit()
{
    quitRequested_ = 1;
    SetEvent(wake_);
}

bool ReceiptWorker::IsRunning() const
{
    return thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT;
}

bool ReceiptWorker::WaitEnded(DWORD ms)
{
    // The wait keeps a handle of its own: a message it serves may start the
    // next worker, which closes and replaces thread_.
    HANDLE thread = nullptr;
    if (!thread_ || !DuplicateHandle(GetCurrentProcess(), thread_, GetCurrentProcess(), &thread,
                                     SYNCHRONIZE, FALSE, 0))
        return !IsRunning();
    bool ended = PumpingWait(thread, ms);
    CloseHandle(thread);
    return ended;
}

// Nothing may leave a thread routine on this platform.
DWORD WINAPI ReceiptWorker::ThreadProc(LPVOID self)
{
    auto* worker = static_cast<ReceiptWorker*>(self);
    try {
        worker->Run();
    } catch (...) {
    }
    worker->CloseWatch();
    try {
        worker->Show(ServiceState::Ended);
    } catch (...) {
    }
    return 0;
}

// A suspension shows once, not at every retry: hours of a register that is
// off would otherwise raise a balloon every polling interval.
void ReceiptWorker::Show(ServiceState state)
{
    if (state == ServiceState::Suspended && shown_ == ServiceState::Suspended)
        return;
    shown_ = state;
    if (view_)
        view_->ShowServiceState(state);
}

void ReceiptWorker::Run()
{
    Show(ServiceState::Running);
    while (!EndRaised()) {
        // Signalled whenever it is waited on, so a pumping wait would return
        // before pumping anything; a plain one is the same, and far cheaper.
        WaitForSingleObject(workerEvent_, INFINITE);
        bool goOn = true;
        try {
            goOn = Pass();
        } catch (...) {
            // A failed pass (memory, a file system error) goes to the sleep.
            relist_ = true;
        }
        ++passes_;
        if (!goOn)
            return;
        if (!Pause(PollMilliseconds(settings_.polltime)))
            return;
        SetEvent(workerEvent_);
    }
}

bool ReceiptWorker::FolderReachable()
{
    DWORD attributes = GetFileAttributesA(settings_.Cartella.c_str());
    bool reachable =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!reachable && !folderDown_) {
        // Logged once per outage; the log itself may be in the lost folder.
        log_->WriteLine(LogTimestamp() + " (CARTELLA) ERRORE ACCESSO CARTELLA CONDIVISA: " +
                        settings_.Cartella);
        folderDown_ = true;
        Show(ServiceState::Suspended);
    } else if (reachable && folderDown_) {
        folderDown_ = false;
        Show(ServiceState::Resumed);
    }
    if (!reachable)
        relist_ = true;
    return reachable;
}

// Listing the folder is most of a pass's work, so a pass lists it only
// when it may hold something new: the system noticed a change of its
// entries, a receipt was left there for a later pass, or a second went by.
bool ReceiptWorker::FolderMayHaveChanged()
{
    const DWORD now = GetTickCount();
    bool changed = relist_ || !waiting_.empty() || !held_.empty();
    if (!folderChange_ || now - listedAt_ >= kRelistMs) {
        WatchFolder();
        changed = true;
    } else if (WaitForSingleObject(folderChange_, 0) == WAIT_OBJECT_0) {
        // Re-armed before the listing: what changes during it shows next time.
        changed = true;
        if (!FindNextChangeNotification(folderChange_))
            CloseWatch();
    }
    if (changed) {
        relist_ = false;
        listedAt_ = now;
    }
    return changed;
}

// Files created, renamed or deleted in the folder signal the notice; where
// the system gives none, every pass lists.
void ReceiptWorker::WatchFolder()
{
    CloseWatch();
    HANDLE h = FindFirstChangeNotificationA(settings_.Cartella.c_str(), FALSE,
                                            FILE_NOTIFY_CHANGE_FILE_NAME);
    folderChange_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
}

void ReceiptWorker::CloseWatch()
{
    if (folderChange_)
        FindCloseChangeNotification(folderChange_);
    folderChange_ = nullptr;
}

// False when the service is being stopped inside the pass.
bool ReceiptWorker::Pass()
{
    if (!FolderMayHaveChanged() || !FolderReachable())
        return true;
    listed_.clear();
    if (!SendHeld())
        return false;
    for (const Entry& entry : ListFolder(settings_.Cartella)) {
        if (entry.folder)
            continue;
        if (IsWorkingName(entry.name)) {
            // Claimed by a bridge that ended before it could dispose of it.
            const std::string working = settings_.Cartella + "\\" + entry.name;
            if (!leftAside_.count(working) && !IsHeld(working))
                LeaveAside(working, std::string("SCONTRINO IN INVIO ALLA CHIUSURA PRECEDENTE, ") +
                                           kNotSentAgain + ReceiptNameOf(entry.name) + " - VERIFICARE LA CASSA");
            continue;
        }
        if (!IsReceiptName(entry.name, config_.acceptedNames, settings_.Backup))
            continue;
        listed_.insert(entry.name);
        // A new file of a held receipt's name waits until that one is sent.
        if (HoldsOneNamed(entry.name))
            continue;
        if (!ProcessReceipt(entry.name))
            return false;
        Sleep(0);
    }
    for (auto it = waiting_.begin(); it != waiting_.end();)
        it = listed_.count(it->first) ? std::next(it) : waiting_.erase(it);
    return true;
}

// The receipts held back by an earlier pass (or an earlier worker of this
// process) go first, in the order they were claimed.
bool ReceiptWorker::SendHeld()
{
    std::vector<std::string> held;
    held.swap(held_);
    size_t next = 0;
    // What is not handled here stays held, also when a failure unwinds. The
    // one under way is not kept by this guard: Deliver holds it when it stops
    // for a Stop; after a failure it may have been sent, and the next listing
    // reports it to be checked on the register (unless it had gone back
    // under its own name, before any link: then it is a new receipt again).
    struct Keep {
        std::vector<std::string>& from;
        size_t& next;
        std::vector<std::string>& into;
        ~Keep() { into.insert(into.end(), from.begin() + next, from.end()); }
    } keep{held, next, held_};
    while (next < held.size()) {
        const std::string working = held[next++];
        const DWORD missing = NotThere(working);
        if (missing == ERROR_FILE_NOT_FOUND)
            continue;  // removed by the shop
        const std::string key = WorkingNameOf(working);
        listed_.insert(key);
        std::string text;
        // One out of reach, or that cannot be read, opens no link.
        if (missing || !ReadReceiptFile(working, text)) {
            Hold(working);
            if (!missing)
                NoteWaiting(key, Waiting::Unreadable);
            continue;
        }
        if (!Deliver(ReceiptNameOf(key), key, working, text))
            return false;
    }
    return true;
}

// At the end of the process, or when the shared folder changes: what is
// held goes back under its own name, or is left aside with a line that says
// it was not sent.
void ReceiptWorker::ReleaseHeld(bool all)
{
    if (IsRunning())
        return;
    std::vector<std::string> held;
    held.swap(held_);
    for (const std::string& working : held) {
        if (!all && InShared(working)) {
            held_.push_back(working);
            continue;
        }
        const std::string key = WorkingNameOf(working);
        const std::string path = FolderOf(working) + "\\" + ReceiptNameOf(key);
        // Only one the shop removed goes without a line; one whose folder is
        // out of reach cannot go back, and is left aside.
        if (NotThere(working) == ERROR_FILE_NOT_FOUND || GiveBack(working, path))
            continue;
        if (log_)
            LeaveAside(working, "SCONTRINO NON INVIATO E LASCIATO DA PARTE: " + ReceiptNameOf(key));
    }
}

// A receipt goes to the register at most once: it is claimed (moved to its
// working name) once the link is up and before its first line is sent, and
// a claimed receipt is never read again.
bool ReceiptWorker::ProcessReceipt(const std::string& name)
{
    const std::string path = settings_.Cartella + "\\" + name;
    std::string text, working;
    // Left in the folder for a later pass; one the shop deleted since the
    // listing is simply no more.
    auto leave = [&](Waiting why) {
        if (NotThere(path))
            waiting_.erase(name);
        else
            NoteWaiting(name, why);
        return true;
    };
    if (!CanClaimReceipt(path))
        return leave(Waiting::Unclaimable);  // held by another program, or not ours to move
    // One that cannot be read opens no link.
    if (!ReadReceiptFile(path, text))
        return leave(Waiting::Unreadable);
    // One whose rename was refused once (no right to add a name to the
    // folder, every working name taken) is claimed before a link is opened,
    // so it opens none while the refusal lasts.
    auto known = waiting_.find(name);
    if (known != waiting_.end() && known->second == Waiting::RenameRefused && !ClaimReceipt(path, working))
        return true;
    return Deliver(name, name, working, text);
}

// False when the service is being stopped while the register is waited
// for: the receipt is then as it was, or held when it cannot go back.
bool ReceiptWorker::Deliver(const std::string& name, const std::string& key, std::string working,
                            std::string text)
{
    const std::string path = settings_.Cartella + "\\" + name;
    const bool offline = settings_.Offline != 0;
    ReceiptState state;
    Link link;
    // A receipt claimed already (before its link, or held) goes back under
    // its own name before each suspension, so a bridge ended meanwhile finds
    // it unclaimed. One that cannot (a new file took its name, its folder is
    // out of reach) stays claimed: nothing of it was sent, it is still ours.
    auto giveBack = [&] {
        if (!working.empty() && GiveBack(working, path))
            working.clear();
    };
    if (!offline && !OpenLink(state, link, giveBack)) {
        giveBack();
        if (!working.empty())
            Hold(working);
        return false;
    }
    const bool claimed = TakeReceipt(key, path, working, text);
    std::vector<std::string> lines;
    if (claimed) {
        lines = CleanReceipt(text, settings_.Proto);
        SendLines(lines, state, link);
    }
    if (!offline)
        CloseLink(state, link);
    if (!claimed)
        return true;  // held, unreadable or taken away meanwhile: nothing was sent
    WriteReceiptOutputs(*log_, settings_.logFolder, name, lines, state.receiptMessages,
                        state.generatedText, settings_.Level);
    if (!DisposeReceipt(working, path, settings_.Backup))
        LeaveAside(working, std::string("SCONTRINO INVIATO MA ") +
                                               (settings_.Backup == 1 ? "NON RINOMINATO, " : "NON ELIMINATO, ") +
                                               kNotSentAgain + name);
    return true;
}

// Claims the receipt, unless it is claimed already, and reads it under its
// working name; false, with the reason noted, when either failed. One that
// cannot be read goes back under its own name, or stays held. `key` names
// it in waiting_ while it is claimed: its own name, or its working name
// while it is held; under its own name again, it goes by that.
bool ReceiptWorker::TakeReceipt(const std::string& key, const std::string& path, std::string& working,
                                std::string& text)
{
    const std::string own = WorkingNameOf(path);
    const std::string id = working.empty() ? own : key;
    if (working.empty() && !ClaimReceipt(path, working)) {
        if (!NotThere(path))
            NoteWaiting(own, Waiting::RenameRefused);
        return false;
    }
    if (ReadReceiptFile(working, text)) {
        NoteTaken(id);
        return true;
    }
    if (GiveBack(working, path)) {
        NoteWaiting(own, Waiting::Unreadable);
        return false;
    }
    Hold(working);
    listed_.insert(WorkingNameOf(working));
    NoteWaiting(WorkingNameOf(working), Waiting::Unreadable);
    return false;
}

// A claimed receipt that is not sent now goes back under its own name for a
// later pass; false when that name was taken meanwhile (or the folder is out
// of reach).
bool ReceiptWorker::GiveBack(const std::string& working, const std::string& path)
{
    return MoveFileExA(working.c_str(), path.c_str(), 0) != 0;
}

void ReceiptWorker::Hold(const std::string& working)
{
    if (!IsHeld(working))
        held_.push_back(working);
}

bool ReceiptWorker::IsHeld(const std::string& working) const
{
    for (const std::string& h : held_)
        if (lstrcmpiA(h.c_str(), working.c_str()) == 0)
            return true;
    return false;
}

bool ReceiptWorker::HoldsOneNamed(const std::string& name) const
{
    for (const std::string& h : held_)
        if (InShared(h) && lstrcmpiA(ReceiptNameOf(WorkingNameOf(h)).c_str(), name.c_str()) == 0)
            return true;
    return false;
}

bool ReceiptWorker::InShared(const std::string& path) const
{
    return lstrcmpiA(FolderOf(path).c_str(), settings_.Cartella.c_str()) == 0;
}

void ReceiptWorker::NoteWaiting(const std::string& name, Waiting why)
{
    auto known = waiting_.find(name);
    if (known != waiting_.end() && known->second == why)
        return;
    waiting_[name] = why;
    log_->WriteLine(LogTimestamp() + " (FILE) " +
                    (why == Waiting::Unreadable ? "SCONTRINO NON LEGGIBILE"
                                                : "SCONTRINO IN USO O NON SPOSTABILE") +
                    ", LASCIATO NELLA CARTELLA: " + name);
}

void ReceiptWorker::NoteTaken(const std::string& name)
{
    if (waiting_.erase(name))
        log_->WriteLine(LogTimestamp() + " (FILE) SCONTRINO DI NUOVO DISPONIBILE: " + name);
}

// A working file this process never reads again, with the log line that
// says why and names the file.
void ReceiptWorker::LeaveAside(const std::string& working, const std::string& why)
{
    leftAside_.insert(working);
    log_->WriteLine(LogTimestamp() + " (FILE) " + why + " (FILE " + WorkingNameOf(working) + ")");
}

// Every line in order until one ends the receipt; in test mode nothing is
// sent.
void ReceiptWorker::SendLines(const std::vector<std::string>& lines, ReceiptState& state,
                              const Link& link)
{
    LinkSender sender(link.port, link.socket);
    LockedSender locked(sender);
    ReceiptTranslator translator(config_, settings_.Offline != 0 ? nullptr : &locked, log_);
    // Every name of the worker is in the shared folder, so are SHELL's.
    translator.SetShellFolder(settings_.Cartella);
    try {
        TranslateReceipt(translator, settings_.Proto, state, lines);
    } catch (...) {
        // Any other failure inside the lines ends them; the link still closes.
    }
}

void ReceiptWorker::LogLinkError(ReceiptState& state, const char* step, int code)
{
    state.receiptMessages = LogTimestamp() + " (" + step +
                            ") ERRORE COMUNICAZIONE ECR: " + ecrlink::ErrorText(code);
    log_->WriteLine(state.receiptMessages);
}

// One attempt of the connection sequence; true when the link is up.
bool ReceiptWorker::TryOpenOnce(ReceiptState& state, Link& link, bool& statusLogged)
{
    state.receiptMessages.clear();
    if (settings_.Port != 0) {
        // A serial link is retried as a serial link, never over the network.
        int rc = ecrlink::ConnectSerial(settings_.Port, settings_.Baud);
        if (rc == 0) {
            link.port = settings_.Port;
            return true;
        }
        LogLinkError(state, "OPEN", rc);
        return false;
    }
    int scoFis = 0;
    int rc = ecrlink::Status(settings_.EcrIp, &scoFis);
    if (rc < 0) {
        if (!statusLogged)
            LogLinkError(state, "STATUS", rc);
        statusLogged = true;
        return false;
    }
    if (scoFis != 0)
        return false;  // the register is busy with a receipt of its own
    int socket = ecrlink::ConnectNetwork(settings_.EcrIp);
    if (socket > 0) {
        link.socket = socket;
        return true;
    }
    LogLinkError(state, "CONNECT", socket);
    return false;
}

bool ReceiptWorker::OpenLink(ReceiptState& state, Link& link, const std::function<void()>& beforeSuspending)
{
    bool statusLogged = false;
    int suspensions = 0;
    while (!TryOpenOnce(state, link, statusLogged)) {
        beforeSuspending();
        if (!SuspendService())
            return false;
        ++suspensions;
    }
    if (suspensions > 0)
        Show(ServiceState::Resumed);
    return true;
}

void ReceiptWorker::CloseLink(ReceiptState& state, const Link& link)
{
    int rc = link.port != 0 ? ecrlink::DisconnectSerial(link.port)
                            : ecrlink::DisconnectNetwork(link.socket);
    if (rc >= 0)
        return;
    // A register that held the line past the library's bound, or a line that
    // died under a held tail, never got the receipt's end: its block says so.
    std::string& messages = state.receiptMessages;
    if (!messages.empty() && messages.back() != '\n')
        messages += "\r\n";
    messages += LogTimestamp() + " (CLOSE) ERRORE COMUNICAZIONE ECR: " + ecrlink::ErrorText(rc) + "\r\n";
}

// True: retry now; false: the service is being stopped. The wait pumps the
// thread's messages; a stop or quit request signals wake_, which ends it at
// once.
bool ReceiptWorker::SuspendService()
{
    // A watched folder that is removed cannot be made again until the watch
    // closes: a suspension may last hours, and the next pass watches anew.
    CloseWatch();
    Show(ServiceState::Suspended);
    if (EndRaised())
        return false;
    PumpingWait(wake_, PollMilliseconds(settings_.polltime));
    return !EndRaised();
}

// The sleep between two passes, plain (a pumping wait that times out costs
// a GUI process many times more); false as soon as the worker is asked to
// end: the request signals wake_, which ends the wait at once.
bool ReceiptWorker::Pause(DWORD ms)
{
    if (EndRaised())
        return false;
    WaitForSingleObject(wake_, ms);
    return !EndRaised();
}
