// The settings window ("Parametri") of the running VARNESK.exe, driven from
// outside as a user drives it: the test receipt (its bytes, and the register
// receiving it), the COM-port list from registered ports, the ping button
// with its wait form and answers, the folder browser, and the save that
// refuses incomplete fields. Message boxes are found and answered here.

#include "fake_ports.h"
#include "settingsstore.h"
#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"
#include "testutil.h"
#include "varnesk_probe.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const DWORD kStartMs = 60000;
const DWORD kWindowMs = 20000;

const char* const kTranslatedTest =
    "NOFIS apri\r\nnofis riga='  TEST PROVA SCONTRINO'\r\nnofis chiudi\r\n";
const char* const kXonXoffTest = "j\r\n\"TEST PROVA SCONTRINO\"\r\n@\r\nJ";

// A window of the program that may be busy: never wait on it for ever.
LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, 10000, &result);
    return LRESULT(result);
}

std::string TextOf(HWND w)
{
    char text[1024] = {};
    Send(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ClassOf(HWND w)
{
    char text[64] = {};
    GetClassNameA(w, text, sizeof text);
    return text;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The children of one class, top to bottom as the form places them.
std::vector<HWND> ChildrenByTop(HWND parent, const char* cls)
{
    std::vector<HWND> found;
    for (HWND w = FindWindowExA(parent, nullptr, cls, nullptr); w; w = FindWindowExA(parent, w, cls, nullptr))
        found.push_back(w);
    std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return found;
}

// A click as the button reports it to its form.
void Click(HWND form, HWND control, WORD code = BN_CLICKED)
{
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

struct Search {
    DWORD pid;
    const char* cls;
    const char* text;
    const char* childClass;  // must have one (or, with '!', must not)
    HWND found;
};

BOOL CALLBACK Match(HWND w, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w) || lstrcmpiA(ClassOf(w).c_str(), s->cls) != 0)
        return TRUE;
    // The caption as the system keeps it: the program may be busy.
    char caption[256] = {};
    GetWindowTextA(w, caption, sizeof caption);
    if (s->text && std::string(caption) != s->text)
        return TRUE;
    if (s->childClass) {
        bool without = s->childClass[0] == '!';
        bool has = FindWindowExA(w, nullptr, s->childClass + (without ? 1 : 0), nullptr) != nullptr;
        if (has == without)
            return TRUE;
    }
    s->found = w;
    return FALSE;
}

// A visible top-level window of the program, or null after ms.
HWND WindowOf(DWORD pid, const char* cls, const char* text, const char* childClass, DWORD ms)
{
    Search s{pid, cls, text, childClass, nullptr};
    WaitFor([&] {
        s.found = nullptr;
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
    }, ms);
    return s.found;
}

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption, text;
};

MessageBoxSeen WaitMessageBox(DWORD pid, DWORD ms)
{
    MessageBoxSeen box;
    box.window = WindowOf(pid, "#32770", nullptr, "!SysTreeView32", ms);
    if (!box.window)
        return box;
    char caption[256] = {};
    GetWindowTextA(box.window, caption, sizeof caption);
    box.caption = caption;
    for (HWND s = FindWindowExA(box.window, nullptr, "Static", nullptr); s; s = FindWindowExA(box.window, s, "Static", nullptr))
        if (!TextOf(s).empty())
            box.text = TextOf(s);
    return box;
}

bool Answer(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, WPARAM(id), 0);
    return WaitFor([&] { return !IsWindow(box); }, kWindowMs);
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

bool HasFocus(HWND control)
{
    HWND focus = FocusOf(control);
    return focus == control || IsChild(control, focus);
}

DWORD DottedAddress(const char* text)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(text, "%u.%u.%u.%u", &a, &b, &c, &d);
    return MAKEIPADDRESS(a, b, c, d);
}

// One [Info] value of the store as it is now.
std::string StoredValue(const std::string& folder, const char* key)
{
    std::string plain = testutil::exe_folder() + "\\vkset_store.ini";
    testutil::write_file(plain, SettingsStore(folder).Read());
    char value[512] = {};
    GetPrivateProfileStringA("Info", key, "", value, sizeof value, plain.c_str());
    DeleteFileA(plain.c_str());
    return value;
}

struct IniValues {
    int proto = 0;
    int port = 0;
    int offline = 1;
    int baud = 4;
    std::string ext = "TXT";
};

