// The settings window ("Parametri") of the running VARNESK.exe, driven from
// outside as a user drives it: the test receipt (its bytes, and the register
// receiving it), the COM-port list from registered ports, the ping button
// with its wait form and answers, the folder browser, and the save that
// refuses incomplete fields. Message boxes are found and answered here.

#include "fake_ports.h"
#include "settingsstore.h"
#include "loopback_register.h"
#include "testutil.h"
#include "varnesk_window.h"

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

const DWORD kWindowMs = VarneskWindow::kWindowMs;

const char* const kTranslatedTest =
    "NOFIS apri\r\nnofis riga='  TEST PROVA SCONTRINO'\r\nnofis chiudi\r\n";
const char* const kXonXoffTest = "j\r\n\"TEST PROVA SCONTRINO\"\r\n@\r\nJ";

std::string Upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
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

// The plain settings file of a test's bridge.
std::string IniText(const std::string& shared, const IniValues& v)
{
    return "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=" + shared + "\r\nPolltime=5\r\nProto=" +
           std::to_string(v.proto) + "\r\nPort=" + std::to_string(v.port) + "\r\nBaud=" + std::to_string(v.baud) +
           "\r\nOffline=" + std::to_string(v.offline) + "\r\nLevel=1\r\nLog=0\r\nBackup=0\r\nExt=" + v.ext +
           "\r\n[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=R\r\n";
}

const int kSco = VarneskWindow::kSco, kLog = VarneskWindow::kLog, kExten = VarneskWindow::kExten;
const int kPortcom = VarneskWindow::kPortcom, kPortbaud = VarneskWindow::kPortbaud, kTipo = VarneskWindow::kTipo;

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
            ClearFiles(f);
        ASSERT_TRUE(CopyVarnesk(from, folder_));
    }
    void TearDown() override { bridge_.reset(); }

    // Starts the bridge and opens its settings window.
    void Start(const IniValues& values)
    {
        bridge_.reset(new VarneskWindow(folder_, IniText(shared_, values)));
        ASSERT_TRUE(bridge_->Main() != nullptr);
        ASSERT_TRUE(bridge_->Running());
        ASSERT_TRUE(bridge_->Open());
        ASSERT_TRUE(bridge_->Edit(kExten) && bridge_->List(kTipo) && bridge_->Address());
    }

    std::string LogText() const { return LogsOf(shared_); }

    std::string folder_, shared_, other_;
    std::unique_ptr<VarneskWindow> bridge_;
};

// The register on loopback for the tests that need one, up for the suite.
using RegisterSettingsTest = OnLoopbackRegister<SettingsWindowTest>;

// The texts of a list, as wide text: the narrow form does not survive the
// way between the processes here.
std::vector<std::string> ItemsOf(HWND list)
{
    std::vector<std::string> items;
    LRESULT count = SendTo(list, CB_GETCOUNT, 0, 0);
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
    SendTo(bridge_->Edit(kSco), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other_.c_str()));
    EXPECT_EQ(other_ + "\\log", TextOf(bridge_->Edit(kLog)));
    SendTo(bridge_->List(kTipo), CB_SETCURSEL, 1, 0);
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
        SendTo(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.typed));
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
        SendTo(exten, EM_SETSEL, 0, -1);
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
    ASSERT_TRUE(started_) << register_->tftp.lastError();
    register_->Reset();
    IniValues values;
    values.proto = 1;
    values.offline = 0;
    ASSERT_NO_FATAL_FAILURE(Start(values));
    HWND main = bridge_->Main();
    HWND exten = bridge_->Edit(kExten);
    HWND test = bridge_->Button("Genera scontrino di prova");

    // Under a name that is no receipt it stays, to be read.
    SendTo(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("PRV"));
    Click(main, test);
    WaitFor([&] { return testutil::read_file(shared_ + "\\TEST.PRV") == kXonXoffTest; }, kWindowMs);
    EXPECT_EQ(kXonXoffTest, testutil::read_file(shared_ + "\\TEST.PRV"));

    // Under the accepted extension the worker sends it at its next pass.
    register_->peer.clearRecord();
    SendTo(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("TXT"));
    Click(main, test);
    const std::string sent = "j\"TEST PROVA SCONTRINO\"@J";
    EXPECT_TRUE(WaitFor([&] { return register_->peer.received() == sent; }, 30000));
    EXPECT_TRUE(register_->peer.waitHost(false, 5000));
    EXPECT_EQ(sent, register_->peer.received());
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

// The screen colour of a COLORREF.
DWORD OnScreen(COLORREF c)
{
    return DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c);
}

// The wait form as the user sees it while it is up. The program answers no
// message meanwhile (the ping holds its thread): only what the system keeps
// of its windows and what the screen shows are read. The marquee's piece
// has the colours of the system's visual style, not the bar colour.
struct WaitFormLook {
    bool topmost = false;
    bool caption = true;
    std::vector<std::string> texts;  // top to bottom
    bool marquee = false;
    bool colours = false;  // the form's and the texts' backgrounds, the gauge's
    bool stopButton = false, stopShown = true;

