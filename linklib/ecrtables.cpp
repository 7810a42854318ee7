// Departments, articles, customers and invoices between the register and
// the caller's CSV files.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrcmd.h"
#include "ecrcsv.h"
#include "ecrnet.h"
#include "ecrtables.h"
#include "ecrtftp.h"
#include "ecrtrace.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int ecr_register_poll_ms = 5000;

SetupSession::~SetupSession()
{
    if (entered_)
        ecr_setup_mode(hostname_, false);
}

int SetupSession::begin(uint32_t* ip)
{
    int rc = ecr_resolve_host(hostname_, ip);
    if (rc != 0)
        return rc;
    int already = 0;
    rc = ecr_check_idle(hostname_, &already);
    if (rc != 0 || already)
        return rc;
    rc = ecr_setup_mode(hostname_, true);
    entered_ = rc == 0;
    return rc;
}

int SetupSession::end(int result)
{
    if (!entered_)
        return result;
    entered_ = false;
    int rc = ecr_setup_mode(hostname_, false);
    return result >= 0 && rc != 0 ? rc : result;
}

namespace {
bool read_image(const char* path, long size, std::vector<uint8_t>& image)
{
    if (ecr_file_size(path) != size)
        return false;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    image.resize(static_cast<std::size_t>(size));
    bool ok = std::fread(image.data(), 1, image.size(), f) == image.size();
    std::fclose(f);
    return ok;
}

bool write_bytes(const char* path, const void* data, std::size_t size)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

// Fetches the table's file and writes the CSV of the selected records.
int recv_table(EcrTable table, const char* hostname, const char* filename, bool all)
{
    const EcrTableInfo& info = ecr_table_info(table);
    char work[ECR_MAX_PATH];
    if (!filename || !ecr_path(work, info.file))
        return ERR_FILE_CREATION;
    DeleteFileA(filename);
    DeleteFileA(work);

    SetupSession session(hostname);
    uint32_t ip = 0;
    int rc = session.begin(&ip);
    if (rc == 0)
        rc = tftp_get(ip, work);
    rc = session.end(rc);
    std::vector<uint8_t> image;
    if (rc == 0 && !read_image(work, ecr_table_bytes(table), image))
        rc = ERR_INVALID_FILESIZE;
    if (rc == 0) {
        std::string csv;
        rc = csv_from_image(table, image, all, csv);
        if (rc > 0 && !write_bytes(filename, csv.data(), csv.size()))
            rc = ERR_FILE_CREATION;
    }
    DeleteFileA(work);
    return rc;
}

// Puts a working file; the register needs a while to take a price list.
int put_table(uint32_t ip, EcrTable table, const char* work)
{
    int rc = tftp_put(ip, work);
    if (rc == 0 && table == EcrTable::Plu)
        rc = ecr_wait_cmd_done(ip, ecr_register_poll_ms);
    return rc;
}

// Departments and articles: presets plus the CSV's rows, sent whole.
int send_table(EcrTable table, const char* hostname, const char* filename)
{
    FILE* in = filename ? std::fopen(filename, "rb") : nullptr;
    if (!in)
        return ERR_FILE_NOT_FOUND;
    std::vector<uint8_t> image = csv_preset_image(table);
    CsvApplyStats stats = csv_apply(table, in, image);
    std::fclose(in);
    // A file of refused lines would otherwise wipe the register's table.
    if (stats.applied == 0)
        return 0;
    char work[ECR_MAX_PATH];
    if (!ecr_path(work, ecr_table_info(table).file) || !write_bytes(work, image.data(), image.size()))
        return ERR_FILE_CREATION;
    SetupSession session(hostname);
    uint32_t ip = 0;
    int rc = session.begin(&ip);
    if (rc == 0)
        rc = put_table(ip, table, work);
    rc = session.end(rc);
    DeleteFileA(work);
    return rc < 0 ? rc : stats.applied;
}

// Customers: the register's own file with the CSV's rows merged in.
int send_clienti(const char* hostname, const char* filename)
{
    FILE* in = filename ? std::fopen(filename, "rb") : nullptr;
    if (!in)
        return ERR_FILE_NOT_FOUND;
    char work[ECR_MAX_PATH];
    if (!ecr_path(work, ecr_table_info(EcrTable::Clienti).file)) {
        std::fclose(in);
        return ERR_FILE_CREATION;
    }
    DeleteFileA(work);
    SetupSession session(hostname);
    uint32_t ip = 0;
    int rc = session.begin(&ip);
    if (rc == 0)
        rc = tftp_get(ip, work);
    std::vector<uint8_t> image;
    if (rc == 0 && !read_image(work, ecr_table_bytes(EcrTable::Clienti), image))
        rc = ERR_INVALID_FILESIZE;
    if (rc == 0) {
        CsvApplyStats stats = csv_apply(EcrTable::Clienti, in, image);
        rc = stats.applied;
        if (rc > 0 && !write_bytes(work, image.data(), image.size()))
            rc = ERR_FILE_CREATION;
        else if (rc > 0) {
            int put = tftp_put(ip, work);
            rc = put < 0 ? put : rc;
        }
    }
    std::fclose(in);
    rc = session.end(rc);
    DeleteFileA(work);
    return rc;
}

int recv_export(const char* name, EcrTable table, const char* hostname, const char* filename,
                bool all)
{
    if (table == EcrTable::Fatture)
        ecr_log("%s %s -- begin: hostname='%s' filename='%s'\n", ecr_timestamp(), name,
                hostname ? hostname : "", filename ? filename : "");
    else
        ecr_log("%s %s -- begin: hostname='%s' filename='%s' all='%d'\n", ecr_timestamp(), name,
                hostname ? hostname : "", filename ? filename : "", all ? 1 : 0);
    int rc;
    try {
        rc = recv_table(table, hostname, filename, all);
    } catch (...) {
        rc = ERR_FILE_CREATION;
    }
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s %s -- end  : numrec='%s'\n", ecr_timestamp(), name, ecr_err_text(rc, text));
    return rc;
}

int send_export(const char* name, EcrTable table, const char* hostname, const char* filename)
{
    ecr_log("%s %s -- begin: hostname='%s' filename='%s'\n", ecr_timestamp(), name,
            hostname ? hostname : "", filename ? filename : "");
    int rc;
    try {
        rc = table == EcrTable::Clienti ? send_clienti(hostname, filename)
                                         : send_table(table, hostname, filename);
    } catch (...) {
        rc = ERR_FILE_CREATION;  // out of memory for a working image
    }
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s %s -- end  : numrec='%s'\n", ecr_timestamp(), name, ecr_err_text(rc, text));
    return rc;
}
}  // namespace