// The bridge started from a program folder of its own with a plain ECR.INI.
class Bridge {
public:
    Bridge(const std::string& folder, const std::string& shared, const IniValues& v)
    {
        testutil::write_file(folder + "\\ECR.INI",
                             "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=" + shared + "\r\nPolltime=5\r\nProto=" +
                                 std::to_string(v.proto) + "\r\nPort=" + std::to_string(v.port) +
                                 "\r\nBaud=" + std::to_string(v.baud) + "\r\nOffline=" + std::to_string(v.offline) +
                                 "\r\nLevel=1\r\nLog=0\r\nBackup=0\r\nExt=" + v.ext +
                                 "\r\n[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=R\r\n");
        DeleteFileA((folder + "\\ECR.BLW").c_str());
        std::string cmd = "\"" + folder + "\\VARNESK.exe\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
            CloseHandle(pi.hThread);
            main_ = VarneskMainOf(pid_, kStartMs);
        }
    }
    ~Bridge()
    {
        if (!process_)
            return;
        if (main_ && IsWindow(main_))
            PostMessageA(main_, WM_COMMAND, MAKEWPARAM(WORD(-5), 0), 0);
        if (WaitForSingleObject(process_, 30000) == WAIT_TIMEOUT)
            TerminateProcess(process_, 9);
        CloseHandle(process_);
    }
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    DWORD Pid() const { return pid_; }
    HWND Main() const { return main_; }
    // The tray menu's "Apri".
    bool Open() const
    {
        PostMessageA(main_, WM_COMMAND, MAKEWPARAM(WORD(-4), 0), 0);
        return WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, kWindowMs);
    }
    HWND Button(const char* caption) const { return FindWindowExA(main_, nullptr, "Button", caption); }
    // sco, log, exten.
    HWND Edit(int index) const { return ChildAt("Edit", index); }
    // portcom, portbaud, tipo.
    HWND List(int index) const { return ChildAt("ComboBox", index); }
    HWND Address() const { return FindWindowExA(main_, nullptr, WC_IPADDRESSA, nullptr); }
    MessageBoxSeen Box(DWORD ms) const { return WaitMessageBox(pid_, ms); }

private:
    HWND ChildAt(const char* cls, int index) const
    {
        std::vector<HWND> all = ChildrenByTop(main_, cls);
        return index < int(all.size()) ? all[size_t(index)] : nullptr;
    }

    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

enum { kSco = 0, kLog = 1, kExten = 2 };
enum { kPortcom = 0, kPortbaud = 1, kTipo = 2 };

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testutil::exe_folder() + "\\vkset";
        shared_ = folder_ + "\\shared";
        other_ = folder_ + "\\other";
        std::string from = testutil::exe_folder();
        for (const std::string& f : {folder_, shared_, other_})
            CreateDirectoryA(f.c_str(), nullptr);
        for (const std::string& f : {shared_, shared_ + "\\log", other_, other_ + "\\log"})
            ClearFolder(f);
        ASSERT_TRUE(CopyVarnesk(from, folder_));
    }
    void TearDown() override { bridge_.reset(); }

    static void ClearFolder(const std::string& folder)
    {
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE)
            return;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + "\\" + data.cFileName).c_str());
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }

    // Starts the bridge and opens its settings window.
    void Start(const IniValues& values)
    {
        bridge_.reset(new Bridge(folder_, shared_, values));
        ASSERT_TRUE(bridge_->Main() != nullptr);
        ASSERT_TRUE(WaitFor([&] { return ServiceRunning(bridge_->Main()); }, 30000));
        ASSERT_TRUE(bridge_->Open());
        ASSERT_TRUE(bridge_->Edit(kExten) && bridge_->List(kTipo) && bridge_->Address());
    }

    // The bridge logs (one file a day, rewritten at every load), all of
    // them: a test may run over midnight.
    std::string LogText() const
    {
        std::string text;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((shared_ + "\\log\\log_*.LOG").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE)
            return text;
        do {
            text += testutil::read_file(shared_ + "\\log\\" + data.cFileName);
        } while (FindNextFileA(h, &data));
        FindClose(h);
        return text;
    }

    std::string folder_, shared_, other_;
    std::unique_ptr<Bridge> bridge_;
};

