#pragma once
// zApplication: the one application object. Starts the process-wide
// services, knows the module's name, folder and settings file, holds the
// command line or CGI request, keeps the list of forms, runs the message
// loop and pumps messages for waits.

#include "zicon.h"
#include "xsharedmemory.h"
#include "xstring.h"

#include <windows.h>

#include <vector>

class zForm;
class zWindow;
class zImageList;

// The request of a program started as a CGI program.
struct xcgi {
    xstring queryString, requestMethod, contentType, remoteAddr, remoteHost, serverName,
        serverPort, userAgent, forwardedFor, clientIp, boundary;
    int contentLength = 0;
};

// Captions and icon names of the 17 navigation toolbar positions.
extern std::vector<xstring> NavigationCaptions;
extern std::vector<xstring> NavigationIcons;

class zApplication {
public:
    zApplication();
    ~zApplication();
    zApplication(const zApplication&) = delete;
    zApplication& operator=(const zApplication&) = delete;

    bool Init(HINSTANCE instance, HINSTANCE previous, int showCommand);
    bool IsFirstInstance();
    void CreateMainForm();
    void Run();
    bool DoEvents();
    bool CloseForms(zForm* excluded);
    void Exit();

    static zWindow* FindWindowObject(HWND window);
    static WNDPROC GetOldWindowProc(HWND window);
    void SetCurrentForm(zForm* form);
    void GetSetting(xstring& result, const char* section, const char* key, const char* def,
                    const char* fileName);
    void WriteSetting(const char* section, const char* key, const char* value);
    xstring GetModuleName() const { return moduleName; }
    xstring GetFolder() const { return folder; }

    // The single-instance memory of the program (its name, 4 bytes).
    void SetInstanceMemory(xsharedmemory* memory) { instanceMemory = memory; }
    void AddForm(zForm* form);
    void RemoveForm(zForm* form);
    bool HasForm(const zForm* form) const;

    // Fields.
    struct { UINT32 version = 1; void* callback = nullptr; BOOL noThread = FALSE, noCodecs = FALSE; } gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    HICON appIcon = nullptr;
    xstring moduleName;
    xstring folder;
    zIcon waitIcon, warningIcon;
    DWORD tlsIndex = TLS_OUT_OF_INDEXES;
    zForm* currentForm = nullptr;
    zForm* previousForm = nullptr;
    unsigned char notifyDBEvents = 0;
    xstring iniPath;
    xcgi cgi;
    std::vector<xstring> args;
    std::vector<zForm*> forms;
    std::vector<HWND*> modalStack;
    HINSTANCE instance = nullptr;
    HINSTANCE previousInstance = nullptr;
    int showCommand = SW_SHOWNORMAL;
    unsigned char italian = 1;
    xstring commandLine;
    int exitCode = 0;
    UINT dragListMessage = 0;
    HWND tooltip = nullptr;
    zImageList* imageList = nullptr;  // the program's shared image list
    xsharedmemory* instanceMemory = nullptr;
    DWORD ddeInstance = 0;  // the installer's DDE client (0 until started)
    // Bound at start-up by the installer's build; null where the platform lacks it.
    BOOL(WINAPI* setLayeredWindowAttributes)(HWND, COLORREF, BYTE, DWORD) = nullptr;
    // The same for the installer; the other programs link them.
    BOOL(WINAPI* gradientFill)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG) = nullptr;
    HRESULT(WINAPI* setWindowTheme)(HWND, LPCWSTR, LPCWSTR) = nullptr;

private:
    void ReadModulePaths();
    void ReadCommandLine();
    void ReadCgi();
    bool RegisterFormClasses();
    bool PumpOne(MSG& msg);
#ifdef ZINSTALLER_BUILD
    void StartDde();
    bool RegisterInstallerMessages();
#endif
    HANDLE instanceMutex_ = nullptr;
};

zApplication& zApp();

class xexceptions;
// The global exception record: the reason of the last failure caught in a
// window procedure, shown by the program entry.
xexceptions& zExceptionRecord();
