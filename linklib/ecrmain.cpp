#include "brisal.h"
#include "ecrmain.h"
#include "ecrnet.h"
#include "ecrpace.h"
#include "ecrtrace.h"

#include <windows.h>
#include <cstring>

const char ecr_version[] = "BRISAL V1.4 del 29/01/2013";

EcrPace ecr_pace;

void ecr_library_attach()
{
    ecr_init_dirname();
    ecr_log_reset();
    ecr_log("%s DllMain -- versione='%s'\n", ecr_timestamp(), ecr_version);
    ecr_winsock_start();
}

void ecr_library_detach(bool processEnding)
{
    // At process end the system tears the sockets down; WSACleanup under the
    // loader lock of a dying process may hang. Stopped either way.
    if (processEnding)
        ecr_winsock_forget();
    else
        ecr_winsock_stop();
}

extern "C" char* ECR_API ecr_get_ver(char* verptr)
{
    ecr_log("%s ecr_get_ver -- begin: verptr='0x%08X'\n", ecr_timestamp(),
            ecr_ptr(verptr));
    // Only with a debugger attached: a bare breakpoint would kill the host.
    if (ecr_env_present("ECR_DEBUG") && IsDebuggerPresent())
        DebugBreak();
    if (verptr)
        std::memcpy(verptr, ecr_version, sizeof ecr_version);
    ecr_log("%s ecr_get_ver -- end  : verptr='%s'\n", ecr_timestamp(), verptr ? verptr : "");
    return verptr;
}

