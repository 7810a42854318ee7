// The xfile additions of the control library on real files.

#include "cxtestdir.h"
#include "testutil.h"
#include "xexceptions.h"
#include "xfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void OpenFresh(xfile& f, const std::string& path)
{
    f.SetDisposition(CREATE_ALWAYS);
    ASSERT_TRUE(f.Open(path.c_str()));
}

TEST(XfileMore, HexDumpOfTwentyBytes)
{
    CxTestDir dir("hex");
    const std::string path = dir / "dump.txt";
    {
        xfile f;
        OpenFresh(f, path);
        const unsigned char data[20] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J',
                                        'K', 'L', 'M', 'N', 'O', 'P', 0x00, 0x01, 0x7F, 0xFF};
        ASSERT_TRUE(f.HexDump(data, sizeof data, 0, 16));
    }
    const std::string dump = testutil::read_file(path);
    const std::string line1 =
        "000000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP\r\n";
    const std::string line2 = "000010 00 01 7F FF " + std::string(12 * 3, ' ') + " ...." +
                              std::string(12, ' ') + "\r\n";
    EXPECT_EQ(7u + 4 * 16 + 3, line1.size());
    EXPECT_EQ(line1.size(), line2.size());
    EXPECT_EQ(line1 + line2, dump);
}

TEST(XfileMore, HexDumpStartOffsetAndOddWidths)
{
    CxTestDir dir("hex2");
    const std::string path = dir / "dump.txt";
    {
        xfile f;
        OpenFresh(f, path);
        ASSERT_TRUE(f.HexDump("xyz", 3, 0xABCDE, 2));
        ASSERT_TRUE(f.HexDump("q", 1, 0, 0));       // no width: one byte a line
        ASSERT_TRUE(f.HexDump(nullptr, 5, 0, 16));  // nothing to dump
        ASSERT_TRUE(f.HexDump("xyz", 3, 0, 300));   // as wide as asked
    }
    EXPECT_EQ(std::string("0ABCDE 78 79  xy\r\n"
                          "0ABCE0 7A     z \r\n"
                          "000000 71  q\r\n"
                          "000000 78 79 7A ") +
                  std::string(297 * 3, ' ') + " xyz" + std::string(297, ' ') + "\r\n",
              testutil::read_file(path));
}

