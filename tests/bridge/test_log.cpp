// The bridge log's names and texts, byte for byte, with a fixed clock.

#include "bridgelog.h"
#include "testutil.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SYSTEMTIME g_now = {2013, 3, 4, 7, 18, 5, 9, 0};
void FixedClock(SYSTEMTIME* t) { *t = g_now; }

class LogFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = SetLogClock(FixedClock);
        g_now = SYSTEMTIME{2013, 3, 4, 7, 18, 5, 9, 0};
        folder_ = std::string(xsys().GetTempFolder().c_str()) + "bridge_log_test";
        Clean();
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override
    {
        log_.Close();
        Clean();
        SetLogClock(old_);
    }
    void Clean()
    {
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((folder_ + "\\*").c_str(), &data);
        if (h != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder_ + "\\" + data.cFileName).c_str());
            while (FindNextFileA(h, &data));
            FindClose(h);
        }
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Read(const std::string& name) { return testutil::read_file(folder_ + "\\" + name); }

    LogClock old_ = nullptr;
    std::string folder_;
    BridgeLog log_;
};

const std::string kBannerHead =
    "VELK ECR Protocol - Versione 1.6 del 18/01/2013 - INIZIO ELABORAZIONE: 07/03/2013 18:05:09\r\n";

TEST(LogNames, TimestampAndFileNames)
{
    LogClock old = SetLogClock(FixedClock);
    g_now = SYSTEMTIME{2013, 3, 4, 7, 18, 5, 9, 0};
    EXPECT_EQ("07/03/2013 18:05:09", LogTimestamp());
    EXPECT_EQ("01/12/2099 00:00:00", LogTimestamp(SYSTEMTIME{2099, 12, 2, 1, 0, 0, 0, 0}));
    SetLogClock(old);
    const SYSTEMTIME t = {2013, 3, 4, 7, 8, 5, 9, 0};
    EXPECT_EQ("C:\\s\\log\\log_07032013.LOG", LogFileName("C:\\s\\log", false, t));
    EXPECT_EQ("C:\\s\\log\\log_07032013_080509.LOG", LogFileName("C:\\s\\log", true, t));
    EXPECT_EQ("L\\A_07032013_080509.TXT", ReceiptCopyName("L", "A.TXT", false, t));
    EXPECT_EQ("L\\A_X_X_07032013_080509.TXT", ReceiptCopyName("L", "A.TXT", true, t));
    EXPECT_EQ("L\\a.b_X_X_07032013_080509.c", ReceiptCopyName("L", "a.b.c", true, t));
    EXPECT_EQ("L\\NOEXT_07032013_080509", ReceiptCopyName("L", "NOEXT", false, t));
}

TEST_F(LogFiles, BannerLines)
{
    const struct {
        LogBanner banner;
        std::string rest;
    } rows[] = {
        {{0, 0, 0, 0}, ">>> La porta di comunicazione \xE8: LAN\r\n"},
        {{3, 1, 1, 1},
         ">>> La porta di comunicazione \xE8: COM3\r\n"
         ">>> L'opzione 'salva copia' \xE8 attiva\r\n"
         ">>> L'opzione 'offline' \xE8 attiva\r\n"
         ">>> L'opzione 'mostra generazione scontrino xon/xoff nel file di log' \xE8 attiva\r\n"},
        {{12, 2, 2, 2}, ">>> La porta di comunicazione \xE8: COM12\r\n"},
        {{0, 0, 0, 3},
         ">>> La porta di comunicazione \xE8: LAN\r\n"
         ">>> L'opzione 'mostra generazione scontrino xon/xoff nel file di log' \xE8 attiva\r\n"},
    };
    int second = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rest);
        g_now.wSecond = WORD(second++);
        ASSERT_TRUE(log_.Open(folder_, 1));  // one file per start
        log_.WriteBanner(row.banner);
        log_.Close();
        std::string head = kBannerHead;
        head.replace(head.size() - 4, 2, (second - 1 < 10 ? "0" : "") + std::to_string(second - 1));
        EXPECT_EQ(head + row.rest, Read("log_07032013_1805" + head.substr(head.size() - 4, 2) + ".LOG"));
    }
}

TEST_F(LogFiles, DailyLogKeepsEarlierLoads)
{
    ASSERT_TRUE(log_.Open(folder_, 0));
    log_.WriteBanner({});
    log_.Close();
    g_now.wHour = 19;
    ASSERT_TRUE(log_.Open(folder_, 0));
    log_.WriteLine("second load");
    log_.Close();
    const std::string first = kBannerHead + ">>> La porta di comunicazione \xE8: LAN\r\n";
    EXPECT_EQ(first + "second load\r\n", Read("log_07032013.LOG"));
}

