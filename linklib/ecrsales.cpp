// Current and archived sales of the register as CSV files.

#include "ecrsales.h"
#include "brisal.h"
#include "ecr_result.h"
#include "ecrcmd.h"
#include "ecrdate.h"
#include "ecrnet.h"
#include "ecrpace.h"
#include "ecrsalescsv.h"
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

// Set-up mode around the sales transfers: entered through the idle gate
// unless the register is in it already, and left again by whoever entered
// it, also after a failure, so the register never stays closed to receipts.
class SetupSession {
public:
    explicit SetupSession(const char* hostname) : hostname_(hostname) {}
    ~SetupSession()
    {
        if (entered_)
            ecr_setup_mode(hostname_, false);
    }
    SetupSession(const SetupSession&) = delete;
    SetupSession& operator=(const SetupSession&) = delete;

    // Resolves the host into `*ip`, passes the gate, enters set-up mode.
    int begin(uint32_t* ip)
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

    // Leaves set-up mode when it was entered here. A failure to leave
    // becomes the result only when `result` was a success.
    int end(int result)
    {
        if (!entered_)
            return result;
        entered_ = false;
        int rc = ecr_setup_mode(hostname_, false);
        return result >= 0 && rc != 0 ? rc : result;
    }

private:
    const char* hostname_;
    bool entered_ = false;
};

// A section's CSV text as its file; an empty text writes nothing.
bool write_csv(const std::string& path, const std::string& text)
{
    return text.empty() || ecr_write_file(path.c_str(), text.data(), text.size());
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
        rc = ecr_wait_cmd_done(ip, ecr_pace.busy_poll_ms);
    if (rc == 0)
        rc = tftp_get(ip, status);
    if (rc != 0)
        return rc;
    std::vector<uint8_t> data;
    SalesFileInfo info;
    if (!ecr_read_file(status, data) || data.size() != SALES_BLOCK || !sales_header(data, &info))
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
// `count` is the days converted before it, for the day's trace line.
int fetch_day(uint32_t ip, const char* dirname, uint32_t day, int count)
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
            ecr_timestamp(), path, count + (result > 0 ? 1 : 0), ecr_err_text(rc, text));
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
        int one = fetch_day(ip, dirname, day, count);
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
    bool read = ecr_read_file(pathname, data);
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
