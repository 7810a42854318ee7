#include "ecrcmd.h"
#include "brisal.h"
#include "ecr_result.h"
#include "ecrnet.h"
#include "ecrpace.h"
#include "ecrtftp.h"
#include "ecrtrace.h"

#include <windows.h>
#include <cstdio>
#include <cstring>
#include <initializer_list>

extern "C" const char* const ecr_files_list[] = {
    "LOG.BIN",     "INTESTAZIONE.BIN", "IVA.BIN",        "REPARTI.BIN", "VAL.BIN",
    "OPERATORI.BIN", "CORTESIA.BIN",   "LOGO.BIN",       "BITMAP.BIN",  "PROG_PARAM.BIN",
    "PLU.BIN",     "CLIENTI.BIN",      "FATTURE.BIN",    nullptr,
};

namespace {
const char kCommandFile[] = "COMMAND.TXT";
const char kResponseFile[] = "RESPONSE.TXT";
constexpr int kLocalResponse = ECR_INFO_SIZE;

char g_info[ECR_INFO_SIZE];

const char* base_name(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The first line of `f`, at most rsplen - 2 characters, then "," so that the
// last value is delimited too; never more than rsplen bytes with the NUL.
void read_first_line(FILE* f, char* rsp, int rsplen)
{
    if (!rsp || rsplen <= 0)
        return;
    int room = rsplen - 2;
    int n = 0;
    for (int c; n < room && (c = std::fgetc(f)) != EOF && c != '\n' && c != '\r';)
        rsp[n++] = static_cast<char>(c);
    if (rsplen >= 2)
        rsp[n++] = ',';
    rsp[n] = '\0';
}

// The one character behind `key`, whatever it is; `absent` when the key is
// missing or ends the text.
char value_after(const char* text, const char* key, char absent)
{
    const char* p = std::strstr(text, key);
    char c = p ? p[std::strlen(key)] : '\0';
    return c ? c : absent;
}

// A digit field: the character behind the key minus '0'.
int digit_field(const char* text, const char* key, int absent)
{
    char c = value_after(text, key, '\0');
    return c ? c - '0' : absent;
}

void parse_fields(const char* rsp, int* ecr, int* stati, int* hst_conn, int* cmd, int* setup)
{
    if (ecr) {
        *ecr = value_after(rsp, "ECR=", 'X');
        ecr_log("%s ecr_recv_resp_txt: ecr='%c'\n", ecr_timestamp(), *ecr);
    }
    if (stati) {
        *stati = digit_field(rsp, "STATI=", 0);
        ecr_log("%s ecr_recv_resp_txt: stati='%d'\n", ecr_timestamp(), *stati);
    }
    if (hst_conn) {
        *hst_conn = digit_field(rsp, "HST_CONN=", 1);
        ecr_log("%s ecr_recv_resp_txt: hst_conn='%d'\n", ecr_timestamp(), *hst_conn);
    }
    if (cmd) {
        *cmd = digit_field(rsp, "CMD=", 0);
        ecr_log("%s ecr_recv_resp_txt: cmd='%d'\n", ecr_timestamp(), *cmd);
    }
    if (setup) {
        *setup = digit_field(rsp, "SETUP=", 0);
        ecr_log("%s ecr_recv_resp_txt: setup='%d'\n", ecr_timestamp(), *setup);
    }
}

int wait_after(uint32_t ip, int rc, int milliseconds)
{
    return rc == 0 ? ecr_wait_cmd_done(ip, milliseconds) : rc;
}

int put_file(uint32_t ip, const char* filename)
{
    if (!filename || !ecr_file_allowed(filename))
        return ERR_INVALID_FILENAME;
    long size = ecr_file_size(filename);
    if (size < 0)
        return ERR_FILE_NOT_FOUND;
    if (size == 0)
        return ERR_INVALID_FILESIZE;
    int rc = tftp_put(ip, filename);
    // The register loads a new price list before it takes anything else.
    if (rc == 0 && std::strcmp(base_name(filename), "PLU.BIN") == 0)
        rc = ecr_wait_cmd_done(ip, ecr_pace.busy_poll_ms);
    return rc;
}

int run_request(uint32_t ip, const char* filename, int request, char* rsp, int rsplen)
{
    switch (request) {
    case 0: return ecr_info(ip, rsp, rsplen, nullptr, nullptr, nullptr, nullptr, nullptr);
    case 1: return ecr_send_cmd_txt(ip, "SETUP 1");
    case 2: return ecr_send_cmd_txt(ip, "SETUP 0");
    case 3: return wait_after(ip, ecr_send_cmd_txt(ip, "AZZDATI"), 1000);
    case 4: return wait_after(ip, ecr_send_cmd_txt(ip, "AZZFAT"), 1000);
    case 5: return wait_after(ip, ecr_send_cmd_txt(ip, "AZZVEN_CORR"), 1000);
    case 6: return put_file(ip, filename);
    case 7:
        if (!filename || !ecr_file_allowed(filename))
            return ERR_INVALID_FILENAME;
        return tftp_get(ip, filename);
    case 8: return ecr_send_cmd_txt(ip, "AZZFIS");
    case 9: return wait_after(ip, ecr_send_cmd_txt(ip, "AZZVEN_ARCH"), 1000);
    default: return ERR_INVALID_REQUEST_ID;
    }
}
}  // namespace

bool ecr_file_allowed(const char* filename)
{
    if (!filename)
        return false;
    const char* name = base_name(filename);
    for (const char* const* entry = ecr_files_list; *entry; ++entry) {
        if (_stricmp(name, *entry) == 0)
            return true;
    }
    return false;
}

int ecr_send_cmd_txt(uint32_t ip, const char* command)
{
    ecr_log("%s ecr_send_cmd_txt: command='%s'\n", ecr_timestamp(), command);
    char path[ECR_MAX_PATH];
    if (!ecr_path(path, kCommandFile) || !ecr_write_file(path, command, std::strlen(command)))
        return ERR_FILE_CREATION;
    int rc = tftp_put(ip, path);
    DeleteFileA(path);
    return rc;
}

int ecr_recv_resp_txt(uint32_t ip, char* rsp, int rsplen, int* ecr, int* stati, int* hst_conn,
                      int* cmd, int* setup)
{
    char path[ECR_MAX_PATH];
    if (!ecr_path(path, kResponseFile))
        return ERR_FILE_CREATION;
    int rc = tftp_get(ip, path);
    if (rc != 0)
        return rc;
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        // An answer we cannot read is no answer: the status fields stay -1.
        DeleteFileA(path);
        return ERR_FILE_NOT_FOUND;
    }
    read_first_line(f, rsp, rsplen);
    std::fclose(f);
    DeleteFileA(path);
    const char* text = (rsp && rsplen > 0) ? rsp : "";
    ecr_log("%s ecr_recv_resp_txt: rsp='%s'\n", ecr_timestamp(), text);
    parse_fields(text, ecr, stati, hst_conn, cmd, setup);
    return 0;
}