// The offset is always the true one: six digits and a blank below 16 MB;
// past it the digits take the blank's place, and further ones widen the field.
TEST(XfileMore, HexDumpPrintsTheTrueOffset)
{
    CxTestDir dir("hex3");
    const struct {
        const char* name;
        unsigned long long offset;
        const char* field;
    } rows[] = {
        {"last offset below 16 MB", 0xFFFFF0, "FFFFF0 "},
        {"16 MB", 0x1000000, "1000000"},
        {"past 16 MB", 0x1234567, "1234567"},
        {"past 256 MB", 0xABCDEF12, "ABCDEF12"},
        {"past 4 GB", 0x123456789ULL, "123456789"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir / "dump.txt";
        {
            xfile f;
            OpenFresh(f, path);
            ASSERT_TRUE(f.HexDump("ab", 2, row.offset, 4));
        }
        const std::string expected = std::string(row.field) + "61 62        ab  \r\n";
        EXPECT_EQ(expected, testutil::read_file(path));
    }
}

// The second form of Read dumps a whole file in blocks of 1024 lines; the
// offsets run on over the block boundary.
TEST(XfileMore, ReadDumpsAWholeFileAcrossBlocks)
{
    CxTestDir dir("readdump");
    std::string data;
    for (int i = 0; i < 20000; ++i)
        data += char(i * 7 % 251);
    testutil::write_file(dir / "source.bin", data);

    xfile source;
    source.SetDisposition(OPEN_EXISTING);
    source.SetAccess(GENERIC_READ);
    ASSERT_TRUE(source.Open((dir / "source.bin").c_str()));
    ASSERT_TRUE(source.Read((dir / "dump.txt").c_str(), 8));
    source.Close();

    auto lines = testutil::lines_of(testutil::read_file(dir / "dump.txt"));
    ASSERT_EQ(2500u, lines.size());
    for (size_t i : {size_t(0), size_t(1023), size_t(1024), size_t(2499)}) {
        SCOPED_TRACE(i);
        char expected[64];
        const unsigned char* b = reinterpret_cast<const unsigned char*>(data.data()) + i * 8;
        std::snprintf(expected, sizeof expected, "%06X %02X %02X %02X %02X %02X %02X %02X %02X ",
                      unsigned(i * 8), b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
        EXPECT_EQ(expected, lines[i].substr(0, 31));
        EXPECT_EQ(7u + 4 * 8 + 1, lines[i].size());
    }
}

TEST(XfileMore, ReadIntoAFolderThatDoesNotExistFailsQuietly)
{
    CxTestDir dir("readfail");
    testutil::write_file(dir / "source.bin", "abc");
    xfile source;
    source.SetDisposition(OPEN_EXISTING);
    ASSERT_TRUE(source.Open((dir / "source.bin").c_str()));
    EXPECT_FALSE(source.Read((dir / "missing\\dump.txt").c_str(), 16));
    // blocks of 1024 lines this wide pass 4 GB: they cannot be had
    EXPECT_FALSE(source.Read((dir / "dump.txt").c_str(), 1 << 22));
}

TEST(XfileMore, SeekReportsSixtyFourBitPositions)
{
    CxTestDir dir("seek");
    xfile f;
    OpenFresh(f, dir / "data.bin");
    std::string hundred(100, 'x');
    ASSERT_TRUE(f.WriteString(hundred.c_str()));
    EXPECT_EQ(10, f.Seek(10, 0, FILE_BEGIN));
    EXPECT_EQ(100, f.Seek(0, 0, FILE_END));
    EXPECT_EQ(95, f.Seek(-5, -1, FILE_CURRENT));
    EXPECT_EQ(0x100000000LL + 3, f.Seek(3, 1, FILE_BEGIN));  // past 4 GB, nothing written
    EXPECT_EQ(-1, f.Seek(-200, -1, FILE_BEGIN));              // before the start
    EXPECT_EQ(ERROR_NEGATIVE_SEEK, f.GetLastError());
    f.Close();
    EXPECT_EQ(-1, f.Seek(0, 0, FILE_BEGIN));
}

TEST(XfileMore, LocksExcludeOtherHandles)
{
    CxTestDir dir("lock");
    const std::string path = dir / "locked.bin";
    xfile a;
    OpenFresh(a, path);
    ASSERT_TRUE(a.WriteString("0123456789abcdefghij"));
    xfile b;
    b.SetDisposition(OPEN_EXISTING);
    ASSERT_TRUE(b.Open(path.c_str()));

    ASSERT_TRUE(a.LockFile(0, 10));
    EXPECT_FALSE(b.LockFile(5, 10));
    EXPECT_EQ(ERROR_LOCK_VIOLATION, b.GetLastError());
    EXPECT_TRUE(b.LockFile(10, 5));    // the next range is free
    EXPECT_FALSE(a.UnlockFile(0, 5));  // only the range as locked unlocks
    EXPECT_TRUE(a.UnlockFile(0, 10));
    EXPECT_TRUE(b.LockFile(0, 10));
    EXPECT_TRUE(b.UnlockFile(0, 10));
    EXPECT_TRUE(b.UnlockFile(10, 5));
}

TEST(XfileMore, FlushWritesThroughAndReportsAClosedFile)
{
    CxTestDir dir("flush");
    xfile f;
    OpenFresh(f, dir / "f.txt");
    ASSERT_TRUE(f.WriteString("saldo"));
    EXPECT_TRUE(f.Flush());
    EXPECT_EQ("saldo", testutil::read_file(dir / "f.txt"));
    f.Close();
    try {
        f.Flush();
        FAIL() << "no exception";
    } catch (const xfileexceptions& e) {
        EXPECT_EQ(127, e.GetLabel());
        EXPECT_EQ(ERROR_INVALID_HANDLE, e.GetSystemError());
        EXPECT_NE(nullptr, std::strstr(e.GetReason().c_str(), "xfile::Flush"));
    }
    f.SetThrow(0);
    EXPECT_FALSE(f.Flush());
}

}  // namespace
