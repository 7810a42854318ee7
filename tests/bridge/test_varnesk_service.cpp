// The service of the running VARNESK.exe as its main form shows and
// commands it: a load that is refused still shows and uses the fields just
// read, its boxes come before the wait form, a start banner begins on a
// line of its own, failed writes are shown and nothing claims success, the
// program's icons are in the tray, the caption and the status bar, and the
// tray icon's notifications act only as a right click while hidden.

#include "settingsstore.h"
#include "testutil.h"
#include "varnesk_window.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const DWORD kWindowMs = VarneskWindow::kWindowMs;
const char* const kXonXoffTest = "j\r\n\"TEST PROVA SCONTRINO\"\r\n@\r\nJ";
const char* const kCommands =
    "[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=REP\r\n1=REP\r\n[REP]\r\nFORMAT=R\r\n";
const char* const kTestMode = "Polltime=5\r\nProto=0\r\nOffline=1\r\nLevel=1\r\n";

std::string Info(const std::string& shared, const std::string& more)
{
    return "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=" + shared + "\r\nPort=0\r\nLog=0\r\nExt=TXT\r\n" + more;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testutil::exe_folder() + "\\vkserv";
        shared_ = folder_ + "\\shared";
        other_ = folder_ + "\\other";
        for (const std::string& f : {folder_, shared_, shared_ + "\\log", other_, other_ + "\\log"}) {
            CreateDirectoryA(f.c_str(), nullptr);
            ClearFiles(f);
        }
        ASSERT_TRUE(CopyVarnesk(testutil::exe_folder(), folder_));
    }
    void TearDown() override { bridge_.reset(); }

    // Translating, in test mode, with the settings window open.
    void Start(const std::string& more = kTestMode, const std::string& commands = kCommands)
    {
        bridge_.reset(new VarneskWindow(folder_, Info(shared_, more) + commands));
        ASSERT_TRUE(bridge_->Main() != nullptr);
        ASSERT_TRUE(bridge_->Running());
        ASSERT_TRUE(bridge_->Open());
    }

    // Puts a text into the store as the configuration editor would.
    void Store(const std::string& text) const
    {
        std::string plain = folder_ + "\\plain.ini";
        testutil::write_file(plain, text);
        ASSERT_TRUE(SettingsStore(folder_).Write(plain));
        DeleteFileA(plain.c_str());
    }

    // One [Info] value of the store as it is now.
    std::string StoredValue(const char* key) const
    {
        std::string plain = folder_ + "\\stored.ini";
        testutil::write_file(plain, SettingsStore(folder_).Read());
        char value[512] = {};
        GetPrivateProfileStringA("Info", key, "", value, sizeof value, plain.c_str());
        DeleteFileA(plain.c_str());
        return value;
    }

    // The menu's "Start" over the stored text: its one box, with no wait
    // form behind it, answered.
    void StartWithBox(const char* text)
    {
        bridge_->Command(1007);
        MessageBoxSeen box = bridge_->Box(kWindowMs);
        ASSERT_TRUE(box.window != nullptr);
        EXPECT_EQ("Message", box.caption);
        EXPECT_EQ(text, box.text);
        EXPECT_TRUE(bridge_->WaitForm(0) == nullptr) << "no wait form behind the box";
        EXPECT_TRUE(Answer(box.window, IDOK));
    }

    // Every message the main form had before this one has been handled.
    void Settle() const { SendTo(bridge_->Main(), WM_NULL, 0, 0); }

    std::string folder_, shared_, other_;
    std::unique_ptr<VarneskWindow> bridge_;
};

// --- loads ---------------------------------------------------------------------

