// BRISAL.dll as a host program sees it: load hook, trace file, exports
// called through GetProcAddress.

#include "testutil.h"

#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

namespace {

typedef char*(__stdcall* GetErrFn)(int, char*);
typedef char*(__stdcall* GetVerFn)(char*);
typedef int(__stdcall* PingFn)(const char*, int);

const char kVersion[] = "BRISAL V1.4 del 29/01/2013";

std::string trace_path() { return testutil::exe_folder() + "\\ecrlog.txt"; }

class Library {
public:
    Library() : module_(LoadLibraryA("BRISAL.dll")) {}
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool loaded() const { return module_ != nullptr; }
    HMODULE handle() const { return module_; }
    template <typename Fn> Fn get(const char* name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// The trace's timestamp and blank, and the program folder, as patterns.
const std::string kTimestamp = R"(\d\d:\d\d:\d\d:\d\d\d )";
std::string folder_pattern()
{
    return std::regex_replace(testutil::exe_folder(), std::regex(R"([\\.^$|()\[\]{}*+?])"),
                              R"(\$&)");
}

DWORD WINAPI do_nothing(LPVOID) { return 0; }

using testutil::count_of;

TEST(Trace, NothingIsWrittenWithoutEcrTrace)
{
    testutil::ScopedEnv trace("ECR_TRACE", nullptr);
    DeleteFileA(trace_path().c_str());
    Library lib;
    ASSERT_TRUE(lib.loaded());
    char text[25];
    lib.get<GetErrFn>("ecr_get_err")(-6, text);
    EXPECT_STREQ("ERR_TIMEOUT", text);
    EXPECT_FALSE(testutil::file_exists(trace_path()));
}

TEST(Trace, LinesCarryTimestampNameAndQuotedValues)
{
    testutil::ScopedEnv trace("ECR_TRACE", "");  // present, even empty
    Library lib;
    ASSERT_TRUE(lib.loaded());
    char text[25];
    char* back = lib.get<GetErrFn>("ecr_get_err")(-21, text);
    EXPECT_EQ(text, back);
    EXPECT_STREQ("ECR_ERR_PORT_NOT_VALID", text);
    char version[32];
    EXPECT_EQ(version, lib.get<GetVerFn>("ecr_get_ver")(version));

    auto lines = testutil::lines_of(testutil::read_file(trace_path()));
    const std::string& ts = kTimestamp;
    const std::string hex = "0x[0-9A-F]{8}";
    const std::regex expected[] = {
        std::regex(ts + "DllMain -- versione='BRISAL V1\\.4 del 29/01/2013'"),
        std::regex(ts + "DllMain -- PROCESS_ATTACH: hInst='" + hex + "' esito='1' dirname='" +
                   folder_pattern() + "' esito_sock='0'"),
        std::regex(ts + "ecr_get_err -- begin: esito='-21' errptr='" + hex + "'"),
        std::regex(ts + "ecr_get_err -- end  : errptr='ECR_ERR_PORT_NOT_VALID'"),
        std::regex(ts + "ecr_get_ver -- begin: verptr='" + hex + "'"),
        std::regex(ts + "ecr_get_ver -- end  : verptr='BRISAL V1\\.4 del 29/01/2013'"),
    };
    // Thread notifications of the host's own threads may interleave.
    std::vector<std::string> own;
    for (const auto& line : lines)
        if (line.find("THREAD_") == std::string::npos)
            own.push_back(line);
    ASSERT_EQ(std::size(expected), own.size()) << testutil::read_file(trace_path());
    for (size_t i = 0; i < own.size(); ++i)
        EXPECT_TRUE(std::regex_match(own[i], expected[i])) << "line " << i << ": " << own[i];
}

TEST(Trace, LoadingAgainStartsAFreshTrace)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    {
        Library first;
        ASSERT_TRUE(first.loaded());
        char text[25];
        first.get<GetErrFn>("ecr_get_err")(-1, text);
    }
    std::string afterFirst = testutil::read_file(trace_path());
    EXPECT_EQ(1, count_of(afterFirst, "PROCESS_DETACH"));
    {
        Library second;
        ASSERT_TRUE(second.loaded());
        std::string text = testutil::read_file(trace_path());
        EXPECT_EQ(1, count_of(text, "versione="));
        EXPECT_EQ(0, count_of(text, "ecr_get_err"));
        EXPECT_EQ(0, count_of(text, "PROCESS_DETACH"));
    }
}

// A program that ends with the library loaded: the detach line still says
// Winsock is stopped, as the attach line says it started.
TEST(Trace, AttachAndProcessEndDetachLines)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    DeleteFileA(trace_path().c_str());
    ASSERT_EQ(0, testutil::run_program("\"" + testutil::exe_folder() + "\\brisal_exit.exe\""));

