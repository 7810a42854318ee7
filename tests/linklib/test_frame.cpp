// Result texts, program folder, host resolution and ICMP echo, linked from
// the library's own objects.

#include "ecr_result.h"
#include "ecrnet.h"
#include "ecrtrace.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class Winsock : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, ecr_winsock_start()); }
    void TearDown() override { ecr_winsock_stop(); }
};

TEST(ResultText, EveryCodeHasItsName)
{
    const struct { int code; const char* name; } rows[] = {
        {-1, "ERR_SOCKET_LIBRARY"},        {-2, "ERR_HOSTNAME_NON_RISOLTO"},
        {-3, "ERR_INVALID_IP_ADDRESS"},    {-4, "ERR_SOCKET_OPEN"},
        {-5, "ERR_RETE_NON_DISP"},         {-6, "ERR_TIMEOUT"},
        {-7, "ERR_TRANSFER_FAILED"},       {-8, "ERR_INVALID_REQUEST_ID"},
        {-9, "ERR_INVALID_FILENAME"},      {-10, "ERR_FILE_NOT_FOUND"},
        {-11, "ERR_INVALID_FILESIZE"},     {-12, "ERR_FILE_CREATION"},
        {-13, "ERR_REG_IN_ERRORE"},        {-14, "ERR_REG_NON_DISP"},
        {-15, "ERR_CONNECT_GIA_IN_CORSO"}, {-16, "ERR_CONNECT_FAILED"},
        {-17, "ERR_CONNECT_CLOSED"},       {-18, "ECR_ERR_PARAMETRI"},
        {-19, "ECR_ERR_REG_NON_ATTIVO"},   {-20, "ECR_ERR_BAUD_NOT_VALID"},
        {-21, "ECR_ERR_PORT_NOT_VALID"},
    };
    ASSERT_EQ(21, ecr_err_count);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        char text[ECR_ERR_TEXT_SIZE];
        EXPECT_STREQ(row.name, ecr_err_text(row.code, text));
    }
}