TEST_F(ServiceTest, ARefusedLoadShowsAndUsesTheFieldsJustRead)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND main = bridge_->Main();

    // A block that ends without a line break, then a reload: the new banner
    // begins on a line of its own.
    testutil::write_file(shared_ + "\\U.TXT", "XYZ 1\r\n");
    ASSERT_TRUE(WaitFor([&] { return LogsOf(shared_).find("ELABORATO") != std::string::npos; }, kWindowMs));
    bridge_->Command(1007);
    ASSERT_TRUE(WaitFor([&] { return count_of(LogsOf(shared_), "INIZIO ELABORAZIONE") == 2; }, kWindowMs));
    EXPECT_NE(std::string::npos, LogsOf(shared_).find("ELABORATO\r\nVELK ECR Protocol - "))
        << LogsOf(shared_);

    // Refused for its polling: the box, and no wait form behind it.
    Store(Info(other_, "Polltime=0\r\nProto=1\r\nOffline=1\r\nLevel=6\r\n") + kCommands);
    ASSERT_NO_FATAL_FAILURE(
        StartWithBox("ATTENZIONE: l'intervallo di polling \xE8 errato o mancante nel file di configurazione"));

    // The window, the test receipt and the save use the fields just read.
    EXPECT_EQ(other_, TextOf(bridge_->Edit(VarneskWindow::kSco)));
    EXPECT_EQ(other_ + "\\log", TextOf(bridge_->Edit(VarneskWindow::kLog)));
    EXPECT_EQ(BST_UNCHECKED, SendTo(bridge_->Button("Salva il file Xon/Xoff generato"), BM_GETCHECK, 0, 0));
    Click(main, bridge_->Button("Genera scontrino di prova"));
    EXPECT_TRUE(WaitFor([&] { return testutil::read_file(other_ + "\\TEST.TXT") == kXonXoffTest; }, kWindowMs))
        << testutil::read_file(other_ + "\\TEST.TXT");
    Click(main, bridge_->Button("Salva impostazioni"));
    MessageBoxSeen box = bridge_->Box(kWindowMs);  // the reload after the save is refused again
    ASSERT_TRUE(box.window != nullptr);
    EXPECT_TRUE(Answer(box.window, IDOK));
    EXPECT_EQ("6", StoredValue("Level")) << "the bits beyond bit 0 are the ones just read";

    // The worker that ran before the refusals still runs as it was.
    testutil::write_file(shared_ + "\\P.TXT", "VEND REP=1\r\n");
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(shared_ + "\\P.TXT"); }, kWindowMs));
}

// What the address control's four fields show, dotted.
std::string AddressShown(HWND ip)
{
    std::vector<HWND> fields;
    for (HWND f = FindWindowExA(ip, nullptr, "Edit", nullptr); f; f = FindWindowExA(ip, f, "Edit", nullptr))
        fields.push_back(f);
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    std::string shown;
    for (size_t i = 0; i < fields.size(); ++i)
        shown += (i ? "." : "") + TextOf(fields[i]);
    return shown;
}

// A refused load shows the address it read, an empty one as a blank
// control, which the save then refuses: the address loaded before is
// neither shown nor stored.
TEST_F(ServiceTest, ARefusedLoadShowsTheAddressItReadEvenEmpty)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND ip = bridge_->Address();
    const struct {
        const char* name;
        const char* address;
        const char* polltime;
        const char* refusal;
        const char* shown;  // its four fields
    } rows[] = {
        {"another address, refused for its polling", "10.1.2.3", "0",
         "ATTENZIONE: l'intervallo di polling \xE8 errato o mancante nel file di configurazione", "10.1.2.3"},
        {"no address", "", "5", "ATTENZIONE: nessuna indirizzo ip dichiarato nel file di configurazione",
         "..."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Store(std::string("[Info]\r\nEcrIp=") + row.address + "\r\nCartella=" + shared_ + "\r\nPolltime=" +
              row.polltime + "\r\nExt=TXT\r\n" + kCommands);
        ASSERT_NO_FATAL_FAILURE(StartWithBox(row.refusal));
        EXPECT_EQ(row.shown, AddressShown(ip));
        EXPECT_EQ(!*row.address, SendTo(ip, IPM_ISBLANK, 0, 0) != 0);
    }
    Click(bridge_->Main(), bridge_->Button("Salva impostazioni"));
    MessageBoxSeen box = bridge_->Box(kWindowMs);
    ASSERT_TRUE(box.window != nullptr);
    EXPECT_EQ("ATTENZIONE: l'indirizzo ip non \xE8 valido", box.text);
    EXPECT_TRUE(Answer(box.window, IDOK));
    EXPECT_EQ("", StoredValue("EcrIp"));

    // An address typed into the fields is the one saved.
    SendTo(ip, IPM_SETADDRESS, 0, LPARAM(MAKEIPADDRESS(10, 9, 8, 7)));
    Click(bridge_->Main(), bridge_->Button("Salva impostazioni"));
    EXPECT_TRUE(WaitFor([&] { return StoredValue("EcrIp") == "10.9.8.7"; }, kWindowMs)) << StoredValue("EcrIp");
}