// The register on loopback for the tests that need one, up for the suite.
class RegisterSettingsTest : public SettingsWindowTest {
protected:
    static void SetUpTestSuite()
    {
        reg_ = new ecrsim::SimRegister;
        tftp_ = new ecrsim::SimTftpServer(*reg_);
        peer_ = new ecrsim::SimTcpPeer(*reg_);
        // Another program's register may hold UDP 500 for a while.
        for (int i = 0; i < 120 && !tftp_->start("127.0.0.1"); ++i)
            Sleep(500);
        bool peerUp = false;
        for (int i = 0; i < 40 && tftp_->running() && !(peerUp = peer_->start("127.0.0.1")); ++i)
            Sleep(500);
        started_ = tftp_->running() && peerUp;
    }
    static void TearDownTestSuite()
    {
        delete peer_;
        delete tftp_;
        delete reg_;
    }

    static ecrsim::SimRegister* reg_;
    static ecrsim::SimTftpServer* tftp_;
    static ecrsim::SimTcpPeer* peer_;
    static bool started_;
};

ecrsim::SimRegister* RegisterSettingsTest::reg_ = nullptr;
ecrsim::SimTftpServer* RegisterSettingsTest::tftp_ = nullptr;
ecrsim::SimTcpPeer* RegisterSettingsTest::peer_ = nullptr;
bool RegisterSettingsTest::started_ = false;

// The texts of a list, as wide text: the narrow form does not survive the
// way between the processes here.
std::vector<std::string> ItemsOf(HWND list)
{
    std::vector<std::string> items;
    LRESULT count = Send(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[256] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide), SMTO_NORMAL, 10000,
                            &length);
        char text[256] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.emplace_back(text);
    }
    return items;
}

// --- the test receipt ---------------------------------------------------------

TEST_F(SettingsWindowTest, TestReceiptTakesTheStoredFolderAndFormWithTheTypedName)
{
    ASSERT_NO_FATAL_FAILURE(Start(IniValues{}));  // translated form, receipts "TXT"
    HWND main = bridge_->Main();
    HWND exten = bridge_->Edit(kExten);
    // Unsaved changes of the folder and of the form are not used; the
    // folder's change shows in the log edit at once.
    Send(bridge_->Edit(kSco), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other_.c_str()));
    EXPECT_EQ(other_ + "\\log", TextOf(bridge_->Edit(kLog)));
    Send(bridge_->List(kTipo), CB_SETCURSEL, 1, 0);
    testutil::write_file(shared_ + "\\TEST.PRV", std::string(300, 'x'));

    const struct {
        const char* name;
        const char* typed;
        const char* file;
    } rows[] = {
        {"a name of its own, over an older file", "PRV", "TEST.PRV"},
        {"a list of extensions, used whole", "TXT,SCO", "TEST.TXT,SCO"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Send(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.typed));
        Click(main, bridge_->Button("Genera scontrino di prova"));
        std::string path = shared_ + "\\" + row.file;
        WaitFor([&] { return testutil::read_file(path) == kTranslatedTest; }, kWindowMs);
        EXPECT_EQ(kTranslatedTest, testutil::read_file(path));
        EXPECT_FALSE(testutil::file_exists(other_ + "\\" + row.file));
        EXPECT_TRUE(bridge_->Box(0).window == nullptr) << "no message";
    }

    // The name is never left empty: a warning, then "TXT" again.
    const struct {
        const char* name;
        WPARAM key;
    } blanks[] = {{"emptied", '\b'}, {"a blank alone", ' '}};
    for (const auto& row : blanks) {
        SCOPED_TRACE(row.name);
        Send(exten, EM_SETSEL, 0, -1);
        PostMessageA(exten, WM_CHAR, row.key, 1);
        MessageBoxSeen box = bridge_->Box(kWindowMs);
        ASSERT_TRUE(box.window != nullptr);
        EXPECT_EQ("Warning", box.caption);
        EXPECT_EQ("ATTENZIONE: il campo non può essere vuoto", box.text);
        EXPECT_TRUE(Answer(box.window, IDOK));
        EXPECT_TRUE(WaitFor([&] { return TextOf(exten) == "TXT"; }, kWindowMs));
    }
}

