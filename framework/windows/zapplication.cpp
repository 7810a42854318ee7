#include "zapplication.h"

#include "zform.h"
#include "zgdi.h"
#include "zgdiplus.h"
#include "zimagelist.h"
#ifndef ZINSTALLER_BUILD
#include "corvex.h"
#endif
#include "xevent.h"
#include "xexceptions.h"
#include "xhooks.h"
#include "xpath.h"
#include "xsystem.h"

#include <commctrl.h>
#include <ddeml.h>
#include <shellapi.h>
#ifndef ZINSTALLER_BUILD
#include <uxtheme.h>
#endif

#include <algorithm>
#include <cstdlib>

std::vector<xstring> NavigationCaptions(17);
std::vector<xstring> NavigationIcons(17);

namespace {

const char* const kItalianCaptions[17] = {
    "primo", "precedente", "successivo", "ultimo", "", "nuovo", "edita", "", "ok",
    "annulla", "elimina", "filtra", "aggiorna", "stampa", "", "chiudi", "tastiera"};
const char* const kEnglishCaptions[17] = {
    "first", "previous", "next", "last", "", "new", "edit", "", "ok",
    "discard", "delete", "seek", "update", "print", "", "exit", "keyboard"};
const char* const kIcons[17] = {"bl0", "bl1", "bl2", "bl3", "", "bl4", "bl5", "", "bl6",
                                "bl7", "bl8", "bl9", "bl10", "bl11", "", "bl12", "bl13"};

// Boxes belong to the main form, else to the first open form.
HWND OwnerWindow()
{
    if (zMainForm && zMainForm->IsLive())
        return zMainForm->hwnd;
    for (zForm* form : zApp().forms)
        if (form->IsLive())
            return form->hwnd;
    return nullptr;
}

HWND MdiClientWindow()
{
    if (zMainForm && zMainForm->mdiClient && IsWindow(zMainForm->mdiClient))
        return zMainForm->mdiClient;
    return nullptr;
}

xstring Env(const char* name)
{
    return xsys().GetEnvironment(name);
}

}  // namespace

xexceptions& zExceptionRecord()
{
    static xexceptions record("Unknown reason.", 0, 0);
    return record;
}

zApplication& zApp()
{
    static zApplication app;
    return app;
}

zApplication::zApplication()
{
#ifndef ZINSTALLER_BUILD
    gradientFill = GradientFill;
    setWindowTheme = SetWindowTheme;
#endif
}

zApplication::~zApplication()
{
    if (instanceMutex_)
        CloseHandle(instanceMutex_);
}

void zApplication::AddForm(zForm* form)
{
    forms.push_back(form);
}

void zApplication::RemoveForm(zForm* form)
{
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
    if (currentForm == form)
        currentForm = nullptr;
    if (previousForm == form)
        previousForm = nullptr;
    if (zMainForm == form)
        zMainForm = nullptr;
}

bool zApplication::HasForm(const zForm* form) const
{
    return std::find(forms.begin(), forms.end(), form) != forms.end();
}

void zApplication::ReadModulePaths()
{
    char* buffer = static_cast<char*>(std::calloc(1024, 1));
    if (buffer && GetModuleFileNameA(instance, buffer, 1024) > 0) {
        xpath path(buffer);
        folder = path.GetDrive() + path.GetFolder();
        moduleName = path.GetName();
        iniPath = path.GetDrive() + path.GetFolder() + path.GetName() + ".ini";
    }
    std::free(buffer);
}

// Arguments are converted to the ANSI code page with the system's converter:
// the runtime's wcstombs in the "C" locale refuses texts like the euro sign.
void zApplication::ReadCommandLine()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return;
    for (int i = 0; i < count; ++i) {
        int n = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        xstring arg;
        if (n > 1) {
            arg.Space(n);
            WideCharToMultiByte(CP_ACP, 0, argv[i], -1, arg.GetBuffer(), n, nullptr, nullptr);
            arg = xstring(arg.c_str());
        }
        args.push_back(arg);
    }
    LocalFree(argv);
}

void zApplication::ReadCgi()
{
    cgi.requestMethod = Env("REQUEST_METHOD");
    cgi.queryString = Env("QUERY_STRING");
    cgi.contentType = Env("CONTENT_TYPE");
    cgi.remoteAddr = Env("REMOTE_ADDR");
    cgi.remoteHost = Env("REMOTE_HOST");
    cgi.serverPort = Env("SERVER_PORT");
    cgi.serverName = Env("SERVER_NAME");
    cgi.userAgent = Env("HTTP_USER_AGENT");
    cgi.forwardedFor = Env("HTTP_X_FORWARDED_FOR");
    cgi.clientIp = Env("HTTP_CLIENT_IP");
    int eq = cgi.contentType.Find("=");
    cgi.boundary = "--";
    cgi.boundary += eq >= 0 ? cgi.contentType.Mid(eq + 1) : cgi.contentType;
    cgi.contentLength = std::atoi(Env("CONTENT_LENGTH").c_str());
    CharUpperA(cgi.requestMethod.GetBuffer());
    CharLowerA(cgi.contentType.GetBuffer());
}