int ecr_info(uint32_t ip, char* rsp, int rsplen, int* ecr, int* stati, int* hst_conn, int* cmd,
             int* setup)
{
    if (rsp && rsplen > 0)
        rsp[0] = '\0';
    for (int* out : {ecr, stati, hst_conn, cmd, setup}) {
        if (out)
            *out = -1;
    }
    int rc = ecr_send_cmd_txt(ip, "INFO");
    if (rc != 0)
        return rc;
    return ecr_recv_resp_txt(ip, rsp, rsplen, ecr, stati, hst_conn, cmd, setup);
}

int ecr_info_shared(uint32_t ip, int* ecr, int* stati, int* hst_conn, int* cmd, int* setup)
{
    return ecr_info(ip, g_info, sizeof g_info, ecr, stati, hst_conn, cmd, setup);
}

const char* ecr_info_text() { return g_info; }

int ecr_wait_cmd_done(uint32_t ip, int milliseconds, unsigned long limit_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
        int cmd = 0;
        int rc = ecr_info_shared(ip, nullptr, nullptr, nullptr, &cmd, nullptr);
        if (rc != 0)
            return rc;
        if (cmd == 0)
            return 0;
        if (GetTickCount() - start >= limit_ms)
            return ERR_TIMEOUT;
    }
}

int ecr_check_status(const char* hostname, uint32_t* ip, const char** info, int* hst_conn,
                     int* sco_fis)
{
    uint32_t local;
    uint32_t* addr = ip ? ip : &local;
    if (hst_conn)
        *hst_conn = -1;
    if (sco_fis)
        *sco_fis = 0;
    if (info)
        *info = g_info;
    int rc = ecr_resolve_host(hostname, addr);
    if (rc != 0)
        return rc;
    int ecr, stati, hst, cmd, setup;
    rc = ecr_info_shared(*addr, &ecr, &stati, &hst, &cmd, &setup);
    if (hst_conn)
        *hst_conn = hst;
    if (rc != 0)
        return rc;
    if (stati != 0) {
        if ((ecr == 'I' || ecr == 'V') && cmd == 0) {
            if (sco_fis)
                *sco_fis = ecr == 'V' ? 1 : 0;
            return 0;
        }
        return ERR_REG_NON_DISP;
    }
    return setup != 0 ? ERR_REG_NON_DISP : ERR_REG_IN_ERRORE;
}

