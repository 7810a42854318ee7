// Departments, articles, customers and invoices between the register and
// the caller's CSV files.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrcmd.h"
#include "ecrcsv.h"
#include "ecrtrace.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
// Fetches the table's file in set-up mode and writes the CSV of the
// selected records.
int recv_table(EcrTable table, const char* hostname, const char* filename, bool all)
{
    char work[ECR_MAX_PATH];
    if (!filename || !ecr_path(work, ecr_table_info(table).file))
        return ERR_FILE_CREATION;
    DeleteFileA(filename);
    DeleteFileA(work);
    int leave = 1;
    int rc = ecr_get_in_setup(hostname, work, &leave);
    std::vector<uint8_t> image;
    if (rc == 0 && (!ecr_read_file(work, image) || image.size() != ecr_table_bytes(table)))
        rc = ERR_INVALID_FILESIZE;
    if (rc == 0) {
        std::string csv;
        rc = csv_from_image(table, image, all, csv);
        if (rc > 0 && !ecr_write_file(filename, csv.data(), csv.size()))
            rc = ERR_FILE_CREATION;
    }
    DeleteFileA(work);
    return rc;
}

// Departments and articles: presets plus the CSV's rows, sent whole.
int send_table(EcrTable table, const char* hostname, const char* filename)
{
    FILE* in = filename ? std::fopen(filename, "rb") : nullptr;
    if (!in)
        return ERR_FILE_NOT_FOUND;
    std::vector<uint8_t> image = csv_preset_image(table);
    CsvApplyStats stats = csv_apply(table, in, image, filename);
    std::fclose(in);
    // The upload replaces the whole table, so one with a row it could not
    // read would reset a record the caller meant to set: that row is the
    // caller's to mend, and must not read as success. A file with no row of
    // the table sends the presets.
    if (stats.refused > 0)
        return ECR_ERR_PARAMETRI;
    char work[ECR_MAX_PATH];
    if (!ecr_path(work, ecr_table_info(table).file) ||
        !ecr_write_file(work, image.data(), image.size()))
        return ERR_FILE_CREATION;
    int rc = ecr_put_in_setup(hostname, work);
    DeleteFileA(work);
    return rc < 0 ? rc : stats.applied;
}

// Customers: the register's own file with the CSV's rows merged in, got and
// put within one stay in set-up mode.
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
    int already = 0;  // receives whether the register was in set-up mode before
    int rc = ecr_get_in_setup(hostname, work, &already);
    const bool entered = rc == 0 && !already;
    std::vector<uint8_t> image;
    if (rc == 0 &&
        (!ecr_read_file(work, image) || image.size() != ecr_table_bytes(EcrTable::Clienti)))
        rc = ERR_INVALID_FILESIZE;
    if (rc == 0) {
        rc = csv_apply(EcrTable::Clienti, in, image, filename).applied;
        if (rc > 0 && !ecr_write_file(work, image.data(), image.size()))
            rc = ERR_FILE_CREATION;
        else if (rc > 0) {
            int put = ecr_put_in_setup(hostname, work);
            rc = put < 0 ? put : rc;
        }
    }
    std::fclose(in);
    // Set-up mode is left on every path, so the register takes receipts again.
    if (entered) {
        int off = ecr_setup_mode(hostname, false);
        if (rc >= 0 && off != 0)
            rc = off;
    }
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