TEST_F(ServiceTest, NoCommandsIsToldBeforeTheWaitFormAndEndsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    Store(Info(shared_, "Polltime=5\r\nProto=0\r\nOffline=1\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartWithBox("ATTENZIONE: nessun comando \xE8 stato dichiarato nel file di configurazione"));
    EXPECT_EQ(0u, bridge_->Process().WaitExit(30000));
}

// --- failures of writes ----------------------------------------------------------

TEST_F(ServiceTest, FailedWritesAreShownAndNothingClaimsSuccess)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND main = bridge_->Main();
    HWND exten = bridge_->Edit(VarneskWindow::kExten);
    const std::string store = folder_ + "\\ECR.BLW";
    const struct {
        const char* name;
        const char* typed;  // into the name or extension field
        std::string held;   // by another program, reading at most
        DWORD sharing;
        const char* button;
        bool stored;        // the store takes the typed value
    } rows[] = {
        {"a test receipt under a name that cannot be made", "T?T", "", 0, "Genera scontrino di prova", false},
        {"a store that cannot be written", "DOC", store, 0, "Salva impostazioni", false},
        {"a load copy that cannot be written", "PRV", SettingsStore::LoadCopyPath(), FILE_SHARE_READ,
         "Salva impostazioni", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string before = testutil::read_file(store);
        const int banners = count_of(LogsOf(shared_), "INIZIO ELABORAZIONE");
        std::unique_ptr<HeldFile> held(row.held.empty() ? nullptr : new HeldFile(row.held, row.sharing));
        ASSERT_TRUE(!held || held->Held());
        SendTo(exten, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.typed));
        Click(main, bridge_->Button(row.button));
        MessageBoxSeen box = bridge_->Box(kWindowMs);
        EXPECT_TRUE(box.window != nullptr) << "the failure is shown";
        if (!box.window)
            continue;
        EXPECT_EQ("Warning", box.caption);
        EXPECT_EQ(FileCreateFailure(box.text), box.text);
        EXPECT_TRUE(Answer(box.window, IDOK));
        Settle();
        EXPECT_TRUE(bridge_->Box(0).window == nullptr) << "one message";
        held.reset();
        EXPECT_EQ(row.stored, before != testutil::read_file(store));
        EXPECT_EQ(banners, count_of(LogsOf(shared_), "INIZIO ELABORAZIONE")) << "no reload";
        EXPECT_EQ(row.typed, TextOf(exten)) << "the typed value stays to be saved again";
    }
    // The worker that ran before still runs as it was: it takes TXT only.
    testutil::write_file(shared_ + "\\P.PRV", "VEND REP=1\r\n");
    testutil::write_file(shared_ + "\\P.TXT", "VEND REP=1\r\n");
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(shared_ + "\\P.TXT"); }, kWindowMs));
    EXPECT_TRUE(testutil::file_exists(shared_ + "\\P.PRV"));
}

// --- icons ------------------------------------------------------------------------

// The 16x16 colours of one of the program's icons (alpha in the top byte),
// read from its resources.
std::vector<DWORD> IconPixels(const std::string& program, const char* name)
{
    std::vector<DWORD> pixels;
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HICON icon = module ? static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, 16, 16, 0)) : nullptr;
    ICONINFO info = {};
    if (icon && GetIconInfo(icon, &info)) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 16;
        bi.bmiHeader.biHeight = -16;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        pixels.resize(256);
        HDC dc = GetDC(nullptr);
        if (!GetDIBits(dc, info.hbmColor, 0, 16, pixels.data(), &bi, DIB_RGB_COLORS))
            pixels.clear();
        ReleaseDC(nullptr, dc);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    if (icon)
        DestroyIcon(icon);
    if (module)
        FreeLibrary(module);
    return pixels;
}

// The colour that makes an icon of the program what it is: its most
// frequent opaque colour other than white, and how many pixels have it.
struct IconColour {
    DWORD rgb = 0;
    int count = 0;
};

IconColour MainColour(const std::vector<DWORD>& icon)
{
    IconColour best;
    for (DWORD px : icon) {
        DWORD rgb = px & 0xFFFFFF;
        if ((px >> 24) != 0xFF || rgb == 0xFFFFFF)
            continue;
        int n = 0;
        for (DWORD other : icon)
            n += (other >> 24) == 0xFF && (other & 0xFFFFFF) == rgb;
        if (n > best.count)
            best = {rgb, n};
    }
    return best;
}

