#include "ecrtrace.h"
#include "brisal.h"
#include "ecr_result.h"

#include <windows.h>
#include <sys/stat.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>

const char* const ecr_err_names[] = {
    "ERR_SOCKET_LIBRARY",       "ERR_HOSTNAME_NON_RISOLTO", "ERR_INVALID_IP_ADDRESS",
    "ERR_SOCKET_OPEN",          "ERR_RETE_NON_DISP",        "ERR_TIMEOUT",
    "ERR_TRANSFER_FAILED",      "ERR_INVALID_REQUEST_ID",   "ERR_INVALID_FILENAME",
    "ERR_FILE_NOT_FOUND",       "ERR_INVALID_FILESIZE",     "ERR_FILE_CREATION",
    "ERR_REG_IN_ERRORE",        "ERR_REG_NON_DISP",         "ERR_CONNECT_GIA_IN_CORSO",
    "ERR_CONNECT_FAILED",       "ERR_CONNECT_CLOSED",       "ECR_ERR_PARAMETRI",
    "ECR_ERR_REG_NON_ATTIVO",   "ECR_ERR_BAUD_NOT_VALID",   "ECR_ERR_PORT_NOT_VALID",
};
const int ecr_err_count = sizeof(ecr_err_names) / sizeof(ecr_err_names[0]);
static_assert(sizeof(ecr_err_names) / sizeof(ecr_err_names[0]) == 21, "21 result names");

namespace {
char g_dirname[ECR_MAX_PATH] = ".";
char g_timestamp[16];
const char kTraceFile[] = "ecrlog.txt";

void append_trace(const char* format, va_list args)
{
    char path[ECR_MAX_PATH];
    if (!ecr_path(path, kTraceFile))
        return;
    FILE* f = std::fopen(path, "a");
    if (!f)
        return;  // tracing never makes an operation fail
    std::vfprintf(f, format, args);
    std::fclose(f);
}
}  // namespace

char* ecr_err_text(int code, char* buffer)
{
    if (code >= 0 || code < -ecr_err_count)
        std::snprintf(buffer, ECR_ERR_TEXT_SIZE, "%d", code);
    else
        std::snprintf(buffer, ECR_ERR_TEXT_SIZE, "%s", ecr_err_names[-code - 1]);
    return buffer;
}

const char* ecr_timestamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::snprintf(g_timestamp, sizeof g_timestamp, "%02u:%02u:%02u:%03u", t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    return g_timestamp;
}

void ecr_init_dirname()
{
    char module[ECR_MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    // A truncated path (n == size) is no reliable folder either.
    char* slash = (n > 0 && n < sizeof module) ? std::strrchr(module, '\\') : nullptr;
    if (!slash) {
        std::strcpy(g_dirname, ".");
        return;
    }
    *slash = '\0';
    std::snprintf(g_dirname, sizeof g_dirname, "%s", module);
}

const char* ecr_dirname() { return g_dirname; }

bool ecr_path(char* buffer, const char* name)
{
    int n = std::snprintf(buffer, ECR_MAX_PATH, "%s\\%s", g_dirname, name ? name : "");
    return n > 0 && n < ECR_MAX_PATH;
}

bool ecr_env_present(const char* name)
{
    char probe[2];
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableA(name, probe, sizeof probe);
    return n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

const char* ecr_env_value(const char* name, char* buffer, std::size_t size)
{
    DWORD n = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(size));
    if (n == 0 || n >= size)
        buffer[0] = '\0';
    return buffer;
}

void ecr_log(const char* format, ...)
{
    if (!ecr_env_present("ECR_TRACE"))
        return;
    va_list args;
    va_start(args, format);
    append_trace(format, args);
    va_end(args);
}

void ecr_log_always(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    append_trace(format, args);
    va_end(args);
}

void ecr_log_reset()
{
    char path[ECR_MAX_PATH];
    if (ecr_path(path, kTraceFile))
        DeleteFileA(path);
}

long ecr_file_size(const char* path)
{
    struct _stat st;
    if (!path || _stat(path, &st) != 0)
        return -1;
    return static_cast<long>(st.st_size);
}

bool ecr_read_file(const char* path, std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    data.clear();
    uint8_t buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool ecr_write_file(const char* path, const void* data, std::size_t size)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

unsigned ecr_ptr(const void* p) { return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(p)); }

extern "C" char* ECR_API ecr_get_err(int esito, char* errptr)
{
    ecr_log("%s ecr_get_err -- begin: esito='%d' errptr='0x%08X'\n", ecr_timestamp(), esito,
            ecr_ptr(errptr));
    if (errptr)
        ecr_err_text(esito, errptr);
    ecr_log("%s ecr_get_err -- end  : errptr='%s'\n", ecr_timestamp(), errptr ? errptr : "");
    return errptr;
}