bool zApplication::RegisterFormClasses()
{
    struct Row {
        const char* name;
        WNDPROC proc;
        const char* failure;
    } rows[] = {{ZFORMCLASS, FormClassWindowProc, "ZFORMCLASS REGISTERING FAILURE"},
                {ZMDICHILDCLASS, MdiChildClassWindowProc,
                 "ZMDICHILDFORMCLASS REGISTERING FAILURE"}};
    for (const Row& row : rows) {
        WNDCLASSA wc = {};
        if (GetClassInfoA(instance, row.name, &wc))
            continue;
        wc.lpfnWndProc = row.proc;
        wc.hInstance = instance;
        wc.hIcon = appIcon;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = row.name;
        if (!RegisterClassA(&wc)) {
            xsys().MessageBox(row.failure, "Fatal", MB_ICONERROR);
            return false;
        }
    }
    return true;
}

#ifdef ZINSTALLER_BUILD
// The installer talks to the shell's Program Manager as a DDE client only:
// it accepts no executes and no conversations with itself.
HDDEDATA CALLBACK zDdeCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    switch (type) {
    case XTYP_CONNECT:
    case XTYP_CONNECT_CONFIRM:
    case XTYP_REGISTER:
    case XTYP_DISCONNECT:
    case XTYP_UNREGISTER:
        return reinterpret_cast<HDDEDATA>(1);
    default:
        return nullptr;
    }
}

void zApplication::StartDde()
{
    DWORD id = 0;
    UINT flags = APPCMD_FILTERINITS | CBF_FAIL_SELFCONNECTIONS | CBF_FAIL_EXECUTES;
    if (DdeInitializeA(&id, zDdeCallback, flags, 0) == DMLERR_NO_ERROR) {
        ddeInstance = id;
        return;
    }
    ddeInstance = 0;
    HWND active = GetActiveWindow();
    xcallmessagebox(OwnerWindow(), "DDEML INITIALIZATION\tFAILURE", "Fatal",
                    MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND);
    if (active && IsWindow(active))
        SetActiveWindow(active);
}

bool zApplication::RegisterInstallerMessages()
{
    const char* const rows[3][2] = {
        {"MOVIRtablecommit", "TABLE_COMMIT_BROADCAST REGISTERING FAILURE"},
        {"MOVIRclientserver", "CLIENT_SERVER_BROADCAST REGISTERING FAILURE"},
        {"MOVIRremotetablecommit", "REMOTE_TABLE_COMMIT_BROADCAST REGISTERING FAILURE"}};
    for (const auto& row : rows) {
        if (!RegisterWindowMessageA(row[0])) {
            xsys().MessageBox(row[1], "Fatal", MB_ICONERROR);
            return false;
        }
    }
    return true;
}
#endif

bool zApplication::Init(HINSTANCE inst, HINSTANCE previous, int show)
{
    GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    italian = GetUserDefaultLangID() == 1040 ? 1 : 0;
    for (int i = 0; i < 17; ++i) {
        NavigationCaptions[i] = italian ? kItalianCaptions[i] : kEnglishCaptions[i];
        NavigationIcons[i] = kIcons[i];
    }
    tlsIndex = TlsAlloc();
    instance = inst ? inst : GetModuleHandleA(nullptr);
    previousInstance = previous;
    showCommand = show;
    warningIcon.SetIconByName("_WARNING_", 3);
    waitIcon.SetIconByName("_WAIT_", 3);
    xstring value;
    GetSetting(value, "Info", "NotifyDBEvents", "", "");
    notifyDBEvents = std::atoi(value.c_str()) != 0;
    ReadModulePaths();
    commandLine = GetCommandLineA();
    if (Env("REQUEST_METHOD").IsBlank())
        ReadCommandLine();
    else
        ReadCgi();

    xwindowhooks hooks;
    hooks.ownerWindow = OwnerWindow;
    hooks.mdiClient = MdiClientWindow;
    xsetwindowhooks(hooks);

    xsys().GetComctlVersion();
    INITCOMMONCONTROLSEX icc = {sizeof icc, 0x1FFF};
    InitCommonControlsEx(&icc);
#ifdef ZINSTALLER_BUILD
    xsys().SetTaskModalBoxes(true);
    // A program the installer starts must not hold its single-instance memory.
    xsetplainsecurity(true);
    StartDde();
    // Older Windows lack layered windows, themes or gradient fills: the
    // installer must still start there, and goes without them.
    setLayeredWindowAttributes =
        xsystemfunction<decltype(setLayeredWindowAttributes)>("USER32.DLL", "SetLayeredWindowAttributes");
    gradientFill = xsystemfunction<decltype(gradientFill)>("MSIMG32.DLL", "GradientFill");
    setWindowTheme = xsystemfunction<decltype(setWindowTheme)>("UXTHEME.DLL", "SetWindowTheme");
#else
    CorvexInit();
    LoadLibraryA("SCILEXER.DLL");  // without it Scintilla controls fail to create
#endif
    appIcon = static_cast<HICON>(LoadImageA(instance, "!APPL", IMAGE_ICON, 0, 0, 0));
    if (!RegisterFormClasses())
        return false;
    dragListMessage = RegisterWindowMessageA("commctrl_DragListMsg");
    if (!dragListMessage) {
        xsys().MessageBox("DRAGLIST_NOTIFY REGISTERING FAILURE", "Fatal", MB_ICONERROR);
#ifdef ZINSTALLER_BUILD
        return false;  // the installer starts with all of its messages or not at all
#endif
    }
#ifdef ZINSTALLER_BUILD
    if (!RegisterInstallerMessages())
        return false;
#endif
    tooltip = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "tooltips_class32", nullptr,
                              WS_POPUP | TTS_BALLOON | TTS_ALWAYSTIP, 0, 0, 0, 0, nullptr,
                              nullptr, instance, nullptr);
    return true;
}

