// Reads a whole 6,400,000-byte PLU.BIN through the library's file channel,
// and with the register in this program puts it back, and prints how long
// each took.
//   bench_tftp                 register in this program, as lean as the
//                              lock-step program's peer (lean_register.h)
//   bench_tftp --external      register already serving on 127.0.0.1
//                              (ecrsim.exe with the file of --write)
//   bench_tftp --write NAME    writes the register's file into the program
//                              folder and ends

#include "bench_util.h"
#include "ecrmain.h"
#include "ecrtftp.h"
#include "lean_register.h"

#include <winsock2.h>

#include <cstring>
#include <memory>

namespace {
const char kProg[] = "bench_tftp";
const int kRounds = 3;

// Reads PLU.BIN kRounds times; the times in ms, empty after a failure.
std::vector<double> time_reads(uint32_t ip, const std::string& expected)
{
    std::vector<double> ms;
    const std::string path = bench::local_path("PLU.BIN");
    for (int round = 0; round < bench::rounds(kRounds); ++round) {
        DeleteFileA(path.c_str());
        bench::mark_begin("read");
        double t0 = bench::now_s();
        int rc = tftp_get(ip, path.c_str());
        double t1 = bench::now_s();
        bench::mark_end("read", bench::blocks_of(expected.size()));
        if (rc != 0) {
            bench::note(kProg, "tftp_get failed: " + std::to_string(rc));
            return {};
        }
        if (bench::read_file(path) != expected) {
            bench::note(kProg, "read bytes differ from the register's file");
            return {};
        }
        ms.push_back((t1 - t0) * 1000.0);
    }
    DeleteFileA(path.c_str());
    return ms;
}

// Puts the image as PLU.BIN kRounds times; the times in ms, empty after a failure.
std::vector<double> time_puts(uint32_t ip, bench::LeanTftp& reg, const std::string& image)
{
    std::vector<double> ms;
    const std::string path = bench::local_path("PLU.BIN");
    if (!bench::write_file(path, image))
        return {};
    for (int round = 0; round < bench::rounds(kRounds); ++round) {
        bench::mark_begin("put");
        double t0 = bench::now_s();
        int rc = tftp_put(ip, path.c_str());
        double t1 = bench::now_s();
        bench::mark_end("put", bench::blocks_of(image.size()));
        std::string got = reg.take();
        if (rc != 0 || got != image) {
            bench::note(kProg, "tftp_put gave " + std::to_string(rc) + ", the register holds " +
                                   std::to_string(got.size()) + " bytes");
            ms.clear();
            break;
        }
        ms.push_back((t1 - t0) * 1000.0);
    }
    DeleteFileA(path.c_str());
    return ms;
}

int run(int argc, char** argv)
{
    const std::string full = bench::full_plu_image();
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0)
        return bench::write_file(bench::local_path(argv[2]), full) ? 0 : 1;
    const std::string image = bench::counted_part(full);
    const bool external = argc == 2 && std::strcmp(argv[1], "--external") == 0;

    ecr_library_attach();
    std::unique_ptr<bench::LeanTftp> reg;
    if (!external)
        reg.reset(new bench::LeanTftp(image));
    bench::note(kProg, external ? "register: ecrsim.exe on 127.0.0.1"
                                : "register: lean peer in this program on 127.0.0.1");
    std::vector<double> ms = time_reads(inet_addr("127.0.0.1"), image);
    if (ms.empty())
        return 1;
    const char* where = external ? "external" : "inprocess";
    bench::result(kProg, (std::string(where) + "_best_ms").c_str(), bench::best(ms));
    bench::result(kProg, (std::string(where) + "_median_ms").c_str(), bench::median(ms));
    bench::result(kProg, (std::string(where) + "_MBps").c_str(),
                  image.size() / 1e6 / (bench::best(ms) / 1000.0));
    if (external)
        return 0;
    ms = time_puts(inet_addr("127.0.0.1"), *reg, image);
    if (ms.empty())
        return 1;
    bench::result(kProg, "put_best_ms", bench::best(ms));
    bench::result(kProg, "put_median_ms", bench::median(ms));
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    return bench::guarded(kProg, [&] { return run(argc, argv); });
}
