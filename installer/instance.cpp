#include "instance.h"

#include "zform.h"
#include "xexceptions.h"

#include <windows.h>

namespace {

struct InstanceMemory {
    InstanceMemory() : memory("WQ_SETUP", 0)
    {
        memory.SetShow(0);
        memory.SetThrow(1);
    }
    xsharedmemory memory;
};

}  // namespace

xsharedmemory& setupInstanceMemory()
{
    static InstanceMemory instance;
    return instance.memory;
}

bool CheckSingleInstance(xsharedmemory& memory)
{
    try {
        memory.Open();
    } catch (const xexceptions&) {
        try {
            memory.Create();
        } catch (const xexceptions&) {
        }
        return true;
    }
    HWND other = memory.GetData() ? *static_cast<HWND*>(memory.GetData()) : nullptr;
    if (other && IsWindow(other)) {
        ShowWindow(other, SW_RESTORE);
        BringWindowToTop(other);
        SetForegroundWindow(other);
    }
    return false;
}

void PublishMainWindow()
{
    xsharedmemory& memory = setupInstanceMemory();
    if (!memory.GetData())
        return;
    HWND main = zMainForm && zMainForm->IsLive() ? zMainForm->hwnd : nullptr;
    *static_cast<HWND*>(memory.GetData()) = main;
}