    explicit WaitFormLook(HWND form)
    {
        topmost = (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        caption = (GetWindowLongA(form, GWL_STYLE) & WS_CAPTION) != 0;
        for (HWND label : ChildrenByTop(form, "Static")) {
            char text[128] = {};
            GetWindowTextA(label, text, sizeof text);
            texts.push_back(text);
        }
        HWND gauge = FindWindowExA(form, nullptr, PROGRESS_CLASSA, nullptr);
        marquee = gauge && (GetWindowLongA(gauge, GWL_STYLE) & PBS_MARQUEE) != 0;
        RECT whole = {}, bar = {};
        GetWindowRect(form, &whole);
        GetWindowRect(gauge, &bar);
        colours = WaitFor([&] {
            std::vector<DWORD> all = ScreenPixels(whole), inBar = ScreenPixels(bar);
            auto shows = [](const std::vector<DWORD>& px, COLORREF c) {
                return std::count(px.begin(), px.end(), OnScreen(c)) > 0;
            };
            return shows(all, 0xFFF5EC) && shows(all, 0x804000) && shows(all, 0xD0CD8C) &&
                   shows(inBar, GetSysColor(COLOR_WINDOW));
        }, 3000);
        HWND stop = FindWindowExA(form, nullptr, "Button", "stop");
        stopButton = stop != nullptr;
        stopShown = stop && IsWindowVisible(stop);
    }
};

class PingTest : public SettingsWindowTest {
protected:
    // Types the address, presses "ping" and answers the outcome's box;
    // true when the wait form was seen up while the box was not, and then
    // its look in *look.
    MessageBoxSeen Ping(const char* address, bool* waitFormSeen, std::unique_ptr<WaitFormLook>* look = nullptr)
    {
        HWND main = bridge_->Main();
        SendTo(bridge_->Address(), IPM_SETADDRESS, 0, LPARAM(DottedAddress(address)));
        Click(main, bridge_->Button("ping"));
        HWND waitForm = bridge_->WaitForm(3000);
        if (waitForm && look)
            look->reset(new WaitFormLook(waitForm));
        *waitFormSeen = waitForm != nullptr && bridge_->Box(0).window == nullptr;
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
    ASSERT_TRUE(silent && *silent) << "ECR_TEST_SILENT_HOST is not set (a loopback address that drops "
                                      "ICMP echo, made by the test session as root)";
    ASSERT_NO_FATAL_FAILURE(Start(IniValues{}));
    bool waitForm = false;
    std::unique_ptr<WaitFormLook> look;
    MessageBoxSeen box = Ping(silent, &waitForm, &look);
    ASSERT_TRUE(box.window != nullptr);
    EXPECT_TRUE(waitForm) << "the wait form is up while the ping waits";
    EXPECT_EQ("Warning", box.caption);
    EXPECT_EQ(kPingFailed, box.text);

    // Above the other windows, without a caption, its two texts and a
    // marquee in its own colours, the "stop" button hidden.
    ASSERT_TRUE(look != nullptr);
    EXPECT_TRUE(look->topmost);
    EXPECT_FALSE(look->caption);
    EXPECT_EQ((std::vector<std::string>{"ELABORAZIONE IN CORSO...", "ATTENDERE PREGO."}), look->texts);
    EXPECT_TRUE(look->marquee);
    EXPECT_TRUE(look->colours);
    EXPECT_TRUE(look->stopButton);
    EXPECT_FALSE(look->stopShown);
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
        return SendTo(portcom, CB_GETCURSEL, 0, 0) == selected && (IsWindowEnabled(ip) != FALSE) == lan &&
               (IsWindowEnabled(ping) != FALSE) == lan && (IsWindowEnabled(portbaud) != FALSE) == !lan;
    };
    // As loaded: the stored port, its speed, no network controls.
    EXPECT_TRUE(state(1, false));
    EXPECT_EQ(2, SendTo(portbaud, CB_GETCURSEL, 0, 0));

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
            SendTo(portcom, CB_SETCURSEL, WPARAM(row.choose), 0);
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
            SendTo(portcom, CB_SETCURSEL, WPARAM(row.choose), 0);
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
    SendTo(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pick.c_str()));

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
    ASSERT_TRUE(WaitFor([&] { return (start = SendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) != 0; }, kWindowMs));
    LRESULT up = SendTo(tree, TVM_GETNEXTITEM, TVGN_PARENT, start);
    ASSERT_NE(0, up);
    SendTo(tree, TVM_SELECTITEM, TVGN_CARET, up);
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
            SendTo(ip, IPM_CLEARADDRESS, 0, 0);
        else
            SendTo(ip, IPM_SETADDRESS, 0, LPARAM(DottedAddress("127.0.0.1")));
        SendTo(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.folder.c_str()));
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
    SendTo(ip, IPM_SETADDRESS, 0, LPARAM(DottedAddress("127.0.0.1")));
    SendTo(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other_.c_str()));
    SendTo(bridge_->Edit(kExten), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("DOC"));
    Click(main, save);
    EXPECT_TRUE(WaitFor([&] { return StoredValue(folder_, "Ext") == "DOC"; }, kWindowMs));
    EXPECT_EQ(other_, StoredValue(folder_, "Cartella"));
    testutil::write_file(other_ + "\\R1.DOC", "=R1/$500\r\n=T1\r\n");
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(other_ + "\\R1.DOC"); }, 30000));
}

}  // namespace