// Whether the screen shows the icon inside `area`: at least half as many
// pixels of its colour as the icon has (the system may draw it scaled).
bool ScreenShows(const RECT& area, const std::vector<DWORD>& icon)
{
    const IconColour colour = MainColour(icon);
    int seen = 0;
    for (DWORD px : ScreenPixels(area))
        seen += px == colour.rgb;
    return colour.count > 0 && seen * 2 >= colour.count;
}

// Without a window manager the system draws the program's captions itself
// (and with them its window icon) while this is alive.
class CaptionsDrawn {
public:
    CaptionsDrawn()
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\VARNESK.exe\\X11 Driver", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key_, nullptr);
        if (key_)
            RegSetValueExA(key_, "Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    }
    ~CaptionsDrawn()
    {
        if (key_) {
            RegDeleteValueA(key_, "Decorated");
            RegCloseKey(key_);
        }
    }
    CaptionsDrawn(const CaptionsDrawn&) = delete;
    CaptionsDrawn& operator=(const CaptionsDrawn&) = delete;

private:
    HKEY key_ = nullptr;
};

struct TrayIcons {
    std::vector<RECT> rects;
};

BOOL CALLBACK CollectTrayIcon(HWND w, LPARAM param)
{
    std::string cls = ClassOf(w);
    if (IsWindowVisible(w) && cls.find("tray_icon") != std::string::npos) {
        RECT r;
        GetWindowRect(w, &r);
        reinterpret_cast<TrayIcons*>(param)->rects.push_back(r);
    }
    return TRUE;
}

BOOL CALLBACK CollectTrayIcons(HWND w, LPARAM param)
{
    CollectTrayIcon(w, param);
    EnumChildWindows(w, CollectTrayIcon, param);
    return TRUE;
}

// Whether some icon of the notification area shows this picture.
bool TrayShows(const std::vector<DWORD>& icon)
{
    TrayIcons icons;
    EnumWindows(CollectTrayIcons, reinterpret_cast<LPARAM>(&icons));
    for (const RECT& r : icons.rects)
        if (ScreenShows(r, icon))
            return true;
    return false;
}

TEST_F(ServiceTest, TheProgramsIconsShowInTheTrayTheCaptionAndTheStatusBar)
{
    CaptionsDrawn captions;
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND main = bridge_->Main();
    HWND bar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
    ASSERT_TRUE(bar != nullptr);
    const std::string program = folder_ + "\\VARNESK.exe";
    const struct {
        const char* name;
        int command;  // 0: none
        const char* trayAndCaption;
        const char* statusBar;
        std::function<bool()> reached;
    } rows[] = {
        {"running", 0, "icprogram2", "icprogram0", [&] { return ServiceRunning(main); }},
        {"stopped", 1006, "icprogram3", "icprogram1", [&] { return ServiceEnded(main); }},
        {"started again", 1007, "icprogram2", "icprogram0", [&] { return ServiceRunning(main); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.command)
            bridge_->Command(row.command);
        ASSERT_TRUE(WaitFor(row.reached, kWindowMs));
        std::vector<DWORD> trayIcon = IconPixels(program, row.trayAndCaption);
        std::vector<DWORD> statusIcon = IconPixels(program, row.statusBar);
        ASSERT_EQ(256u, trayIcon.size());
        ASSERT_EQ(256u, statusIcon.size());
        // The window's own icon cannot be asked for from another process
        // here (WM_GETICON answers 0): its caption shows it.
        EXPECT_NE(0, SendTo(bar, SB_GETICON, 4, 0));
        EXPECT_TRUE(WaitFor([&] { return TrayShows(trayIcon); }, kWindowMs)) << "tray";
        RECT caption;
        GetWindowRect(main, &caption);
        caption.bottom = caption.top + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
        RedrawWindow(main, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_TRUE(WaitFor([&] { return ScreenShows(caption, trayIcon); }, kWindowMs)) << "caption";
        RECT status;
        GetWindowRect(bar, &status);
        EXPECT_TRUE(WaitFor([&] { return ScreenShows(status, statusIcon); }, kWindowMs)) << "status bar";
    }
    // The focused control is editable: the bar's first part shows the pencil.
    std::vector<DWORD> pencil = IconPixels(program, "_PENCIL_");
    ASSERT_EQ(256u, pencil.size());
    RECT status;
    GetWindowRect(bar, &status);
    EXPECT_TRUE(WaitFor([&] { return ScreenShows(status, pencil); }, kWindowMs)) << "pencil";
}

// --- the tray icon's notifications -----------------------------------------------

const UINT kTrayNotify = 2427;
const WPARAM kTrayId = 9001;

// The popup menu the program tracks, when it is up.
HWND PopupOf(DWORD pid, DWORD ms)
{
    return WindowOf(pid, "#32768", nullptr, nullptr, ms);
}

TEST_F(ServiceTest, TrayNotificationsActOnlyAsARightClickWhileHidden)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND main = bridge_->Main();
    const DWORD pid = bridge_->Pid();
    ShowWindow(main, SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, kWindowMs));

    // Ignored: the handler returns at once and no menu comes up.
    const struct {
        const char* name;
        WPARAM id;
        LPARAM mouse;
        bool shown;
    } ignored[] = {
        {"left button", kTrayId, WM_LBUTTONDOWN, false},
        {"double click", kTrayId, WM_LBUTTONDBLCLK, false},
        {"right button up", kTrayId, WM_RBUTTONUP, false},
        {"right button on another icon", 1234, WM_RBUTTONDOWN, false},
        {"right button while the form is shown", kTrayId, WM_RBUTTONDOWN, true},
    };
    for (const auto& row : ignored) {
        SCOPED_TRACE(row.name);
        if (row.shown) {
            ASSERT_TRUE(bridge_->Open());
        }
        DWORD_PTR result = 0;
        EXPECT_NE(0, SendMessageTimeoutA(main, kTrayNotify, row.id, row.mouse, SMTO_NORMAL, 5000, &result))
            << "returned without a menu";
        EXPECT_TRUE(PopupOf(pid, 0) == nullptr);
        EXPECT_EQ(row.shown, IsWindowVisible(main) != FALSE);
        ShowWindow(main, SW_HIDE);
    }

    // A right click while hidden: the menu "Apri", "Esci".
    const struct {
        const char* name;
        std::vector<WPARAM> keys;
        bool shown;
        bool ends;
    } chosen[] = {
        {"dismissed", {VK_ESCAPE}, false, false},
        {"Apri", {VK_DOWN, VK_RETURN}, true, false},
        {"Esci", {VK_DOWN, VK_DOWN, VK_RETURN}, false, true},
    };
    for (const auto& row : chosen) {
        SCOPED_TRACE(row.name);
        ShowWindow(main, SW_HIDE);
        PostMessageA(main, kTrayNotify, kTrayId, WM_RBUTTONDOWN);
        HWND popup = PopupOf(pid, kWindowMs);
        ASSERT_TRUE(popup != nullptr);
        for (WPARAM key : row.keys)
            PostMessageA(popup, WM_KEYDOWN, key, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(popup); }, kWindowMs));
        if (row.ends) {
            EXPECT_EQ(0u, bridge_->Process().WaitExit(30000));
            break;
        }
        Settle();
        EXPECT_EQ(row.shown, IsWindowVisible(main) != FALSE);
    }
}