TEST_F(RegisterSettingsTest, TestReceiptInXonXoffFormReachesTheRegister)
{
    ASSERT_TRUE(started_) << tftp_->lastError();
    reg_->setState('I');
    peer_->setScript({});
    peer_->setDefaultAnswer(ecrsim::TcpAnswer::ack());
    IniValues values;
    values.proto = 1;
    values.offline = 0;
    ASSERT_NO_FATAL_FAILURE(Start(values));
    HWND main = bridge_->Main();
    HWND exten = bridge_->Edit(kExten);
    HWND test = bridge_->Button("Genera scontrino di prova");

    // Under a name that is no receipt it stays, to be read.
    Send(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("PRV"));
    Click(main, test);
    WaitFor([&] { return testutil::read_file(shared_ + "\\TEST.PRV") == kXonXoffTest; }, kWindowMs);
    EXPECT_EQ(kXonXoffTest, testutil::read_file(shared_ + "\\TEST.PRV"));

    // Under the accepted extension the worker sends it at its next pass.
    peer_->clearRecord();
    Send(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("TXT"));
    Click(main, test);
    const std::string sent = "j\"TEST PROVA SCONTRINO\"@J";
    EXPECT_TRUE(WaitFor([&] { return peer_->received() == sent; }, 30000));
    EXPECT_TRUE(peer_->waitHost(false, 5000));
    EXPECT_EQ(sent, peer_->received());
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(shared_ + "\\TEST.TXT"); }, kWindowMs));
    EXPECT_TRUE(testutil::file_exists(shared_ + "\\TEST.PRV"));
    // The generated text is kept in the log folder (Level bit 0).
    WIN32_FIND_DATAA data;
    HANDLE h = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(WaitFor([&] {
        h = FindFirstFileA((shared_ + "\\log\\TEST_X_X_*").c_str(), &data);
        return h != INVALID_HANDLE_VALUE;
    }, kWindowMs));
    FindClose(h);
    EXPECT_EQ(sent, testutil::read_file(shared_ + "\\log\\" + data.cFileName));
}

// --- the ping button ----------------------------------------------------------

const char* const kPingFailed =
    "ATTENZIONE: operazione terminata senza successo.\n"
    "Verificare che:\n"
    "1) la cassa sia acceso e collegato\n"
    "2) la scheda di rete del computer sia funzionante e con cavo di rete inserito\n"
    "   oppure che\n"
    "   la scheda di rete wireless del computer sia funzionante ed accesa\n"
    "4) l'indirizzo ip del computer sia della stessa classe dell'indirizzo ip della cassa\n";

class PingTest : public SettingsWindowTest {
protected:
    // Types the address, presses "ping" and answers the outcome's box;
    // true when the wait form was seen up while the box was not.
    MessageBoxSeen Ping(const char* address, bool* waitFormSeen)
    {
        HWND main = bridge_->Main();
        Send(bridge_->Address(), IPM_SETADDRESS, 0, LPARAM(DottedAddress(address)));
        Click(main, bridge_->Button("ping"));
        *waitFormSeen = WindowOf(bridge_->Pid(), "MOVIRform", "Attende prego...", nullptr, 3000) != nullptr &&
                        bridge_->Box(0).window == nullptr;
        MessageBoxSeen box = bridge_->Box(60000);
        if (box.window) {
            EXPECT_TRUE(WindowOf(bridge_->Pid(), "MOVIRform", "Attende prego...", nullptr, 0) == nullptr)
                << "the wait form is closed before the answer";
            EXPECT_TRUE(Answer(box.window, IDOK));
        }
        return box;
    }
};

TEST_F(PingTest, LiveRegisterAnswers)
{
    IniValues values;
    ASSERT_NO_FATAL_FAILURE(Start(values));
    bool waitForm = false;
    MessageBoxSeen box = Ping("127.0.0.1", &waitForm);
    ASSERT_TRUE(box.window != nullptr);
    EXPECT_EQ("Warning", box.caption);
    EXPECT_EQ("Cassa collegata correttamente", box.text);
}

// The stored address (loopback) answers; the one typed and not saved does not.
TEST_F(PingTest, SilentAddressGetsTheChecklist)
{
    const char* silent = std::getenv("ECR_TEST_SILENT_HOST");
    if (!silent || !*silent)
        GTEST_SKIP() << "ECR_TEST_SILENT_HOST is not set (a loopback address that drops ICMP echo)";
    ASSERT_NO_FATAL_FAILURE(Start(IniValues{}));
    bool waitForm = false;
    MessageBoxSeen box = Ping(silent, &waitForm);
    ASSERT_TRUE(box.window != nullptr);
    EXPECT_TRUE(waitForm) << "the wait form is up while the ping waits";
    EXPECT_EQ("Warning", box.caption);
    EXPECT_EQ(kPingFailed, box.text);
}

