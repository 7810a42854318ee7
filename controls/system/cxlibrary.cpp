// The library's start and stop. Its entry runs them under the loader lock,
// where GDI+ must be neither started nor shut down: both wait on GDI+'s
// background thread, which cannot run until the lock is free. So the entry
// only registers the classes and hands GDI+ to threads of their own; the
// library's GDI+ users complete a start that has not run yet.

#include "cxlibrary.h"

// The flat GDI+ entry points, declared here to keep the C++ GDI+ headers out.
extern "C" int WINAPI GdiplusStartup(ULONG_PTR*, const void*, void*);

namespace {

struct GdiplusInput {
    UINT32 version = 1;
    void* debugCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};

enum class Gdiplus { stopped, pending, running };

using ShutdownFn = void(WINAPI*)(ULONG_PTR token);

// One owner for the GDI+ session: these fields change under g_lock only.
SRWLOCK g_lock = SRWLOCK_INIT;
Gdiplus g_state = Gdiplus::stopped;
ULONG_PTR g_token = 0;
ShutdownFn g_shutdown = nullptr;  // inside gdiplus.dll, which stays loaded

HCURSOR g_cursors[2] = {};

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// Under g_lock. GDI+ is pinned for the life of the process, so that a
// shutdown handed to a thread still finds its code after the library is gone.
void StartNow()
{
    GdiplusInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != 0) {
        g_state = Gdiplus::stopped;
        return;
    }
    g_token = token;
    g_state = Gdiplus::running;
    HMODULE gdiplus = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "gdiplus.dll", &gdiplus))
        g_shutdown = reinterpret_cast<ShutdownFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(gdiplus, "GdiplusShutdown")));
}

// Holds a reference on the library from the entry on, so that an unload
// right after the load cannot take this code away before it has run.
DWORD WINAPI StartThread(void* library)
{
    CorvexGdiplusReady();
    FreeLibraryAndExitThread(static_cast<HMODULE>(library), 0);
    return 0;
}

void StartSoon()
{
    {
        Locked lock;
        if (g_state != Gdiplus::stopped)
            return;
        g_state = Gdiplus::pending;
    }
    HMODULE library = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&StartThread), &library))
        return;  // the first GDI+ user starts it
    // Without the thread the reference is kept: the library then stays
    // loaded, which is safer than letting it go inside its own entry.
    if (HANDLE thread = CreateThread(nullptr, 0, StartThread, library, 0, nullptr))
        CloseHandle(thread);
}

}  // namespace

bool CorvexLibraryStart(HINSTANCE module, const CorvexClassRegistration* registrations, int count)
{
    bool ok = true;
    for (int i = 0; registrations && i < count; ++i)
        if (registrations[i] && !registrations[i](module))
            ok = false;
    StartSoon();
    return ok;
}

bool CorvexGdiplusReady()
{
    Locked lock;
    if (g_state == Gdiplus::pending)
        StartNow();
    return g_state == Gdiplus::running;
}

void CorvexLibraryStop()
{
    for (HCURSOR& cursor : g_cursors) {
        if (cursor)
            DestroyCursor(cursor);
        cursor = nullptr;
    }
    ULONG_PTR token = 0;
    ShutdownFn shutdown = nullptr;
    {
        Locked lock;
        if (g_state == Gdiplus::running) {
            token = g_token;
            shutdown = g_shutdown;
        }
        g_state = Gdiplus::stopped;
        g_token = 0;
    }
    if (!token || !shutdown)
        return;
    // GdiplusShutdown takes one pointer-sized argument and cleans the stack
    // as a thread routine does; it runs once the loader lock is free.
    auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(shutdown));
    if (HANDLE thread = CreateThread(nullptr, 0, routine, reinterpret_cast<void*>(token), 0, nullptr))
        CloseHandle(thread);
}

bool CorvexKeepCursor(HCURSOR cursor)
{
    if (!cursor)
        return false;
    for (HCURSOR& slot : g_cursors) {
        if (slot == cursor)
            return true;
        if (!slot) {
            slot = cursor;
            return true;
        }
    }
    return false;
}