// --- SHELL lines ------------------------------------------------------------------

// The first "_X_X_" copy of a receipt in the log folder, or "".
std::string GeneratedCopy(const std::string& shared, const std::string& receipt)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((shared + "\\log\\" + receipt + "_X_X_*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    FindClose(h);
    return testutil::read_file(shared + "\\log\\" + data.cFileName);
}

// A SHELL command starts with show-window flags only, so a console program
// has standard handles of its own; a blank one is logged, shows no box from
// the worker and the receipt goes on.
TEST_F(ServiceTest, ShellLinesStartConsoleProgramsAndABlankOneIsOnlyLogged)
{
    std::string commands = kCommands;
    commands.insert(commands.find("[VEND]"), "2=SHELL\r\n");
    ASSERT_NO_FATAL_FAILURE(Start(kTestMode, commands));
    const std::string probe = testutil::exe_folder() + "\\stdprobe.exe";
    const struct {
        const char* name;
        std::string command;
        std::string logged;  // after "Esecuzione shell: " and the command
    } rows[] = {
        {"a console program", probe, "\r\nCodice di ritorno: 0\r\n"},
        {"nothing to run", "", "\r\nEccezione in shell: xprocess::Execute. No module name.\r\n"},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string receipt = "S" + std::to_string(++n);
        testutil::write_file(shared_ + "\\" + receipt + ".TXT", "SHELL " + row.command + "\r\nVEND REP=" +
                                                                    std::to_string(n) + "\r\n");
        const std::string expected = "Esecuzione shell: " + row.command + row.logged;
        EXPECT_TRUE(WaitFor([&] { return LogsOf(shared_).find(expected) != std::string::npos; }, kWindowMs))
            << LogsOf(shared_);
        EXPECT_TRUE(WaitFor([&] { return !GeneratedCopy(shared_, receipt).empty(); }, kWindowMs));
        EXPECT_EQ("\r\n" + std::to_string(n) + "R", GeneratedCopy(shared_, receipt)) << "the receipt goes on";
        EXPECT_TRUE(bridge_->Box(0).window == nullptr);
    }
}

// --- the menu ----------------------------------------------------------------------

// An item of the menu bar chosen as the keyboard does: the menu key, Right
// to its popup, Down into it and to the item, Return. The menu ends there;
// a grayed item does nothing.
void ChooseFromMenu(HWND main, int popup, int item)
{
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 0);
    for (int i = 0; i < popup; ++i)
        PostMessageA(main, WM_KEYDOWN, VK_RIGHT, 0);
    for (int i = 0; i <= item; ++i)
        PostMessageA(main, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(main, WM_KEYDOWN, VK_RETURN, 0);
}

enum { kFile = 0, kActivity = 1 };
enum { kShowLog = 0, kStop = 0, kStart = 1 };

int StatusLength(HWND main, int part)
{
    return LOWORD(SendTo(FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr), SB_GETTEXTLENGTHA, WPARAM(part), 0));
}