// --- the COM-port list ----------------------------------------------------------

TEST_F(SettingsWindowTest, PortListComesFromTheRegisteredPorts)
{
    FakePorts ports("ECRVKSET");
    ASSERT_TRUE(ports.Add("0000", "USB Serial Port (COM12)")) << GetLastError();
    ASSERT_TRUE(ports.Add("0001", "Communications Port (COM3)")) << GetLastError();
    IniValues values;
    values.port = 12;
    values.baud = 2;
    ASSERT_NO_FATAL_FAILURE(Start(values));
    HWND main = bridge_->Main();
    HWND portcom = bridge_->List(kPortcom), portbaud = bridge_->List(kPortbaud);
    HWND ip = bridge_->Address(), ping = bridge_->Button("ping"), rescan = bridge_->Button("rescan");
    ASSERT_TRUE(portcom && portbaud && ping && rescan);
    const std::vector<std::string> listed{"LAN", "COM12", "COM3"};
    EXPECT_EQ(listed, ItemsOf(portcom));
    auto state = [&](LRESULT selected, bool lan) {
        return Send(portcom, CB_GETCURSEL, 0, 0) == selected && (IsWindowEnabled(ip) != FALSE) == lan &&
               (IsWindowEnabled(ping) != FALSE) == lan && (IsWindowEnabled(portbaud) != FALSE) == !lan;
    };
    // As loaded: the stored port, its speed, no network controls.
    EXPECT_TRUE(state(1, false));
    EXPECT_EQ(2, Send(portbaud, CB_GETCURSEL, 0, 0));

    const struct {
        const char* name;
        int choose;  // -1: "rescan"
        LRESULT selected;
        bool lan;
    } rows[] = {
        {"rescan selects LAN", -1, 0, true},
        {"choosing COM3", 2, 2, false},
        {"choosing LAN", 0, 0, true},
        {"choosing COM12", 1, 1, false},
        {"rescan after a COM port", -1, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.choose < 0) {
            Click(main, rescan);
        } else {
            Send(portcom, CB_SETCURSEL, WPARAM(row.choose), 0);
            Click(main, portcom, CBN_SELCHANGE);
        }
        EXPECT_TRUE(WaitFor([&] { return state(row.selected, row.lan); }, kWindowMs));
        EXPECT_EQ(listed, ItemsOf(portcom));
    }

    // The chosen item's port goes into the store; after a rescan, LAN's.
    const struct {
        const char* name;
        int choose;  // -1: "rescan"
        const char* port;
        const char* banner;
    } saves[] = {
        {"COM3 saved", 2, "3", ": COM3\r\n"},
        {"rescan, then saved", -1, "0", ": LAN\r\n"},
    };
    for (const auto& row : saves) {
        SCOPED_TRACE(row.name);
        if (row.choose < 0) {
            Click(main, rescan);
        } else {
            Send(portcom, CB_SETCURSEL, WPARAM(row.choose), 0);
            Click(main, portcom, CBN_SELCHANGE);
        }
        Click(main, bridge_->Button("Salva impostazioni"));
        EXPECT_TRUE(WaitFor([&] { return StoredValue(folder_, "Port") == row.port; }, kWindowMs));
        // The reload's new log banner: the load is through.
        EXPECT_TRUE(WaitFor([&] { return LogText().find(row.banner) != std::string::npos; }, kWindowMs));
    }
    EXPECT_EQ("127.0.0.1", StoredValue(folder_, "EcrIp"));

    // No ports left: "LAN" alone.
    ports.RemoveAll();
    Click(main, rescan);
    EXPECT_TRUE(WaitFor([&] { return ItemsOf(portcom) == std::vector<std::string>{"LAN"}; }, kWindowMs));
    EXPECT_TRUE(WaitFor([&] { return state(0, true); }, kWindowMs));
}

// --- the folder browser -----------------------------------------------------------

