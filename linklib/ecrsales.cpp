// Current and archived sales of the register as CSV files.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrcmd.h"
#include "ecrdate.h"
#include "ecrsalescsv.h"
#include "ecrtables.h"
#include "ecrtftp.h"
#include "ecrtrace.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
const char kStatusFile[] = "ART_VENDUTI.BIN";
const char kCurrentFile[] = "VENDCORR.DAT";

bool read_all(const char* path, std::vector<uint8_t>& data)
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

bool write_csv(const std::string& path, const std::string& text)
{
    if (text.empty())
        return true;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string sales_csv_path(const char* dirname, const char* kind, uint32_t date)
{
    char compact[16];
    ecr_oro_compact_text(date, compact, sizeof compact);
    return std::string(dirname) + "\\VEND_" + kind + "_" + compact + ".CSV";
}

// Steps 3 to 5 of the current sales, with the register in set-up mode.
int fetch_current(uint32_t ip, const char* dirname, const char* status, const char* sales)
{
    int rc = ecr_send_cmd_txt(ip, "VENDCORR");
    if (rc == 0)
        rc = ecr_wait_cmd_done(ip, ecr_register_poll_ms);
    if (rc == 0)
        rc = tftp_get(ip, status);
    if (rc != 0)
        return rc;
    std::vector<uint8_t> data;
    SalesFileInfo info;
    if (ecr_file_size(status) != SALES_BLOCK || !read_all(status, data) || !sales_header(data, &info))
        return ERR_INVALID_FILESIZE;
    if (info.error_flag != 0)
        return ERR_REG_IN_ERRORE;
    if (info.num_rep == 0 && info.num_plu == 0)
        return 0;
    rc = tftp_get(ip, sales);
    if (rc != 0)
        return rc;
    return ecr_conv_venduto(sales, dirname) == 0 ? 1 : ERR_FILE_CREATION;
}

int recv_current(const char* hostname, const char* dirname)
{
    char status[ECR_MAX_PATH], sales[ECR_MAX_PATH];
    if (!dirname || !ecr_path(status, kStatusFile) || !ecr_path(sales, kCurrentFile))
        return ERR_FILE_CREATION;
    DeleteFileA(status);
    DeleteFileA(sales);
    delete_sales_csv(dirname);
    SetupSession session(hostname);
    uint32_t ip = 0;
    int rc = session.begin(&ip);
    if (rc == 0)
        rc = fetch_current(ip, dirname, status, sales);
    rc = session.end(rc);
    if (rc < 0)
        delete_sales_csv(dirname);
    DeleteFileA(status);
    DeleteFileA(sales);
    return rc;
}

// One archived day: 1 converted, 0 no file that day, or a failure.
int fetch_day(uint32_t ip, const char* dirname, uint32_t day)
{
    char compact[16], name[32], path[ECR_MAX_PATH];
    ecr_oro_compact_text(day, compact, sizeof compact);
    std::snprintf(name, sizeof name, "VEND%s.DAT", compact);
    if (!ecr_path(path, name))
        return ERR_FILE_CREATION;
    bool missing = false;
    int rc = tftp_get(ip, path, &missing);
    int result = rc;
    if (rc == 0)
        result = ecr_conv_venduto(path, dirname) == 0 ? 1 : ERR_FILE_CREATION;
    else if (missing)
        result = 0;  // the register refuses the days it has no file for
    // A transfer that broke off after data had moved is no missing day: it
    // is passed on so the caller does not take a partial archive as whole.
    DeleteFileA(path);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_recv_vend_storico -- info : pathname='%s' count='%d' esito='%s'\n",
            ecr_timestamp(), path, result > 0 ? 1 : 0, ecr_err_text(rc, text));
    return result;
}

int recv_archive(const char* hostname, const char* dirname, const int from[3], const int to[3])
{
    if (!dirname)
        return ERR_FILE_CREATION;
    delete_sales_csv(dirname);
    if (ecr_oro_valid(from[0], from[1], from[2], 0, 0, 0) != 0 ||
        ecr_oro_valid(to[0], to[1], to[2], 0, 0, 0) != 0)
        return ECR_ERR_PARAMETRI;
    uint32_t first = ecr_oro_seconds(from[0], from[1], from[2], 0, 0, 0);
    uint32_t last = ecr_oro_seconds(to[0], to[1], to[2], 0, 0, 0);
    if (last < first)
        return ECR_ERR_PARAMETRI;

    SetupSession session(hostname);
    uint32_t ip = 0;
    int rc = session.begin(&ip);
    int count = 0;
    for (uint32_t day = first; rc == 0 && day <= last; day += 86400u) {
        int one = fetch_day(ip, dirname, day);
        if (one < 0)
            rc = one;
        else
            count += one;
    }
    rc = session.end(rc < 0 ? rc : count);
    if (rc < 0)
        delete_sales_csv(dirname);
    return rc;
}
}  // namespace

int ecr_conv_venduto(const char* pathname, const char* dirname)
{
    std::vector<uint8_t> data;
    bool read = read_all(pathname, data);
    DeleteFileA(pathname);
    std::string rep, plu;
    SalesFileInfo info;
    bool ok = read && sales_to_csv(data, rep, plu, &info);
    char date[24];
    ecr_oro_datetime_text(info.date, date, sizeof date);
    ecr_log("%s ecr_conv_venduto -- info: pathname='%s' size_bin='%d' date='%s' num_rep='%d' "
            "num_plu='%d' size_rep='%d' size_plu='%d'\n",
            ecr_timestamp(), pathname, static_cast<int>(data.size()), date, info.num_rep,
            static_cast<int>(info.num_plu), static_cast<int>(info.size_rep),
            static_cast<int>(info.size_plu));
    if (!ok)
        return -1;
    if (!write_csv(sales_csv_path(dirname, "REP", info.date), rep) ||
        !write_csv(sales_csv_path(dirname, "PLU", info.date), plu))
        return -1;
    return 0;
}

void delete_sales_csv(const char* dirname)
{
    std::string pattern = std::string(dirname) + "\\VEND_???_??????.CSV";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((std::string(dirname) + "\\" + fd.cFileName).c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

extern "C" {

int ECR_API ecr_recv_vend_corrente(const char* hostname, const char* dirname)
{
    ecr_log("%s ecr_recv_vend_corrente -- begin: hostname='%s' dirname='%s'\n", ecr_timestamp(),
            hostname ? hostname : "", dirname ? dirname : "");
    int rc;
    try {
        rc = recv_current(hostname, dirname);
    } catch (...) {
        rc = ERR_FILE_CREATION;
    }
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_recv_vend_corrente -- end  : count='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text));
    return rc;
}

int ECR_API ecr_recv_vend_storico(const char* hostname, const char* dirname, int from_day,
                                  int from_month, int from_year, int to_day, int to_month,
                                  int to_year)
{
    ecr_log("%s ecr_recv_vend_storico -- begin: hostname='%s' dirname='%s' from='%d/%d/%d' "
            "to='%d/%d/%d\n",
            ecr_timestamp(), hostname ? hostname : "", dirname ? dirname : "", from_day,
            from_month, from_year, to_day, to_month, to_year);
    const int from[3] = {from_day, from_month, from_year};
    const int to[3] = {to_day, to_month, to_year};
    int rc;
    try {
        rc = recv_archive(hostname, dirname, from, to);
    } catch (...) {
        rc = ERR_FILE_CREATION;
    }
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_recv_vend_storico -- end  : count='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text));
    return rc;
}

}  // extern "C"
