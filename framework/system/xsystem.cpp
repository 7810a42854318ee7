#include "xsystem.h"

#include "xexceptions.h"
#include "xhooks.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

unsigned char xsystem::sysColorsEnabled = 1;

namespace {

void ReadFolder(xstring& into, UINT (WINAPI* get)(LPSTR, UINT))
{
    char buf[1024];
    UINT n = get(buf, sizeof buf);
    into = (n > 0 && n < sizeof buf) ? buf : "";
}

UINT WINAPI TempPath(LPSTR buf, UINT size)
{
    return GetTempPathA(size, buf);
}

void ReadIntl(xsystem::ProfileReader reader, const char* key, const char* def, char* out,
              DWORD size)
{
    char buf[64] = {};
    reader("intl", key, def, buf, sizeof buf);
    std::snprintf(out, size, "%s", buf);
}

int ReadIntlInt(xsystem::ProfileReader reader, const char* key)
{
    char buf[32] = {};
    reader("intl", key, "0", buf, sizeof buf);
    return std::atoi(buf);
}

HWND BoxOwner()
{
    const xwindowhooks& hooks = xgetwindowhooks();
    HWND owner = hooks.ownerWindow ? hooks.ownerWindow() : nullptr;
    return (owner && IsWindow(owner)) ? owner : nullptr;
}

// A box disables its owner only; the thread's other windows (the dialogs
// that owner owns) would still take input under it and act twice.
std::vector<HWND> DisableThreadWindows(HWND owner)
{
    struct Walk {
        HWND owner;
        std::vector<HWND> disabled;
        static BOOL CALLBACK Visit(HWND w, LPARAM p) noexcept
        {
            auto* walk = reinterpret_cast<Walk*>(p);
            try {
                if (w != walk->owner && IsWindowVisible(w) && IsWindowEnabled(w)) {
                    walk->disabled.push_back(w);
                    EnableWindow(w, FALSE);
                }
            } catch (...) {
                return FALSE;
            }
            return TRUE;
        }
    } walk{owner, {}};
    EnumThreadWindows(GetCurrentThreadId(), Walk::Visit, reinterpret_cast<LPARAM>(&walk));
    return walk.disabled;
}

xstring Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
xstring Formatted(const char* format, ...)
{
    char buf[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return xstring(buf);
}

}  // namespace

xsystem& xsys()
{
    static xsystem instance;
    return instance;
}

xsystem::xsystem()
{
    version_.dwOSVersionInfoSize = sizeof version_;
    GetVersionExA(&version_);
    ReadFolder(windowsFolder_, GetWindowsDirectoryA);
    ReadFolder(systemFolder_, GetSystemDirectoryA);
    ReadFolder(tempFolder_, TempPath);
    LoadIntl(GetProfileStringA);
}

xsystem::~xsystem() = default;

void xsystem::LoadIntl(ProfileReader reader)
{
    ReadIntl(reader, "sDate", "/", dateSep_, sizeof dateSep_);
    ReadIntl(reader, "sCurrency", "\xA3", currency_, sizeof currency_);
    ReadIntl(reader, "s1159", "AM", am_, sizeof am_);
    ReadIntl(reader, "s2359", "PM", pm_, sizeof pm_);
    ReadIntl(reader, "sThousand", ".", thousandSep_, sizeof thousandSep_);
    ReadIntl(reader, "sDecimal", ",", decimalSep_, sizeof decimalSep_);
    dateOrder_ = ReadIntlInt(reader, "iDate");
    timeFormat_ = ReadIntlInt(reader, "iTime");
}

void xsystem::SetClock(Clock clock)
{
    clock_ = clock;
}

int xsystem::MessageBox(const char* text, const char* caption, UINT style)
{
    if (!taskModalBoxes_)
        return xcallmessagebox(BoxOwner(), text, caption, style | MB_TOPMOST | MB_SETFOREGROUND);
    HWND focus = GetFocus();
    HWND owner = BoxOwner();
    std::vector<HWND> disabled = DisableThreadWindows(owner);
    int answer = xcallmessagebox(owner, text, caption, style | MB_TASKMODAL | MB_SETFOREGROUND);
    for (HWND w : disabled)
        if (IsWindow(w))
            EnableWindow(w, TRUE);
    if (focus && IsWindow(focus))
        SetFocus(focus);
    return answer;
}

int xsystem::ShowError(const char* label, unsigned long error)
{
    return MessageBox(FormatError(label, error), "Message", MB_ICONINFORMATION);
}

int xsystem::Warning(const char* text)
{
    return MessageBox(text, "Warning", MB_ICONQUESTION);
}

int xsystem::AskYesNo(const char* text, const char*)
{
    return MessageBox(text, "Warning", MB_YESNO | MB_ICONQUESTION);
}

xstring xsystem::FormatError(const char* label, unsigned long error) const
{
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&message), 0, nullptr);
    xstring text = Formatted("<%lu> ", error);
    text += label;
    text += "\r\n";
    text += message;
    if (message)
        LocalFree(message);
    return text;
}

void xsystem::Error(const char* label, int code)
{
    xreporterror<xsystemexceptions>(errorText_, lastError_, label, code, show_ == 1,
                                    throw_ == 1);
}

COLORREF xsystem::SysColor(COLORREF value) const
{
    if (value >= 1 && value <= 20 && sysColorsEnabled)
        return GetSysColor(int(value));
    return value;
}

bool xsystem::Keep(BOOL ok)
{
    lastError_ = ok ? 0 : int(::GetLastError());
    return ok != FALSE;
}

