#pragma once
// What the benchmark programs share: a clock, the program folder, files,
// a full article table and the plain result lines run.sh reads.

#include "sim_tables.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

// The XON/XOFF stream measured: 1 MB in the library's 512-byte pieces.
const std::size_t kStreamBytes = 1024 * 1024;
const std::size_t kPieceBytes = 512;

// Seconds from the performance counter.
inline double now_s()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline std::string exe_folder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    std::size_t cut = s.find_last_of('\\');
    return cut == std::string::npos ? "." : s.substr(0, cut);
}

inline std::string local_path(const std::string& name) { return exe_folder() + "\\" + name; }

inline std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline bool write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double best(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

// One result line: "<program>: <key>=<value>", what run.sh picks up.
inline void result(const char* program, const char* key, double value)
{
    std::printf("%s: %s=%.3f\n", program, key, value);
    std::fflush(stdout);
}

inline void note(const char* program, const std::string& text)
{
    std::printf("%s: %s\n", program, text.c_str());
    std::fflush(stdout);
}

// Under run.sh's system-call count (BENCH_SYSCALLS set) a measurement runs
// once, between two marker lines that the count looks for, and a file
// transfer moves the first kCountBytes of its file only: under strace the
// whole file takes many minutes, and the count per block is the same.
const std::size_t kCountBytes = 1280000;
inline bool counting() { return std::getenv("BENCH_SYSCALLS") != nullptr; }
inline int rounds(int normal) { return counting() ? 1 : normal; }
inline std::string counted_part(const std::string& file)
{
    return counting() ? file.substr(0, kCountBytes) : file;
}
// The markers; the end names how many blocks or pieces the count covers.
inline void mark_begin(const char* label)
{
    if (counting())
        note("bench-mark", std::string("begin ") + label);
}
inline void mark_end(const char* label, std::size_t units)
{
    if (counting())
        note("bench-mark", std::string("end ") + label + " " + std::to_string(units));
}
// DATA blocks of a TFTP transfer (the last one short, maybe empty), and
// 512-byte pieces of a stream.
inline std::size_t blocks_of(std::size_t bytes) { return bytes / 512 + 1; }
inline std::size_t pieces_of(std::size_t bytes) { return (bytes + kPieceBytes - 1) / kPieceBytes; }

// A benchmark's main: what it throws becomes a note and exit code 1.
template <typename Run>
int guarded(const char* program, Run run)
{
    try {
        return run();
    } catch (const std::exception& e) {
        note(program, std::string("failed: ") + e.what());
        return 1;
    }
}

// A full PLU.BIN: every one of the 100,000 articles filled, texts of every
// length up to a full field without NUL, negative prices, a third changed.
inline std::string full_plu_image()
{
    std::vector<ecrsim::SimPlu> rows;
    rows.reserve(100000);
    for (int i = 1; i <= 100000; ++i) {
        ecrsim::SimPlu p;
        p.id = i;
        p.changed = i % 3 == 0;
        char text[40];
        std::snprintf(text, sizeof text, "ARTICOLO %d %s", i, "XXXXXXXXXXXXXXXX" + i % 17);
        p.descr = std::string(text).substr(0, 25);
        p.idReparto = 1 + i % 80;
        p.varPrezzo = i % 2;
        p.zeroSi = (i / 2) % 2;
        p.prezzo = (i * 37) % 100000 - 500;
        std::snprintf(text, sizeof text, "800%011d", i * 7);
        p.codiceEan = i % 5 == 0 ? std::string() : std::string(text).substr(0, 13 + i % 2);
        rows.push_back(p);
    }
    return ecrsim::buildPlu(rows);
}

}  // namespace bench