    const std::string& ts = kTimestamp;
    const std::string rest = R"(: hInst='0x[0-9A-F]{8}' esito='1' dirname='[^']+' esito_sock=')";
    const struct { const char* reason; const char* sock; } rows[] = {
        {"PROCESS_ATTACH", "0"},
        {"PROCESS_DETACH", "-1"},
    };
    std::vector<std::string> seen;
    for (const std::string& line : testutil::lines_of(testutil::read_file(trace_path())))
        if (line.find("DllMain -- PROCESS_") != std::string::npos)
            seen.push_back(line);
    ASSERT_EQ(std::size(rows), seen.size()) << testutil::read_file(trace_path());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(rows[i].reason);
        EXPECT_TRUE(std::regex_match(seen[i], std::regex(ts + "DllMain -- " + rows[i].reason +
                                                          rest + rows[i].sock + "'")))
            << seen[i];
    }
}

// A thread of the host that starts and ends while the library is loaded
// leaves an attach and a detach line, each reason padded to its width.
TEST(Trace, ThreadAttachAndDetachLines)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    Library lib;
    ASSERT_TRUE(lib.loaded());
    const std::string before = testutil::read_file(trace_path());
    HANDLE thread = CreateThread(nullptr, 0, do_nothing, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    const std::string text = testutil::read_file(trace_path());
    ASSERT_EQ(0u, text.find(before));
    const std::string added = text.substr(before.size());

    for (const char* reason : {"THREAD_ATTACH ", "THREAD_DETACH "}) {
        SCOPED_TRACE(reason);
        const std::regex line(kTimestamp + "DllMain -- " + reason +
                              R"(: hInst='0x[0-9A-F]{8}' esito='1' dirname=')" + folder_pattern() +
                              "' esito_sock='0'");
        int seen = 0;
        for (const std::string& l : testutil::lines_of(added))
            seen += std::regex_match(l, line) ? 1 : 0;
        EXPECT_GE(seen, 1) << added;
    }
}

TEST(Exports, VersionTextAndDebugSwitchWithoutDebugger)
{
    // Without a debugger attached ECR_DEBUG must not break into nothing.
    testutil::ScopedEnv debug("ECR_DEBUG", "1");
    Library lib;
    ASSERT_TRUE(lib.loaded());
    char version[40];
    std::memset(version, 'x', sizeof version);
    lib.get<GetVerFn>("ecr_get_ver")(version);
    EXPECT_STREQ(kVersion, version);
    EXPECT_EQ('x', version[sizeof kVersion]);  // nothing written past the NUL
}

TEST(Exports, NullBuffersAreNotTouched)
{
    Library lib;
    ASSERT_TRUE(lib.loaded());
    EXPECT_EQ(nullptr, lib.get<GetErrFn>("ecr_get_err")(-3, nullptr));
    EXPECT_EQ(nullptr, lib.get<GetVerFn>("ecr_get_ver")(nullptr));
    // A NULL host is the default register: a code, never a crash.
    int rc = lib.get<PingFn>("ecr_ping")(nullptr, 1);
    EXPECT_LT(rc, 0);
}

// Calls fn with n int-sized arguments and answers how far the stack pointer
// moved across the call: 0 for a function that pops its own arguments.
extern "C" int stack_delta_calln(void* fn, const int* args, int n);
asm(".text\n"
    ".globl _stack_delta_calln\n"
    "_stack_delta_calln:\n"
    "  push %ebx\n"
    "  push %esi\n"
    "  mov %esp, %ebx\n"
    "  mov 12(%esp), %eax\n"   // fn
    "  mov 16(%esp), %esi\n"   // args
    "  mov 20(%esp), %ecx\n"   // n
    "1:\n"
    "  test %ecx, %ecx\n"
    "  jz 2f\n"
    "  push -4(%esi,%ecx,4)\n" // the last argument first
    "  dec %ecx\n"
    "  jmp 1b\n"
    "2:\n"
    "  call *%eax\n"
    "  mov %esp, %eax\n"
    "  sub %ebx, %eax\n"
    "  mov %ebx, %esp\n"
    "  pop %esi\n"
    "  pop %ebx\n"
    "  ret\n");