TEST_F(LogFiles, ABannerBeginsOnALineOfItsOwn)
{
    const std::string banner = kBannerHead + ">>> La porta di comunicazione \xE8: LAN\r\n";
    const struct {
        const char* name;
        std::string before;
        std::string after;
    } rows[] = {
        {"a new day's file", "", banner},
        {"after a block ending without a line break", "COMPLETAMENTE ELABORATO",
         "COMPLETAMENTE ELABORATO\r\n" + banner},
        {"after a whole line", "Codice di ritorno: 0\r\n", "Codice di ritorno: 0\r\n" + banner},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA((folder_ + "\\log_07032013.LOG").c_str());
        if (!row.before.empty())
            testutil::write_file(folder_ + "\\log_07032013.LOG", row.before);
        ASSERT_TRUE(log_.Open(folder_, 0));
        log_.WriteBanner({});
        log_.Close();
        EXPECT_EQ(row.after, Read("log_07032013.LOG"));
    }
}

TEST_F(LogFiles, ReceiptBlockAndCopies)
{
    ASSERT_TRUE(log_.Open(folder_, 0));
    WriteReceiptOutputs(log_, folder_, "SCO1.TXT", {"VEND A=1", "CHIUSURA"},
                        "RIGA 1 - OPZIONE IGNORATA: A\r\n", "\r\n1T", 1);
    g_now.wSecond = 10;
    // No messages: no block, no copy, but the generated text when asked.
    WriteReceiptOutputs(log_, folder_, "SCO2.TXT", {"CHIUSURA"}, "  ", "\r\n1T", 3);
    // Level bit 0 off: no "_X_X_" copy.
    WriteReceiptOutputs(log_, folder_, "SCO3.TXT", {"X"}, "RIGA 1 - COMANDO SCONOSCIUTO: X", "\r\n1T", 2);
    log_.Close();
    const std::string dashes(80, '-');
    EXPECT_EQ("\r\n" + dashes + "\r\nELABORAZIONE SCONTRINO - 07/03/2013 18:05:09 - FILE: SCO1.TXT\r\n"
              "RIGA 1 - OPZIONE IGNORATA: A\r\n"
              "\r\n" + dashes + "\r\nELABORAZIONE SCONTRINO - 07/03/2013 18:05:10 - FILE: SCO3.TXT\r\n"
              "RIGA 1 - COMANDO SCONOSCIUTO: X",
              Read("log_07032013.LOG"));
    EXPECT_EQ("VEND A=1\r\nCHIUSURA\r\n", Read("SCO1_07032013_180509.TXT"));
    EXPECT_EQ("\r\n1T", Read("SCO1_X_X_07032013_180509.TXT"));
    EXPECT_FALSE(testutil::file_exists(folder_ + "\\SCO2_07032013_180510.TXT"));
    EXPECT_EQ("\r\n1T", Read("SCO2_X_X_07032013_180510.TXT"));
    EXPECT_EQ("X\r\n", Read("SCO3_07032013_180510.TXT"));
    EXPECT_FALSE(testutil::file_exists(folder_ + "\\SCO3_X_X_07032013_180510.TXT"));
}

TEST_F(LogFiles, CopiesOfTheSameSecondReplaceEachOther)
{
    ASSERT_TRUE(log_.Open(folder_, 0));
    WriteReceiptOutputs(log_, folder_, "A.TXT", {"first", "long line"}, "m", "", 0);
    WriteReceiptOutputs(log_, folder_, "A.TXT", {"2nd"}, "m", "", 0);
    EXPECT_EQ("2nd\r\n", Read("A_07032013_180509.TXT"));
}

TEST_F(LogFiles, MissingFolderIsNoFailureOfTheCaller)
{
    const std::string missing = folder_ + "\\missing";
    EXPECT_FALSE(log_.Open(missing, 0));
    EXPECT_FALSE(log_.WriteLine("x"));
    EXPECT_NO_THROW(log_.WriteBanner({}));
    EXPECT_NO_THROW(WriteReceiptOutputs(log_, missing, "A.TXT", {"x"}, "m", "g", 1));
    EXPECT_FALSE(log_.IsOpen());
    EXPECT_FALSE(testutil::file_exists(missing)) << "no folder is made for the copies";
}

}  // namespace
