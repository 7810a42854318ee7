// xfile, xpath and xfindfile, and the error routine they report through.

#include "boxwatch.h"
#include "sysfixture.h"
#include "testutil.h"
#include "xexceptions.h"
#include "xfile.h"
#include "xfindfile.h"
#include "xpath.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using sysfixture::ScratchFolder;

TEST(XFile, CreateInMissingFolderThrowsWithLabelAndSystemText)
{
    ScratchFolder dir("create");
    xfile f;
    std::string path = dir / "missing\\x.txt";
    try {
        f.Open(path.c_str());
        FAIL() << "no exception";
    } catch (const xfileexceptions& e) {
        EXPECT_EQ(122, e.GetLabel());
        EXPECT_EQ(3, e.GetSystemError());
        EXPECT_EQ(sysfixture::Expected(3, "xfile::Create"), e.GetReason().c_str());
        EXPECT_STREQ("A FILE EXCEPTION OCCURED.\n", e.GetMessage().c_str());
    }
    EXPECT_EQ(3, f.GetLastError());
    EXPECT_EQ(sysfixture::Expected(3, "xfile::Create"), f.GetErrorText().c_str());
    EXPECT_FALSE(f.IsOpen());
}

TEST(XFile, ThrowFlagOffReturnsTheFailure)
{
    ScratchFolder dir("noflag");
    boxwatch::Seam seam;
    xfile f;
    f.SetThrow(0);
    EXPECT_FALSE(f.Open((dir / "missing\\x.txt").c_str()));
    EXPECT_EQ(3, f.GetLastError());
    EXPECT_TRUE(boxwatch::Recorded().empty());

    f.SetShow(1);
    EXPECT_FALSE(f.Create());
    ASSERT_EQ(1u, boxwatch::Recorded().size());
    const boxwatch::Box& box = boxwatch::Recorded()[0];
    EXPECT_EQ("Warning", box.caption);
    EXPECT_EQ(sysfixture::Expected(3, "xfile::Create"), box.text);
    EXPECT_EQ(UINT(MB_ICONQUESTION | MB_TOPMOST | MB_SETFOREGROUND), box.style);
}

TEST(XFile, ShowAndThrowTogether)
{
    ScratchFolder dir("both");
    boxwatch::Seam seam;
    xfile f;
    f.SetShow(1);
    EXPECT_THROW(f.Open((dir / "missing\\x.txt").c_str()), xfileexceptions);
    EXPECT_EQ(1u, boxwatch::Recorded().size());
}

TEST(XFile, ExistingFileWithCreateNewFails)
{
    ScratchFolder dir("exists");
    testutil::write_file(dir / "a.txt", "x");
    xfile f;
    f.SetThrow(0);
    EXPECT_FALSE(f.Open((dir / "a.txt").c_str()));
    EXPECT_EQ(ERROR_FILE_EXISTS, f.GetLastError());
}

TEST(XFile, WriteReadAndEndOfFile)
{
    ScratchFolder dir("rw");
    std::string path = dir / "data.bin";
    {
        xfile f;
        ASSERT_TRUE(f.Open(path.c_str()));
        EXPECT_TRUE(f.WriteString("hello \xE8"));
        EXPECT_EQ(7u, f.GetBytesWritten());
        EXPECT_TRUE(f.WriteString(""));  // nothing to write is no failure
        EXPECT_STREQ(path.c_str(), f.GetName().c_str());
    }
    EXPECT_EQ("hello \xE8", testutil::read_file(path));
    xfile f;
    f.SetDisposition(OPEN_EXISTING);
    ASSERT_TRUE(f.Open(path.c_str()));
    char buf[16] = {};
    f.SetReadBuffer(buf, sizeof buf);
    ASSERT_TRUE(f.Read());
    EXPECT_EQ(7u, f.GetBytesRead());
    try {
        f.Read();
        FAIL() << "end of file not reported";
    } catch (const xfileexceptions& e) {
        EXPECT_EQ(124, e.GetLabel());
        EXPECT_EQ(0, e.GetSystemError());
        EXPECT_EQ(sysfixture::Expected(0, "xfile::Read EOF"), e.GetReason().c_str());
    }
}

// Opened to append, a file past its limit starts again empty: no old tail
// stays behind the new lines.
TEST(XFile, MaximumSizeStartsTheFileAgain)
{
    ScratchFolder dir("max");
    std::string path = dir / "log.txt";
    testutil::write_file(path, std::string(1500, 'o'));
    xfile f;
    f.SetDisposition(OPEN_ALWAYS);
    f.SetMaxSize(1000);
    ASSERT_TRUE(f.Open(path.c_str()));
    SetFilePointer(f.GetHandle(), 0, nullptr, FILE_END);
    EXPECT_TRUE(f.WriteString("first line\r\n"));
    EXPECT_TRUE(f.WriteString("second line\r\n"));
    f.Close();
    EXPECT_EQ("first line\r\nsecond line\r\n", testutil::read_file(path));
}