// Start and Stop as the menu offers them: a grayed one chosen does nothing,
// which the item chosen after it shows. Moving through the menu clears the
// hint part of the status bar.
TEST_F(ServiceTest, MenuStartAndStopFollowTheService)
{
    bridge_.reset(new VarneskWindow(folder_, Info(shared_, "Polltime=0\r\nOffline=1\r\n") + kCommands));
    MessageBoxSeen refused = bridge_->Box(VarneskWindow::kStartMs);
    ASSERT_TRUE(refused.window != nullptr);
    EXPECT_TRUE(Answer(refused.window, IDOK));
    ASSERT_TRUE(bridge_->Open());
    HWND main = bridge_->Main();

    // The hint part holds the focused button's hint until the menu opens.
    HWND seek = bridge_->Button("...");
    PostMessageA(seek, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(seek, WM_LBUTTONUP, 0, MAKELPARAM(WORD(-20), WORD(-20)));
    ASSERT_TRUE(WaitFor([&] { return StatusLength(main, 5) == int(sizeof "sfoglia" - 1); }, kWindowMs));
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 0);
    PostMessageA(main, WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_TRUE(WindowOf(bridge_->Pid(), "#32768", nullptr, nullptr, kWindowMs) != nullptr);
    EXPECT_EQ(0, StatusLength(main, 5));
    PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);

    // Before the first worker both are grayed: Start loads nothing, so no
    // refusal comes before the log viewer chosen after it.
    ChooseFromMenu(main, kActivity, kStart);
    ChooseFromMenu(main, kFile, kShowLog);
    HWND viewer = WindowOf(bridge_->Pid(), "MOVIRform", "INI file", nullptr, kWindowMs);
    EXPECT_TRUE(bridge_->Box(0).window == nullptr) << "no load: " << bridge_->Box(0).text;
    ASSERT_TRUE(viewer != nullptr);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(viewer); }, kWindowMs));

    // Stored settings that run, saved from the window: the service starts.
    Store(Info(shared_, kTestMode) + kCommands);
    Click(main, bridge_->Button("Salva impostazioni"));
    ASSERT_TRUE(bridge_->Running());

    const struct {
        const char* name;
        int grayed, enabled;
        std::function<bool()> reached;
        int newBanners;
    } rows[] = {
        {"running: Start grayed, Stop ends it", kStart, kStop, [&] { return ServiceEnded(main); }, 0},
        {"stopped: Stop grayed, Start starts it", kStop, kStart, [&] { return ServiceRunning(main); }, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const int banners = count_of(LogsOf(shared_), "INIZIO ELABORAZIONE");
        ChooseFromMenu(main, kActivity, row.grayed);
        ChooseFromMenu(main, kActivity, row.enabled);
        EXPECT_TRUE(WaitFor(row.reached, kWindowMs));
        Settle();
        EXPECT_EQ(banners + row.newBanners, count_of(LogsOf(shared_), "INIZIO ELABORAZIONE"));
    }
}

}  // namespace
