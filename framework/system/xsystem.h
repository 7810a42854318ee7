#pragma once
// xsystem: the framework's one system-services object (xsys()): system
// folders, the regional settings of the [intl] section, file and folder
// helpers, message boxes, environment and profile strings, date and time
// texts and system error texts.

#include "xstring.h"

#include <windows.h>

class xsystem {
public:
    // Same shape as GetProfileStringA; tests hand in their own [intl] values.
    using ProfileReader = DWORD(WINAPI*)(const char* section, const char* key, const char* def,
                                    char* out, DWORD size);
    using Clock = void (*)(SYSTEMTIME* now);

    xsystem();
    ~xsystem();
    xsystem(const xsystem&) = delete;
    xsystem& operator=(const xsystem&) = delete;

    void LoadIntl(ProfileReader reader);
    // The clock behind TimeString and DateString (local time unless replaced).
    void SetClock(Clock clock);

    const xstring& GetWindowsFolder() const { return windowsFolder_; }
    const xstring& GetSystemFolder() const { return systemFolder_; }
    const xstring& GetTempFolder() const { return tempFolder_; }
    const OSVERSIONINFOA& GetVersion() const { return version_; }
    const char* DateSeparator() const { return dateSep_; }
    const char* TimeSeparator() const { return timeSep_; }
    const char* Currency() const { return currency_; }
    const char* AmText() const { return am_; }
    const char* PmText() const { return pm_; }
    const char* ThousandSeparator() const { return thousandSep_; }
    const char* DecimalSeparator() const { return decimalSep_; }
    int DateOrder() const { return dateOrder_; }
    int TimeFormat() const { return timeFormat_; }

    int MessageBox(const char* text, const char* caption, UINT style);
    // The installer's framework build: boxes task-modal instead of topmost,
    // and the focus given back to its window afterwards.
    void SetTaskModalBoxes(bool on) { taskModalBoxes_ = on; }
    int ShowError(const char* label, unsigned long error);
    int Warning(const char* text);
    int AskYesNo(const char* text, const char* caption);
    xstring FormatError(const char* label, unsigned long error) const;
    void Error(const char* label, int code);

    COLORREF SysColor(COLORREF value) const;
    static unsigned char sysColorsEnabled;

    bool FileExists(const char* path);
    bool FileExistsIn(const char* folder, const char* name);
    bool DeleteFile(const char* path);
    bool MoveFile(const char* from, const char* to);
    bool CreateFolder(const char* path);
    bool ChangeFolder(const char* folder);
    bool TempFileName(xstring& result, const char* folder, const char* prefix);

    xstring GetEnvironment(const char* name) const;
    xstring ReadProfileString(const char* section, const char* key, const char* def,
                              const char* file) const;
    bool WriteProfileString(const char* section, const char* key, const char* value,
                            const char* file);

    // Control-library additions (xsystem_corvex.cpp).
    bool Ping(const char* address, DWORD timeoutMs);
    xstring ShortName(const char* longPath);
    bool DeleteByMask(const char* folder, const char* mask, bool recurse, bool removeFolder);
    bool CopyFile(const char* from, const char* to, bool failIfExists);
    bool SetAttributes(const char* path, DWORD attributes);
    bool RemoveFolder(const char* path);
    bool DriveExists(char letter);
    unsigned long long FreeDiskSpace(const char* folder);
    long ExpandFile(const char* source, const char* target);
    xstring NewGuidText() const;
    xstring ComputerName() const;
    xstring UserName() const;
    xstring CurrentFolder() const;
    int MessageBoxPlain(const char* text, const char* caption, UINT style);
    int TwipsPerPixel(int axis) const;  // axis: LOGPIXELSX or LOGPIXELSY
    // The program's own INI file: its path with the extension ".ini".
    static xstring OwnIniPath();

    // The common controls' version through COMCTL32.DLL's DllGetVersion:
    // S_OK; 0 for a library without that export (taken as 4.0); E_FAIL when
    // it cannot be loaded or the call fails (the stored version stays).
    HRESULT GetComctlVersion(const char* library = "COMCTL32.DLL");
    DWORD ComctlMajor() const { return comctlMajor_; }
    DWORD ComctlMinor() const { return comctlMinor_; }

    // Flat scroll bars: comctl32's FlatSB functions, found by name (MinGW's
    // import library has none); without them the plain scroll bars serve.
    void InitFlatScrollBars(HWND window);
    static void FlatScrollRange(HWND window, int bar, int* min, int* max);
    static void SetFlatScrollRange(HWND window, int bar, int min, int max);
    static int FlatScrollPos(HWND window, int bar);
    static void SetFlatScrollPos(HWND window, int bar, int pos);

    xstring TimeString(int code) const;
    xstring DateString(int code) const;

    int GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }
    void SetShow(unsigned char show) { show_ = show; }
    void SetThrow(unsigned char throwIt) { throw_ = throwIt; }
    // Keeps the system error of a failed platform call for Error.
    void SetLastError(int error) { lastError_ = error; }

private:
    bool Keep(BOOL ok);
    bool ClearFolder(const char* folder, const char* mask, bool recurse, bool removeFolder);

    xstring windowsFolder_, systemFolder_, tempFolder_;
    OSVERSIONINFOA version_ = {};
    char dateSep_[2] = "/";
    char timeSep_[2] = ":";
    char currency_[3] = "\xA3";
    char am_[5] = "AM";
    char pm_[5] = "PM";
    char thousandSep_[2] = ".";
    char decimalSep_[2] = ",";
    int dateOrder_ = 0;
    int timeFormat_ = 0;
    int counter1_ = 0, counter2_ = 0;
    xstring errorText_;
    unsigned char show_ = 0;
    unsigned char throw_ = 1;
    int lastError_ = 0;
    Clock clock_ = nullptr;
    bool taskModalBoxes_ = false;
    DWORD comctlMajor_ = 0, comctlMinor_ = 0;
};

// The one system-services object, built on first use.
xsystem& xsys();

// A function of a system library looked up by name, the library loaded when
// it is not yet; null where either is missing (older Windows lack some).
template <class F>
F xsystemfunction(const char* library, const char* name)
{
    HMODULE module = GetModuleHandleA(library);
    if (!module)
        module = LoadLibraryA(library);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
