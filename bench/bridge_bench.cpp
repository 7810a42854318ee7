// The register side of the bridge benchmark (bench/bridge.sh): runs the
// simulated register on 127.0.0.1 in this process, drops receipts one at a
// time into the shared folder that a running VARNESK.exe polls and times
// each one from the moment its file appears to the register's answer to its
// last piece. Then the register stays up (the bridge idles against a
// reachable register) until the stop file appears. Once the suspend file
// appears the register's status says 'V' (busy with a receipt of its own),
// which keeps a bridge with a waiting receipt suspended and retrying; its
// removal ends the measured window, and "<suspend-file>.resume" makes the
// register available again.
//   bridge_bench.exe <shared-folder> <stop-file> <polltime> <receipts> [<suspend-file>]

#include "bench_util.h"
#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kProg[] = "bridge_bench";
const char kAddress[] = "127.0.0.1";
// The first receipt waits for the bridge to start, which under emulation
// takes a while; the measured ones should take well under a second.
const double kFirstLimitS = 240;
const double kReceiptLimitS = 30;

struct Receipt {
    std::string name;
    std::string text;
    std::string price;  // unique in its first piece: tells our receipt from a stray one
};

Receipt make_receipt(char prefix, int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "%c%04d.TXT", prefix, number);
    std::string price = std::to_string(1000 + number);
    return {name, "VEND REP=1,PREZZO=" + price + "\r\nCHIUSURA\r\n", price};
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Writes the receipt under a name the bridge ignores and renames it into
// place, so it appears whole; *at is the moment just before the rename.
bool place(const std::string& folder, const Receipt& r, double* at)
{
    std::string final_path = folder + "\\" + r.name;
    std::string temp_path = final_path.substr(0, final_path.size() - 4) + ".tmp";
    if (!bench::write_file(temp_path, r.text))
        return false;
    *at = bench::now_s();
    return MoveFileA(temp_path.c_str(), final_path.c_str()) != 0;
}

// The bridge deletes the file once the receipt is done (Backup=0).
bool wait_gone(const std::string& path, double limit_s)
{
    double end = bench::now_s() + limit_s;
    while (exists(path)) {
        if (bench::now_s() > end)
            return false;
        Sleep(2);
    }
    return true;
}