TEST_F(SettingsWindowTest, BrowsePutsTheChosenFolderIntoTheFolderField)
{
    ASSERT_NO_FATAL_FAILURE(Start(IniValues{}));
    HWND main = bridge_->Main();
    HWND sco = bridge_->Edit(kSco), log = bridge_->Edit(kLog), seek = bridge_->Button("...");
    ASSERT_TRUE(seek != nullptr);
    std::string pick = folder_ + "\\pick\\";
    CreateDirectoryA(pick.c_str(), nullptr);
    Send(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pick.c_str()));

    // Cancelled: nothing changes.
    Click(main, seek);
    HWND dialog = WindowOf(bridge_->Pid(), "#32770", nullptr, "SysTreeView32", kWindowMs);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_TRUE(Answer(dialog, IDCANCEL));
    EXPECT_EQ(pick, TextOf(sco));

    // It starts in the folder typed; its parent chosen goes into the field.
    Click(main, seek);
    dialog = WindowOf(bridge_->Pid(), "#32770", nullptr, "SysTreeView32", kWindowMs);
    ASSERT_TRUE(dialog != nullptr);
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    LRESULT start = 0;
    ASSERT_TRUE(WaitFor([&] { return (start = Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) != 0; }, kWindowMs));
    LRESULT up = Send(tree, TVM_GETNEXTITEM, TVGN_PARENT, start);
    ASSERT_NE(0, up);
    Send(tree, TVM_SELECTITEM, TVGN_CARET, up);
    EXPECT_TRUE(Answer(dialog, IDOK));
    EXPECT_TRUE(WaitFor([&] { return Upper(TextOf(sco)) == Upper(folder_); }, kWindowMs)) << TextOf(sco);
    EXPECT_EQ(Upper(folder_ + "\\log"), Upper(TextOf(log)));
}

// --- saving -------------------------------------------------------------------------

TEST_F(SettingsWindowTest, SaveRefusesABlankAddressOrAMissingFolder)
{
    ASSERT_NO_FATAL_FAILURE(Start(IniValues{}));
    HWND main = bridge_->Main();
    HWND ip = bridge_->Address(), sco = bridge_->Edit(kSco), save = bridge_->Button("Salva impostazioni");
    const std::string store = folder_ + "\\ECR.BLW";
    const std::string before = testutil::read_file(store);
    ASSERT_FALSE(before.empty());
    const std::string missing = folder_ + "\\missing";
    const char* const badAddress = "ATTENZIONE: l'indirizzo ip non è valido";
    const char* const badFolder = "ATTENZIONE: la cartella condivisa non è valida";
    const struct {
        const char* name;
        bool blankAddress;
        std::string folder;
        const char* text;
        HWND focus;
    } rows[] = {
        {"blank address", true, shared_, badAddress, ip},
        {"missing folder", false, missing, badFolder, sco},
        {"both: the address first", true, missing, badAddress, ip},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.blankAddress)
            Send(ip, IPM_CLEARADDRESS, 0, 0);
        else
            Send(ip, IPM_SETADDRESS, 0, LPARAM(DottedAddress("127.0.0.1")));
        Send(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.folder.c_str()));
        Click(main, save);
        MessageBoxSeen box = bridge_->Box(kWindowMs);
        ASSERT_TRUE(box.window != nullptr);
        EXPECT_EQ("Warning", box.caption);
        EXPECT_EQ(row.text, box.text);
        EXPECT_TRUE(Answer(box.window, IDOK));
        EXPECT_TRUE(WaitFor([&] { return HasFocus(row.focus); }, 5000));
        EXPECT_TRUE(bridge_->Box(500).window == nullptr) << "one message";
        EXPECT_EQ(before, testutil::read_file(store));
    }

    // Complete again: stored, and the service restarts with it.
    Send(ip, IPM_SETADDRESS, 0, LPARAM(DottedAddress("127.0.0.1")));
    Send(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other_.c_str()));
    Send(bridge_->Edit(kExten), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("DOC"));
    Click(main, save);
    EXPECT_TRUE(WaitFor([&] { return StoredValue(folder_, "Ext") == "DOC"; }, kWindowMs));
    EXPECT_EQ(other_, StoredValue(folder_, "Cartella"));
    testutil::write_file(other_ + "\\R1.DOC", "=R1/$500\r\n=T1\r\n");
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(other_ + "\\R1.DOC"); }, 30000));
}

}  // namespace