// Two starts at the same moment must not both run: a named mutex decides
// atomically who starts first; the mapping keeps its 4-byte handle layout,
// and a handle there that names no live window does not block a new start.
bool zApplication::IsFirstInstance()
{
    if (!instanceMemory)
        return true;
    xstring mutexName = instanceMemory->GetName() + "_start";
    instanceMutex_ = CreateMutexA(nullptr, FALSE, mutexName);
    bool raced = instanceMutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
    xsharedmemory probe(instanceMemory->GetName());
    probe.SetThrow(0);
    if (probe.Open()) {
        HWND other = *static_cast<HWND*>(probe.GetData());
        if (other && IsWindow(other))
            return false;
        // An instance still starting has not published its window yet.
        if (raced && !other)
            return false;
    } else if (raced) {
        return false;
    }
    instanceMemory->SetThrow(0);
    if (!instanceMemory->Create())
        return false;
    *static_cast<HWND*>(instanceMemory->GetData()) = nullptr;
    return true;
}

void zApplication::CreateMainForm()
{
    // A list made with its size already exists, empty: it is filled all the same.
    if (imageList) {
        imageList->CreateList();
        if (imageList->list && ImageList_GetImageCount(imageList->list) == 0)
            imageList->LoadImages();
    }
    if (zMainForm)
        zMainForm->Create();
}

bool zApplication::PumpOne(MSG& msg)
{
    HWND mdi = MdiClientWindow();
    if (mdi && TranslateMDISysAccel(mdi, &msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void zApplication::Run()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        PumpOne(msg);
    if (msg.message == WM_QUIT)
        exitCode = int(msg.wParam);
}

bool zApplication::DoEvents()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(0);
            return false;
        }
        PumpOne(msg);
        Sleep(0);
    }
    return true;
}

bool zApplication::CloseForms(zForm* excluded)
{
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<zForm*> snapshot = forms;
        for (zForm* form : snapshot) {
            if (!HasForm(form) || form == excluded || !form->IsLive())
                continue;
            bool child = (GetWindowLongA(form->hwnd, GWL_STYLE) & WS_CHILD) != 0;
            if (pass == 0 ? (child || form == zMainForm) : !child)
                continue;
            if (!form->Close())
                return false;
        }
    }
    return true;
}

// Forms go first: their windows and destructors still give fonts and
// brushes back to the caches and may draw with GDI+.
void zApplication::Exit()
{
    while (!forms.empty()) {
        zForm* form = forms.back();
        delete form;  // the destructor takes it off the list
        if (!forms.empty() && forms.back() == form)
            forms.pop_back();
    }
    zFreeGdiCaches();
    if (gdiplusToken) {
        GdiplusShutdown(gdiplusToken);
        gdiplusToken = 0;
    }
    if (tooltip && IsWindow(tooltip))
        DestroyWindow(tooltip);
    tooltip = nullptr;
#ifdef ZINSTALLER_BUILD
    if (ddeInstance)
        DdeUninitialize(ddeInstance);
    ddeInstance = 0;
#endif
    if (tlsIndex != TLS_OUT_OF_INDEXES)
        TlsFree(tlsIndex);
    tlsIndex = TLS_OUT_OF_INDEXES;
    xsetwindowhooks(xwindowhooks());
}

zWindow* zApplication::FindWindowObject(HWND window)
{
    return zFindObject(window);
}

WNDPROC zApplication::GetOldWindowProc(HWND window)
{
    if (!window || !IsWindow(window))
        return nullptr;
    auto* record = static_cast<zWindowRecord*>(GetPropA(window, ZWNDPROP));
    return record ? record->oldProc : nullptr;
}

void zApplication::SetCurrentForm(zForm* form)
{
    if (!form || (form->options & 0x80))
        return;
    previousForm = currentForm;
    currentForm = form;
}

void zApplication::GetSetting(xstring& result, const char* section, const char* key,
                              const char* def, const char* fileName)
{
    const char* file = (fileName && *fileName) ? fileName : iniPath.c_str();
    result = xsys().ReadProfileString(section, key, def, file);
}

void zApplication::WriteSetting(const char* section, const char* key, const char* value)
{
    WritePrivateProfileStringA(section, key, value, iniPath);
}
