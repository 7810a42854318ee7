// The full article table (100,000 records) from the simulated register to
// CSV and back: the whole export, the transfer alone and the conversion
// alone. Leaves bench_PLU.BIN and bench_plu_lib.csv in the program folder
// for the reference converter that run.sh times beside it.

#include "bench_util.h"
#include "brisal.h"
#include "ecrcsv.h"
#include "ecrmain.h"
#include "ecrpace.h"
#include "ecrtftp.h"
#include "sim_register.h"
#include "sim_tftp.h"

#include <winsock2.h>

#include <cstdio>

namespace {
const char kProg[] = "bench_plu";
const char kHost[] = "127.0.0.1";
const int kRounds = 3;

bool check(bool ok, const std::string& what)
{
    if (!ok)
        bench::note(kProg, "FAILED: " + what);
    return ok;
}

// The whole export: set-up mode, transfer, conversion, CSV file.
bool time_recv_all(const std::string& csv)
{
    double t0 = bench::now_s();
    int n = ecr_recv_plu_all(kHost, csv.c_str());
    double t1 = bench::now_s();
    if (!check(n == PLU_COUNT, "ecr_recv_plu_all gave " + std::to_string(n)))
        return false;
    bench::result(kProg, "recv_plu_all_ms", (t1 - t0) * 1000);
    return true;
}

// The transfer alone, into the image the conversion then takes.
bool time_transfer(const std::string& expected, std::vector<uint8_t>& image)
{
    const std::string path = bench::local_path("PLU.BIN");
    DeleteFileA(path.c_str());
    double t0 = bench::now_s();
    int rc = tftp_get(inet_addr(kHost), path.c_str());
    double t1 = bench::now_s();
    std::string bytes = bench::read_file(path);
    DeleteFileA(path.c_str());
    if (!check(rc == 0 && bytes == expected, "tftp_get gave " + std::to_string(rc)))
        return false;
    bench::result(kProg, "tftp_get_ms", (t1 - t0) * 1000);
    image.assign(bytes.begin(), bytes.end());
    return true;
}

// The library's conversion of the image to CSV text, best of kRounds.
bool time_conversion(const std::vector<uint8_t>& image, const std::string& exportCsv)
{
    std::vector<double> ms;
    std::string csv;
    for (int round = 0; round < kRounds; ++round) {
        csv.clear();
        double t0 = bench::now_s();
        int n = csv_from_image(EcrTable::Plu, image, true, csv);
        double t1 = bench::now_s();
        if (!check(n == PLU_COUNT, "csv_from_image gave " + std::to_string(n)))
            return false;
        ms.push_back((t1 - t0) * 1000);
    }
    if (!check(csv == exportCsv, "conversion differs from the export's CSV") ||
        !check(bench::write_file(bench::local_path("bench_plu_lib.csv"), csv), "CSV not written"))
        return false;
    bench::result(kProg, "conversion_ms", bench::best(ms));
    bench::result(kProg, "csv_bytes", static_cast<double>(csv.size()));
    return true;
}

// A 100,000-row CSV to the register: parsing alone, then the whole export.
bool time_send(ecrsim::SimRegister& reg, const std::string& csv)
{
    FILE* in = std::fopen(csv.c_str(), "rb");
    if (!check(in != nullptr, "CSV missing"))
        return false;
    std::vector<uint8_t> image = csv_preset_image(EcrTable::Plu);
    double t0 = bench::now_s();
    CsvApplyStats stats = csv_apply(EcrTable::Plu, in, image, csv.c_str());
    double t1 = bench::now_s();
    std::fclose(in);
    if (!check(stats.applied == PLU_COUNT, "csv_apply took " + std::to_string(stats.applied)))
        return false;
    bench::result(kProg, "csv_parse_ms", (t1 - t0) * 1000);

    reg.removeFile("PLU.BIN");
    t0 = bench::now_s();
    int n = ecr_send_plu(kHost, csv.c_str());
    t1 = bench::now_s();
    std::string up;
    reg.getFile("PLU.BIN", &up);
    std::size_t differ = 0;
    while (differ < up.size() && differ < image.size() &&
           static_cast<uint8_t>(up[differ]) == image[differ])
        ++differ;
    if (!check(n == PLU_COUNT && up.size() == image.size() && differ == up.size(),
               "ecr_send_plu gave " + std::to_string(n) + ", register holds " +
                   std::to_string(up.size()) + " bytes equal up to " + std::to_string(differ)))
        return false;
    bench::result(kProg, "send_plu_ms", (t1 - t0) * 1000);
    return true;
}

int run()
{
    ecr_library_attach();
    const std::string image = bench::full_plu_image();
    if (!check(bench::write_file(bench::local_path("bench_PLU.BIN"), image), "image not written"))
        return 1;
    ecrsim::SimRegister reg;
    reg.setBusyInfos(0);
    ecr_pace.busy_poll_ms = 50;
    reg.putFile("PLU.BIN", image);
    ecrsim::SimTftpServer server(reg);
    if (!check(server.start(kHost), "simulator not started: " + server.lastError()))
        return 1;
    const std::string csv = bench::local_path("bench_plu_export.csv");
    std::vector<uint8_t> got;
    bool ok = time_recv_all(csv) && time_transfer(image, got) &&
              time_conversion(got, bench::read_file(csv)) && time_send(reg, csv);
    DeleteFileA(csv.c_str());
    return ok ? 0 : 1;
}
}  // namespace

int main()
{
    return bench::guarded(kProg, [] { return run(); });
}