bool xsystem::FileExists(const char* path)
{
    HANDLE h = CreateFileA(path ? path : "", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (!Keep(h != INVALID_HANDLE_VALUE))
        return false;
    CloseHandle(h);
    return true;
}

bool xsystem::FileExistsIn(const char* folder, const char* name)
{
    if (::IsBlank(folder))
        return false;
    xstring path(folder);
    if (path.Right(1) != "\\")
        path += "\\";
    path += name;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(path, &data);
    if (!Keep(h != INVALID_HANDLE_VALUE))
        return false;
    FindClose(h);
    return true;
}

bool xsystem::DeleteFile(const char* path)
{
    return Keep(::DeleteFileA(path));
}

bool xsystem::MoveFile(const char* from, const char* to)
{
    return Keep(MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING));
}

bool xsystem::CreateFolder(const char* path)
{
    return Keep(CreateDirectoryA(path, nullptr));
}

bool xsystem::ChangeFolder(const char* folder)
{
    xstring path(folder);
    if (path.Right(1) != "\\")
        path += "\\";
    if (Keep(SetCurrentDirectoryA(path)))
        return true;
    Error("xsystem::ChangeFolder", 197);
    return false;
}

bool xsystem::TempFileName(xstring& result, const char* folder, const char* prefix)
{
    char buf[MAX_PATH + 16] = {};
    if (Keep(GetTempFileNameA(folder, prefix, 0, buf) != 0)) {
        result = buf;
        return true;
    }
    result = "";
    if (show_ == 1 || throw_ == 1) {
        xstring label("tempfile ");
        label += folder;
        label += " ";
        label += prefix;
        Error(label, 0);
    }
    return false;
}

xstring xsystem::GetEnvironment(const char* name) const
{
    char buf[1024];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0)
        return xstring();
    if (n < sizeof buf)
        return xstring(buf);
    std::string big(n, '\0');
    n = GetEnvironmentVariableA(name, &big[0], n);
    return xstring(big.c_str(), n < 1023 ? n : 1023);
}

xstring xsystem::ReadProfileString(const char* section, const char* key, const char* def,
                                   const char* file) const
{
    char buf[256] = {};
    GetPrivateProfileStringA(section, key, def ? def : "", buf, sizeof buf,
                             (file && *file) ? file : OwnIniPath().c_str());
    return xstring(buf);
}

bool xsystem::WriteProfileString(const char* section, const char* key, const char* value,
                                 const char* file)
{
    return Keep(WritePrivateProfileStringA(section, key, value, file));
}

HRESULT xsystem::GetComctlVersion(const char* library)
{
    // The DLLVERSIONINFO record of DllGetVersion: size, major, minor, build, platform.
    struct VersionRecord {
        DWORD size, major, minor, build, platform;
    };
    using GetVersionFn = HRESULT(CALLBACK*)(VersionRecord*);
    HMODULE module = LoadLibraryA(library);
    if (!module)
        return E_FAIL;
    auto get = reinterpret_cast<GetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
    HRESULT result = S_OK;
    if (!get) {
        comctlMajor_ = 4;
        comctlMinor_ = 0;
        result = 0;
    } else {
        VersionRecord record = {sizeof record, 0, 0, 0, 0};
        result = get(&record) == S_OK ? S_OK : E_FAIL;
        if (result == S_OK) {
            comctlMajor_ = record.major;
            comctlMinor_ = record.minor;
        }
    }
    FreeLibrary(module);
    return result;
}

namespace {

template <class F>
F FlatScrollFunction(const char* name)
{
    return xsystemfunction<F>("comctl32.dll", name);
}

bool Live(HWND window)
{
    return window && IsWindow(window);
}

}  // namespace

void xsystem::InitFlatScrollBars(HWND window)
{
    using InitFn = BOOL(WINAPI*)(HWND);
    using PropFn = BOOL(WINAPI*)(HWND, UINT, INT_PTR, BOOL);
    static auto init = FlatScrollFunction<InitFn>("InitializeFlatSB");
    static auto prop = FlatScrollFunction<PropFn>("FlatSB_SetScrollProp");
    if (!Live(window))
        return;
    if (init)
        init(window);
    if (prop) {
        prop(window, WSB_PROP_VSTYLE, FSB_FLAT_MODE, TRUE);
        prop(window, WSB_PROP_HSTYLE, FSB_FLAT_MODE, TRUE);
    }
}

void xsystem::FlatScrollRange(HWND window, int bar, int* min, int* max)
{
    using Fn = BOOL(WINAPI*)(HWND, int, LPINT, LPINT);
    static auto fn = FlatScrollFunction<Fn>("FlatSB_GetScrollRange");
    *min = *max = 0;
    if (Live(window) && !(fn && fn(window, bar, min, max)))
        GetScrollRange(window, bar, min, max);
}

void xsystem::SetFlatScrollRange(HWND window, int bar, int min, int max)
{
    using Fn = int(WINAPI*)(HWND, int, int, int, BOOL);
    static auto fn = FlatScrollFunction<Fn>("FlatSB_SetScrollRange");
    if (!Live(window))
        return;
    if (fn)
        fn(window, bar, min, max, TRUE);
    else
        SetScrollRange(window, bar, min, max, TRUE);
}

int xsystem::FlatScrollPos(HWND window, int bar)
{
    using Fn = int(WINAPI*)(HWND, int);
    static auto fn = FlatScrollFunction<Fn>("FlatSB_GetScrollPos");
    if (!Live(window))
        return 0;
    return fn ? fn(window, bar) : GetScrollPos(window, bar);
}

void xsystem::SetFlatScrollPos(HWND window, int bar, int pos)
{
    using Fn = int(WINAPI*)(HWND, int, int, BOOL);
    static auto fn = FlatScrollFunction<Fn>("FlatSB_SetScrollPos");
    if (!Live(window))
        return;
    if (fn)
        fn(window, bar, pos, TRUE);
    else
        SetScrollPos(window, bar, pos, TRUE);
}