std::string visible(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

class Driver {
public:
    Driver(std::string folder, int polltime) : folder_(std::move(folder)), polltime_(polltime) {}

    bool start();
    bool warm_up();
    bool measure(int count);
    void hold(const std::string& stop_file, const std::string& suspend_file);

private:
    // One receipt: milliseconds from its appearance to the bridge's first
    // status request and to the register's answer to each piece.
    bool run_receipt(const Receipt& r, double limit_s, double* pickup,
                     std::vector<double>* answers);
    bool wait_status_request(double end);

    std::string folder_;
    int polltime_;
    ecrsim::SimRegister reg_;
    ecrsim::SimTftpServer tftp_{reg_};
    ecrsim::SimTcpPeer tcp_{reg_};
    std::size_t pieces_ = 0;  // pieces per receipt, seen on the first one
};

bool Driver::start()
{
    // A test run of the shared prefix may still hold UDP 500 / TCP 1723.
    for (int i = 0; i < 60; ++i) {
        if (tftp_.running() || tftp_.start(kAddress)) {
            if (tcp_.start(kAddress)) {
                bench::note(kProg, std::string("register on ") + kAddress);
                return true;
            }
        }
        Sleep(500);
    }
    bench::note(kProg, "register not started (UDP 500 / TCP 1723 taken?) " + tftp_.lastError());
    return false;
}

// The bridge asks for the register's status (over the file channel) as soon
// as its pass has read a receipt: the moment the polling lets it see one.
bool Driver::wait_status_request(double end)
{
    while (tftp_.countEvents("WRQ") + tftp_.countEvents("RRQ") == 0) {
        if (bench::now_s() > end)
            return false;
        Sleep(1);
    }
    return true;
}

bool Driver::run_receipt(const Receipt& r, double limit_s, double* pickup,
                         std::vector<double>* answers)
{
    std::size_t base = tcp_.chunks().size();
    std::size_t want = pieces_ ? pieces_ : 1;
    tftp_.clearEvents();
    double appeared = 0;
    if (!place(folder_, r, &appeared)) {
        bench::note(kProg, "cannot write " + r.name);
        return false;
    }
    double end = appeared + limit_s;
    if (!wait_status_request(end)) {
        bench::note(kProg, r.name + ": no status request");
        return false;
    }
    *pickup = (bench::now_s() - appeared) * 1000;
    // Pieces come at least the simulator's end-of-piece quiet apart (the
    // bridge waits for each answer), so waking on each one in turn misses none.
    for (std::size_t j = 1; j <= want; ++j) {
        int ms = int((end - bench::now_s()) * 1000);
        if (ms <= 0 || !tcp_.waitChunks(base + j, ms)) {
            bench::note(kProg, r.name + ": no answer for piece " + std::to_string(j));
            return false;
        }
        answers->push_back((bench::now_s() - appeared) * 1000);
    }
    if (!wait_gone(folder_ + "\\" + r.name, end - bench::now_s()) ||
        !tcp_.waitHost(false, 10000)) {
        bench::note(kProg, r.name + ": the bridge did not finish it");
        return false;
    }
    std::vector<ecrsim::TcpChunk> chunks = tcp_.chunks();
    if (pieces_ == 0) {
        pieces_ = chunks.size() - base;  // the whole receipt is in now
        for (std::size_t j = base; j < chunks.size(); ++j)
            bench::note(kProg, "wire: piece " + std::to_string(j - base + 1) + ": " +
                                   visible(chunks[j].bytes));
    }
    if (chunks.size() != base + pieces_ || chunks[base].bytes.find(r.price) == std::string::npos) {
        bench::note(kProg, r.name + ": the register saw other pieces (another bridge on 127.0.0.1?)");
        return false;
    }
    return true;
}

bool Driver::warm_up()
{
    std::vector<double> answers;
    double pickup = 0;
    if (!run_receipt(make_receipt('W', 0), kFirstLimitS, &pickup, &answers))
        return false;
    // Includes the bridge's own start when it was started just before.
    bench::result(kProg, "startup_s", answers.back() / 1000);
    if (pieces_ == 0) {
        bench::note(kProg, "the first receipt reached the register without pieces");
        return false;
    }
    return true;
}

// The next receipt appears at a different point of the bridge's sleep each
// time, so the pick-up waits spread over the whole polling interval.
bool Driver::measure(int count)
{
    const double interval_ms = polltime_ * 20.0;
    std::vector<double> pickups, first, last;
    for (int i = 1; i <= count; ++i) {
        double phase = (i * 0.618034) - int(i * 0.618034);
        Sleep(DWORD(5 + phase * interval_ms));
        std::vector<double> answers;
        double pickup = 0;
        if (!run_receipt(make_receipt('R', i), kReceiptLimitS, &pickup, &answers))
            return false;
        pickups.push_back(pickup);
        first.push_back(answers.front());
        last.push_back(answers.back());
        char line[160];
        std::snprintf(line, sizeof line,
                      "receipt %d: status_request_ms=%.1f first_answer_ms=%.1f last_answer_ms=%.1f",
                      i, pickup, answers.front(), answers.back());
        bench::note(kProg, line);
    }
    bench::result(kProg, "interval_ms", interval_ms);
    bench::result(kProg, "receipts", count);
    bench::result(kProg, "pieces", double(pieces_));
    bench::result(kProg, "quiet_ms", ecrsim::SimTcpPeer::kQuietMs);
    bench::result(kProg, "last_min_ms", bench::best(last));
    bench::result(kProg, "last_median_ms", bench::median(last));
    bench::result(kProg, "last_max_ms", *std::max_element(last.begin(), last.end()));
    bench::result(kProg, "first_median_ms", bench::median(first));
    bench::result(kProg, "pickup_min_ms", bench::best(pickups));
    bench::result(kProg, "pickup_median_ms", bench::median(pickups));
    bench::result(kProg, "pickup_max_ms", *std::max_element(pickups.begin(), pickups.end()));
    return true;
}

// The suspend file marks the window of the suspended measurement; 'V'
// stays after it, until the resume file appears.
void Driver::hold(const std::string& stop_file, const std::string& suspend_file)
{
    bench::note(kProg, "holding: register up until the stop file appears");
    double window_start = 0;
    int infos_at = 0, connections_at = 0;
    bool window_done = false, resumed = false;
    while (!exists(stop_file)) {
        if (window_done && !resumed && exists(suspend_file + ".resume")) {
            reg_.setState('I');
            resumed = true;
            bench::note(kProg, "register state I");
        }
        bool marked = !suspend_file.empty() && exists(suspend_file);
        if (marked && window_start == 0) {
            reg_.setState('V');
            window_start = bench::now_s();
            infos_at = reg_.infoCount();
            connections_at = tcp_.connections();
            bench::note(kProg, "register state V");
        } else if (!marked && window_start != 0 && !window_done) {
            // How often the suspended bridge asked: its retry cadence.
            bench::result(kProg, "v_seconds", bench::now_s() - window_start);
            bench::result(kProg, "v_status_requests", reg_.infoCount() - infos_at);
            bench::result(kProg, "v_host_connections", tcp_.connections() - connections_at);
            window_done = true;
        }
        Sleep(50);
    }
    bench::result(kProg, "status_requests", reg_.infoCount());
    bench::result(kProg, "host_connections", tcp_.connections());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: bridge_bench <shared-folder> <stop-file> <polltime> <receipts> "
                             "[<suspend-file>]\n");
        return 2;
    }
    try {
        int polltime = std::atoi(argv[3]);
        int receipts = std::atoi(argv[4]);
        if (polltime <= 0 || receipts <= 0) {
            std::fprintf(stderr, "bridge_bench: polltime and receipts must be above 0\n");
            return 2;
        }
        Driver driver(argv[1], polltime);
        if (!driver.start())
            return 1;
        bool ok = driver.warm_up() && driver.measure(receipts);
        // The register stays up even after a failure: the script ends the
        // bridge first and then stops us with the stop file.
        driver.hold(argv[2], argc > 5 ? argv[5] : "");
        return ok ? 0 : 1;
    } catch (...) {
        std::fprintf(stderr, "bridge_bench: unexpected failure\n");
        return 1;
    }
}