TEST(ResultText, OutsideTheTableIsTheNumber)
{
    for (int code : {0, 5, 1234, -22, -100, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(code);
        char text[ECR_ERR_TEXT_SIZE];
        EXPECT_EQ(std::to_string(code), ecr_err_text(code, text));
    }
}

// The folder of the running image as the process itself reports it, which
// does not go through the module list that the library reads.
std::string image_folder()
{
    char image[MAX_PATH];
    DWORD size = sizeof image;
    if (!QueryFullProcessImageNameA(GetCurrentProcess(), 0, image, &size))
        return "QueryFullProcessImageNameA failed: " + std::to_string(GetLastError());
    std::string path(image, size);
    return path.substr(0, path.find_last_of('\\'));
}

TEST(ProgramFolder, IsTheExecutablesFolder)
{
    ecr_init_dirname();
    const std::string folder = image_folder();
    EXPECT_EQ(folder, ecr_dirname());

    char path[ECR_MAX_PATH];
    ASSERT_TRUE(ecr_path(path, "COMMAND.TXT"));
    EXPECT_EQ(folder + "\\COMMAND.TXT", path);

    std::string tooLong(ECR_MAX_PATH, 'x');
    EXPECT_FALSE(ecr_path(path, tooLong.c_str()));
}

TEST(FileSize, CountsBytesAndMissingIsMinusOne)
{
    std::string path = testutil::exe_folder() + "\\frame_size.bin";
    testutil::write_file(path, std::string("ab\0cd", 5));
    EXPECT_EQ(5, ecr_file_size(path.c_str()));
    DeleteFileA(path.c_str());
    EXPECT_EQ(-1, ecr_file_size(path.c_str()));
    EXPECT_EQ(-1, ecr_file_size(nullptr));
}

TEST_F(Winsock, DottedAddressesAreCheckedNotLookedUp)
{
    const struct { const char* host; int rc; uint32_t ip; } rows[] = {
        {"127.0.0.1", 0, 0x0100007F},
        {"10.1.2.3", 0, 0x0302010A},
        {"192.168.1.300", ERR_INVALID_IP_ADDRESS, INADDR_NONE},
        {"0.0.0.0", ERR_INVALID_IP_ADDRESS, INADDR_NONE},
        {"255.255.255.255", ERR_INVALID_IP_ADDRESS, INADDR_NONE},
        // A leading digit is never a name: inet_addr refuses it.
        {"1localhost", ERR_INVALID_IP_ADDRESS, INADDR_NONE},
        {"-x", ERR_INVALID_IP_ADDRESS, INADDR_NONE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.host);
        uint32_t ip = 0;
        EXPECT_EQ(row.rc, ecr_resolve_host(row.host, &ip));
        EXPECT_EQ(row.ip, ip);
    }
}

TEST_F(Winsock, NamesAreLookedUp)
{
    uint32_t ip = 0;
    EXPECT_EQ(0, ecr_resolve_host("localhost", &ip));
    EXPECT_EQ(0x0100007Fu, ip);

    int rc = ecr_resolve_host("no-such-register.invalid", &ip);
    EXPECT_TRUE(rc == ERR_HOSTNAME_NON_RISOLTO || rc == ERR_RETE_NON_DISP) << rc;
    EXPECT_EQ(INADDR_NONE, ip);
}

TEST_F(Winsock, MissingHostMeansTheDefaultRegister)
{
    uint32_t ipDefault = 0, ip = 0;
    int rcDefault = ecr_resolve_host(ecr_default_host, &ipDefault);
    for (const char* host : {(const char*)nullptr, "", "@", "@anything"}) {
        SCOPED_TRACE(host ? host : "(null)");
        EXPECT_EQ(rcDefault, ecr_resolve_host(host, &ip));
        EXPECT_EQ(ipDefault, ip);
    }
}

TEST_F(Winsock, OverlongHostsAreRefusedWhole)
{
    uint32_t ip = 0;
    EXPECT_EQ(ERR_HOSTNAME_NON_RISOLTO, ecr_resolve_host(std::string(4000, 'a').c_str(), &ip));
    EXPECT_EQ(ERR_INVALID_IP_ADDRESS, ecr_resolve_host(std::string(4000, '1').c_str(), &ip));
}

TEST(WinsockState, ResolutionRefusesWithoutWinsock)
{
    ecr_winsock_stop();
    uint32_t ip = 0;
    EXPECT_EQ(ERR_SOCKET_LIBRARY, ecr_resolve_host("127.0.0.1", &ip));
    EXPECT_EQ(-1, ecr_winsock_state());
}

// ICMP echo needs raw sockets: the suite runs as root, as the README says.
TEST_F(Winsock, PingOfTheLiveLoopbackAnswers)
{
    uint32_t ip = 0;
    ASSERT_EQ(0, ecr_resolve_host("127.0.0.1", &ip));
    EXPECT_EQ(0, ecr_icmp_ping(ip, 2))
        << "no echo from 127.0.0.1: ICMP needs raw sockets, run the tests as root";
}

TEST_F(Winsock, PingOfASilentAddressTimesOutInBoundedTime)
{
    // The test runner drops ICMP to this loopback address (tools/lanes.sh).
    const char* silent = std::getenv("ECR_TEST_SILENT_HOST");
    ASSERT_TRUE(silent && *silent)
        << "ECR_TEST_SILENT_HOST is not set: tools/lanes.sh installs an iptables rule that "
           "drops ICMP echo to 127.77.0.1, which needs root";
    uint32_t ip = 0;
    ASSERT_EQ(0, ecr_resolve_host(silent, &ip));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ERR_TIMEOUT, ecr_icmp_ping(ip, 1));
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Three tries of one second each, nothing more.
    EXPECT_GE(seconds, 2.5);
    EXPECT_LT(seconds, 10.0);
}

}  // namespace