TEST(Exports, EveryFunctionPopsItsOwnArguments)
{
    Library lib;
    ASSERT_TRUE(lib.loaded());
    char buf[64] = "";
    char buf2[64] = "";
    unsigned char oro[32] = {1, 1, 20, 0, 0, 0};
    auto p = [](const void* q) { return static_cast<int>(reinterpret_cast<INT_PTR>(q)); };
    const int bad = p("0.0.0.0");  // refused before any traffic
    const int missing = p("no-such-file.txt");
    const int folder = p(".");
    // Each export with arguments that end it at once, as many as its .def size says.
    const struct {
        const char* name;
        std::vector<int> args;
    } rows[] = {
        {"ecr_command", {bad, missing, 0, p(buf), sizeof buf}},
        {"ecr_conn_xonxoff_ntw", {bad}},
        {"ecr_conn_xonxoff_ser", {999, 9, 0}},
        {"ecr_date_decode", {1, 1, 20}},
        {"ecr_dates_decode", {1, 1}},
        {"ecr_disc_xonxoff_ntw", {-1}},
        {"ecr_disc_xonxoff_ser", {999}},
        {"ecr_enum_port_ser", {p(buf)}},
        {"ecr_file_xonxoff_ntw", {-1, missing}},
        {"ecr_file_xonxoff_ser", {999, missing}},
        {"ecr_get_err", {-3, p(buf)}},
        {"ecr_get_status", {bad, 0, 0}},
        {"ecr_get_status_new", {bad, p(buf), p(buf2)}},
        {"ecr_get_ver", {p(buf)}},
        {"ecr_oro_2long", {p(oro)}},
        {"ecr_oro_2struct", {0, p(oro)}},
        {"ecr_oro_check", {1, 1, 20, 0, 0, 0}},
        {"ecr_oro_decode", {1, 1, 20, 0, 0, 0}},
        {"ecr_oro_encode", {0, p(buf)}},
        {"ecr_ping", {bad, 1}},
        {"ecr_recv_clienti_all", {bad, missing}},
        {"ecr_recv_clienti_mod", {bad, missing}},
        {"ecr_recv_fatture", {bad, missing}},
        {"ecr_recv_plu_all", {bad, missing}},
        {"ecr_recv_plu_mod", {bad, missing}},
        {"ecr_recv_reparti_all", {bad, missing}},
        {"ecr_recv_reparti_mod", {bad, missing}},
        {"ecr_recv_vend_corrente", {bad, folder}},
        {"ecr_recv_vend_storico", {bad, folder, 2, 1, 20, 1, 1, 20}},
        {"ecr_recv_xonxoff_ntw", {-1, p(buf), 0, 1}},
        {"ecr_recv_xonxoff_ser", {999, p(buf), 0, 1}},
        {"ecr_send_clienti", {bad, missing}},
        {"ecr_send_plu", {bad, missing}},
        {"ecr_send_reparti", {bad, missing}},
        {"ecr_send_xonxoff_ntw", {-1, p("")}},
        {"ecr_send_xonxoff_ser", {999, p("")}},
        {"ecr_time_decode", {1, 2, 3}},
        {"ecr_times_decode", {1, 2}},
    };
    EXPECT_EQ(38u, std::size(rows));  // every function; ecr_files_list is data
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        void* fn = reinterpret_cast<void*>(GetProcAddress(lib.handle(), row.name));
        ASSERT_NE(nullptr, fn);
        EXPECT_EQ(0, stack_delta_calln(fn, row.args.data(), static_cast<int>(row.args.size())));
    }
}

TEST(Winsock, HostProgramsOwnStartSurvivesLoadAndUnload)
{
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    for (int i = 0; i < 3; ++i) {
        Library lib;
        ASSERT_TRUE(lib.loaded());
    }
    // Had the library cleaned up more often than it started, our start
    // would be gone and socket() would fail with WSANOTINITIALISED.
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    EXPECT_NE(INVALID_SOCKET, s) << WSAGetLastError();
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
}

}  // namespace