TEST(XFile, BelowTheMaximumWritesGoOn)
{
    ScratchFolder dir("below");
    std::string path = dir / "log.txt";
    xfile f;
    f.SetDisposition(CREATE_ALWAYS);
    f.SetMaxSize(20);
    ASSERT_TRUE(f.Open(path.c_str()));
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(f.WriteString(("line" + std::to_string(i) + "\r\n").c_str()));
    f.Close();
    // 7-byte lines: the file passes 20 bytes after three lines and restarts once
    EXPECT_EQ("line3\r\nline4\r\nline5\r\n", testutil::read_file(path));
}

TEST(XFile, FromFileKeepsZeroBytes)
{
    ScratchFolder dir("whole");
    std::string content("AB\0\0CD\0\xFF", 8);
    testutil::write_file(dir / "store.blw", content);
    xstring s = xstring::FromFile((dir / "store.blw").c_str());
    ASSERT_EQ(8u, s.Size());
    EXPECT_EQ(content, std::string(s.c_str(), s.Size()));
    xstring copy(s);
    EXPECT_EQ(content, std::string(copy.c_str(), copy.Size()));
    EXPECT_EQ(0u, xstring::FromFile((dir / "none.txt").c_str()).Size());
    EXPECT_STREQ("", xstring::FromFile(nullptr).c_str());
    testutil::write_file(dir / "empty.txt", "");
    EXPECT_STREQ("", xstring::FromFile((dir / "empty.txt").c_str()).c_str());
}

TEST(XPath, SplitAndBuild)
{
    struct Row { std::string path; const char* drive; const char* folder; const char* name;
                 const char* ext; const char* getFolder; } rows[] = {
        {"c:\\a\\b.txt", "c:", "\\a\\", "b", ".txt", "\\a\\"},
        {"c:/a/b.tar.gz", "c:", "/a/", "b.tar", ".gz", "/a\\"},
        {"\\\\server\\share\\dir\\f.ini", "", "\\\\server\\share\\dir\\", "f", ".ini",
         "\\\\server\\share\\dir\\"},
        {"name", "", "", "name", "", ""},
        {"c:.\\x.y\\noext", "c:", ".\\x.y\\", "noext", "", ".\\x.y\\"},
        {"", "", "", "", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        xpath p;
        p.Split(r.path.c_str());
        EXPECT_STREQ(r.drive, p.GetDrive().c_str());
        EXPECT_STREQ(r.name, p.GetName().c_str());
        EXPECT_STREQ(r.ext, p.GetExt().c_str());
        EXPECT_STREQ(r.getFolder, p.GetFolder().c_str());
        EXPECT_STREQ(r.path.c_str(), p.GetFullPath().c_str());
        EXPECT_EQ(std::string(r.drive) + r.folder + r.name + ".bak", p.MakePath(".bak").c_str());
    }
}

TEST(XPath, LongPathsSplitWhole)
{
    std::string folder = "c:\\";
    while (folder.size() < 300)
        folder += "cartella\\";
    std::string name(290, 'n');
    xpath p((folder + name + ".txt").c_str());
    EXPECT_EQ(folder.substr(2), std::string(p.GetFolder().c_str()));
    EXPECT_EQ(name, std::string(p.GetName().c_str()));
    EXPECT_EQ(folder + name + ".bak", std::string(p.MakePath(".bak").c_str()));
}

TEST(XFindFile, ListsAndEndsWithNoMoreFiles)
{
    ScratchFolder dir("find");
    std::set<std::string> made = {"a.txt", "b.txt", "c\xE8.txt"};
    for (const std::string& n : made)
        testutil::write_file(dir / n, n);
    testutil::write_file(dir / "other.dat", "");

    xfindfile find((dir / "*.txt").c_str());
    std::set<std::string> seen;
    int label = 0, error = 0;
    try {
        for (find.First();; find.Next())
            seen.insert(find.GetName().c_str());
    } catch (const xfindfileexceptions& e) {
        label = e.GetLabel();
        error = e.GetSystemError();
        EXPECT_STREQ("A FIND FILE EXCEPTION OCCURED.\n", e.GetMessage().c_str());
    }
    EXPECT_EQ(made, seen);
    EXPECT_EQ(196, label);
    EXPECT_EQ(ERROR_NO_MORE_FILES, error);

    xfindfile quiet((dir / "*.txt").c_str());
    quiet.SetThrow(0);
    int count = 0;
    for (bool ok = quiet.First(); ok; ok = quiet.Next())
        ++count;
    EXPECT_EQ(3, count);
    EXPECT_EQ(ERROR_NO_MORE_FILES, quiet.GetLastError());
    EXPECT_EQ(sysfixture::Expected(ERROR_NO_MORE_FILES, "xfindfile::Next"),
              quiet.GetErrorText().c_str());

    xfindfile none((dir / "*.zzz").c_str());
    try {
        none.First();
        FAIL() << "no exception";
    } catch (const xfindfileexceptions& e) {
        EXPECT_EQ(195, e.GetLabel());
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.GetSystemError());
    }
}