extern "C" {

int ECR_API ecr_recv_reparti_all(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_reparti", EcrTable::Reparti, hostname, filename, true);
}

int ECR_API ecr_recv_reparti_mod(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_reparti", EcrTable::Reparti, hostname, filename, false);
}

int ECR_API ecr_recv_plu_all(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_plu", EcrTable::Plu, hostname, filename, true);
}

int ECR_API ecr_recv_plu_mod(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_plu", EcrTable::Plu, hostname, filename, false);
}

int ECR_API ecr_recv_clienti_all(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_clienti", EcrTable::Clienti, hostname, filename, true);
}

int ECR_API ecr_recv_clienti_mod(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_clienti", EcrTable::Clienti, hostname, filename, false);
}

int ECR_API ecr_recv_fatture(const char* hostname, const char* filename)
{
    return recv_export("ecr_recv_fatture", EcrTable::Fatture, hostname, filename, true);
}

int ECR_API ecr_send_reparti(const char* hostname, const char* filename)
{
    return send_export("ecr_send_reparti", EcrTable::Reparti, hostname, filename);
}

int ECR_API ecr_send_plu(const char* hostname, const char* filename)
{
    return send_export("ecr_send_plu", EcrTable::Plu, hostname, filename);
}

int ECR_API ecr_send_clienti(const char* hostname, const char* filename)
{
    return send_export("ecr_send_clienti", EcrTable::Clienti, hostname, filename);
}

}  // extern "C"