int ecr_check_idle(const char* hostname, int* already_in_setup)
{
    *already_in_setup = 0;
    char stato[2];
    char hst_conn[2];
    int rc = ecr_get_status_new(hostname, stato, hst_conn);
    if (rc != 0)
        return rc;
    if (stato[0] == 'S') {
        *already_in_setup = 1;
        return 0;
    }
    return (stato[0] == 'I' && hst_conn[0] == 'N') ? 0 : ERR_REG_NON_DISP;
}

int ecr_setup_mode(const char* hostname, bool on)
{
    return ecr_command(hostname, nullptr, on ? 1 : 2, nullptr, 0);
}

int ecr_put_in_setup(const char* hostname, const char* path)
{
    int already = 0;
    int rc = ecr_check_idle(hostname, &already);
    if (rc != 0)
        return rc;
    if (!already && (rc = ecr_setup_mode(hostname, true)) != 0)
        return rc;
    rc = ecr_command(hostname, const_cast<char*>(path), 6, nullptr, 0);
    if (!already) {
        // Leave set-up mode even after a failure; the first error stays the result.
        int off = ecr_setup_mode(hostname, false);
        if (rc == 0)
            rc = off;
    }
    return rc;
}

int ecr_get_in_setup(const char* hostname, const char* path, int* leave)
{
    int already = 0;
    int rc = ecr_check_idle(hostname, &already);
    if (rc != 0)
        return rc;
    if (!already && (rc = ecr_setup_mode(hostname, true)) != 0)
        return rc;
    rc = ecr_command(hostname, const_cast<char*>(path), 7, nullptr, 0);
    if (rc != 0) {
        if (!already)
            ecr_setup_mode(hostname, false);  // best effort; the get's failure is the result
        return rc;
    }
    if (*leave != 0) {
        if (!already)
            rc = ecr_setup_mode(hostname, false);
    } else {
        *leave = already;
    }
    return rc;
}

extern "C" int ECR_API ecr_command(const char* hostname, char* filename, int request,
                                   char* rspptr, int rsplen)
{
    ecr_log("%s ecr_command -- begin: hostname='%s' filename='%s' request='%d' rspptr='0x%08X' "
            "rsplen='%d'\n",
            ecr_timestamp(), hostname ? hostname : "", filename ? filename : "", request,
            ecr_ptr(rspptr), rsplen);
    char local[kLocalResponse];
    char* rsp = rspptr ? rspptr : local;
    int len = rspptr ? rsplen : kLocalResponse;
    if (len > 0 || request != 0)
        rsp[0] = '\0';
    uint32_t ip;
    int rc = ecr_resolve_host(hostname, &ip);
    if (rc == 0)
        rc = run_request(ip, filename, request, rsp, len);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_command -- end  : esito='%s' rspptr='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text), (len > 0 || request != 0) ? rsp : "");
    return rc;
}

extern "C" int ECR_API ecr_get_status(const char* hostname, int* hst_conn, int* sco_fis)
{
    ecr_log("%s ecr_get_status -- begin: hostname='%s' hst_conn='0x%08X' sco_fis='0x%08X'\n",
            ecr_timestamp(), hostname ? hostname : "", ecr_ptr(hst_conn), ecr_ptr(sco_fis));
    int hst = -1;
    int fis = 0;
    int rc = ecr_check_status(hostname, nullptr, nullptr, &hst, &fis);
    if (rc != 0)
        fis = 0;
    if (hst_conn)
        *hst_conn = hst;
    if (sco_fis)
        *sco_fis = fis;
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_get_status -- end  : esito='%s' hst_conn='%d' sco_fis='%d'\n", ecr_timestamp(),
            ecr_err_text(rc, text), hst, fis);
    return rc;
}

extern "C" int ECR_API ecr_get_status_new(const char* hostname, char* stato, char* hst_conn)
{
    ecr_log("%s ecr_get_status_new -- begin: hostname='%s' stato='0x%08X' hst_conn='0x%08X'\n",
            ecr_timestamp(), hostname ? hostname : "", ecr_ptr(stato), ecr_ptr(hst_conn));
    char st[2] = "";
    char hc[2] = "";
    uint32_t ip;
    int rc = ecr_resolve_host(hostname, &ip);
    int ecr, stati, hst, cmd, setup;
    if (rc == 0)
        rc = ecr_info_shared(ip, &ecr, &stati, &hst, &cmd, &setup);
    if (rc == 0) {
        if (stati != 0)
            st[0] = static_cast<char>(cmd != 0 ? 'C' : ecr);
        else
            st[0] = setup != 0 ? 'S' : 'E';
        hc[0] = hst != 0 ? 'S' : 'N';
    }
    if (stato)
        std::memcpy(stato, st, sizeof st);
    if (hst_conn)
        std::memcpy(hst_conn, hc, sizeof hc);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_get_status_new -- end  : esito='%s' stato='%s' hst_conn='%s'\n",
            ecr_timestamp(), ecr_err_text(rc, text), st, hc);
    return rc;
}
