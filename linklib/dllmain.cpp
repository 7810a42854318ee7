#include "ecrmain.h"
#include "ecrnet.h"
#include "ecrtrace.h"

#include <windows.h>

namespace {
const char* reason_text(DWORD reason, char* number)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: return "PROCESS_ATTACH";
    case DLL_PROCESS_DETACH: return "PROCESS_DETACH";
    case DLL_THREAD_ATTACH: return "THREAD_ATTACH ";
    case DLL_THREAD_DETACH: return "THREAD_DETACH ";
    default: wsprintfA(number, "%u", static_cast<unsigned>(reason)); return number;
    }
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        ecr_library_attach();
    else if (reason == DLL_PROCESS_DETACH)
        ecr_library_detach(reserved != nullptr);

    char number[16];
    ecr_log("%s DllMain -- %s: hInst='0x%08X' esito='%u' dirname='%s' esito_sock='%d'\n",
            ecr_timestamp(), reason_text(reason, number),
            ecr_ptr(instance), 1u, ecr_dirname(),
            ecr_winsock_state());
    return TRUE;
}

