// The xsystem, xevent and xpath additions of the control library on real
// files, folders, events and the loopback address.

#include "cxtestdir.h"
#include "testutil.h"
#include "xevent.h"
#include "xexceptions.h"
#include "xhooks.h"
#include "xpath.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A tree for the mask deletion: a.tmp b.txt .dot.tmp sub\c.tmp sub\d.txt
// sub\deeper\e.tmp dir.tmp\f.tmp dir.tmp\g.txt
void MakeTree(const CxTestDir& dir)
{
    for (const char* folder : {"root", "root\\sub", "root\\sub\\deeper", "root\\dir.tmp"})
        ASSERT_TRUE(CreateDirectoryA((dir / folder).c_str(), nullptr));
    for (const char* file : {"root\\a.tmp", "root\\b.txt", "root\\.dot.tmp", "root\\sub\\c.tmp",
                             "root\\sub\\d.txt", "root\\sub\\deeper\\e.tmp", "root\\dir.tmp\\f.tmp",
                             "root\\dir.tmp\\g.txt"})
        testutil::write_file(dir / file, file);
}

bool Exists(const CxTestDir& dir, const char* name)
{
    return testutil::file_exists(dir / name);
}

std::string Cwd()
{
    char buf[MAX_PATH];
    GetCurrentDirectoryA(sizeof buf, buf);
    return buf;
}

TEST(DeleteByMask, OnlyTheFolderItself)
{
    CxTestDir dir("mask1");
    MakeTree(dir);
    const std::string before = Cwd();
    EXPECT_TRUE(xsys().DeleteByMask((dir / "root").c_str(), "*.tmp", false, false));
    EXPECT_EQ(before, Cwd());
    EXPECT_FALSE(Exists(dir, "root\\a.tmp"));
    EXPECT_TRUE(Exists(dir, "root\\b.txt"));
    EXPECT_TRUE(Exists(dir, "root\\.dot.tmp"));  // names beginning with "." are left
    EXPECT_TRUE(Exists(dir, "root\\sub\\c.tmp"));
    EXPECT_TRUE(Exists(dir, "root\\sub\\deeper\\e.tmp"));
    EXPECT_TRUE(Exists(dir, "root\\dir.tmp\\f.tmp"));  // a folder the mask meets stays
}

// One pass over what the mask matches: a matching folder is entered, a
// folder the mask does not match is not.
TEST(DeleteByMask, RecursesIntoTheFoldersTheMaskMeets)
{
    CxTestDir dir("mask2");
    MakeTree(dir);
    EXPECT_TRUE(xsys().DeleteByMask((dir / "root").c_str(), "*.tmp", true, false));
    EXPECT_FALSE(Exists(dir, "root\\a.tmp"));
    EXPECT_FALSE(Exists(dir, "root\\dir.tmp\\f.tmp"));
    EXPECT_TRUE(Exists(dir, "root\\dir.tmp\\g.txt"));
    EXPECT_TRUE(Exists(dir, "root\\sub\\c.tmp"));
    EXPECT_TRUE(Exists(dir, "root\\sub\\deeper\\e.tmp"));
    EXPECT_TRUE(xsys().DeleteByMask((dir / "root").c_str(), "*", true, false));
    EXPECT_FALSE(Exists(dir, "root\\sub\\deeper\\e.tmp"));
    EXPECT_TRUE(Exists(dir, "root\\sub\\deeper"));
}

TEST(DeleteByMask, RemovesTheTreeUnlessSomethingStays)
{
    CxTestDir dir("mask3");
    MakeTree(dir);
    // The ".dot.tmp" file is never deleted, so the root itself cannot go.
    EXPECT_FALSE(xsys().DeleteByMask((dir / "root").c_str(), "*", false, true));
    EXPECT_EQ(ERROR_DIR_NOT_EMPTY, xsys().GetLastError());
    EXPECT_FALSE(Exists(dir, "root\\sub"));
    EXPECT_TRUE(Exists(dir, "root\\.dot.tmp"));
    ASSERT_TRUE(DeleteFileA((dir / "root\\.dot.tmp").c_str()));
    EXPECT_TRUE(xsys().DeleteByMask((dir / "root").c_str(), "*", false, true));
    EXPECT_FALSE(Exists(dir, "root"));
}

// A mask names entries of its folder. One with a folder of its own listed
// that folder while deleting the names it found in the folder made current
// (and recursed by the listed entries' attributes): it is refused.
TEST(DeleteByMask, AMaskWithAFolderOfItsOwnDeletesNothing)
{
    CxTestDir dir("mask5");
    MakeTree(dir);
    // A file of the root that shares its name with one of root\sub.
    testutil::write_file(dir / "root\\c.tmp", "root\\c.tmp");
    const std::string root = dir / "root";
    const struct {
        const char* name;
        std::string mask;
        bool recurse;
    } rows[] = {
        {"a sub-folder's files", "sub\\*.tmp", false},
        {"a sub-folder's files, with a slash", "sub/*.tmp", false},
        {"the folder's own path, recursing", root + "\\*.tmp", true},
        {"a drive's current folder", std::string(1, root[0]) + ":*.tmp", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(xsys().DeleteByMask(root.c_str(), row.mask.c_str(), row.recurse, false));
        EXPECT_EQ(ERROR_INVALID_NAME, xsys().GetLastError());
        for (const char* file : {"root\\a.tmp", "root\\c.tmp", "root\\sub\\c.tmp",
                                 "root\\sub\\deeper\\e.tmp", "root\\dir.tmp\\f.tmp"})
            EXPECT_TRUE(Exists(dir, file)) << file;
    }
}

// A folder that is not there must not delete in whatever folder is current.
TEST(DeleteByMask, MissingFolderDeletesNothing)
{
    CxTestDir dir("mask4");
    testutil::write_file(dir / "keep.tmp", "x");
    const std::string before = Cwd();
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    EXPECT_FALSE(xsys().DeleteByMask("not-there", "*.tmp", true, true));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, xsys().GetLastError());
    EXPECT_TRUE(Exists(dir, "keep.tmp"));
    SetCurrentDirectoryA(before.c_str());
    EXPECT_FALSE(xsys().DeleteByMask("", "*", false, false));
}

// sample.txt compressed by the Linux "mscompress" tool (SZDD, with
// back-references); its text is rebuilt by SampleText.
const unsigned char kCompressed[] = {
    0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 0x41, 0x00, 0x64, 0x02, 0x00, 0x00, 0xFF, 0x52,
    0x69, 0x67, 0x61, 0x20, 0x30, 0x30, 0x30, 0xFF, 0x3A, 0x20, 0x73, 0x63, 0x6F, 0x6E, 0x74, 0x72,
    0xFF, 0x69, 0x6E, 0x6F, 0x20, 0x64, 0x69, 0x20, 0x70, 0x9F, 0x72, 0x6F, 0x76, 0x61, 0x2C, 0xF9,
    0xFD, 0x09, 0x00, 0x2E, 0x8B, 0x0D, 0x0A, 0xF0, 0xF4, 0x31, 0xF8, 0xFD, 0x08, 0x0D, 0x18, 0x0D,
    0x30, 0xE3, 0x30, 0x32, 0x2B, 0x0D, 0x3B, 0x0D, 0x4B, 0x0D, 0x30, 0x30, 0x33, 0x38, 0x5E, 0x0D,
    0x6E, 0x0D, 0x7E, 0x0D, 0x30, 0x30, 0x34, 0x91, 0x0D, 0xA1, 0x0D, 0x8E, 0xB1, 0x0D, 0x30, 0x30,
    0x35, 0xC4, 0x0D, 0xD4, 0x0D, 0xE4, 0x0D, 0x30, 0xE3, 0x30, 0x36, 0xF7, 0x0D, 0x07, 0x1D, 0x17,
    0x1D, 0x30, 0x30, 0x37, 0x38, 0x2A, 0x1D, 0x3A, 0x1D, 0x4A, 0x1D, 0x30, 0x30, 0x38, 0x5D, 0x1D,
    0x6D, 0x1D, 0x8E, 0x7D, 0x1D, 0x30, 0x30, 0x39, 0x90, 0x1D, 0xA0, 0x1D, 0xB0, 0x1D, 0x30, 0x01,
    0x31, 0xF7, 0xFD, 0xD2, 0x1D, 0xE2, 0x1D, 0xF2, 0x10, 0x2A, 0x0D, 0x05, 0x2D, 0x15, 0x29};

std::string SampleText()
{
    std::string text;
    for (int i = 0; i < 12; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "Riga %03d: scontrino di prova, scontrino di prova.\r\n",
                      i);
        text += line;
    }
    return text;
}

TEST(ExpandFile, CompressedAndPlainFiles)
{
    ASSERT_EQ(612u, SampleText().size());
    CxTestDir dir("expand");
    testutil::write_file(dir / "sample.tx_",
                         std::string(reinterpret_cast<const char*>(kCompressed), sizeof kCompressed));
    EXPECT_EQ(612, xsys().ExpandFile((dir / "sample.tx_").c_str(), (dir / "sample.txt").c_str()));
    EXPECT_EQ(SampleText(), testutil::read_file(dir / "sample.txt"));

    testutil::write_file(dir / "plain.txt", "non compresso\r\n");
    EXPECT_EQ(15, xsys().ExpandFile((dir / "plain.txt").c_str(), (dir / "copy.txt").c_str()));
    EXPECT_EQ("non compresso\r\n", testutil::read_file(dir / "copy.txt"));

    EXPECT_LT(xsys().ExpandFile((dir / "missing.tx_").c_str(), (dir / "out.txt").c_str()), 0);
    EXPECT_LT(xsys().ExpandFile((dir / "plain.txt").c_str(), (dir / "no\\out.txt").c_str()), 0);
}

TEST(Ping, LoopbackAndBadAddress)
{
    EXPECT_TRUE(xsys().Ping("127.0.0.1", 3000));
    try {
        xsys().Ping("300.1.2.3", 1000);
        FAIL() << "no exception";
    } catch (const xsystemexceptions& e) {
        EXPECT_EQ(198, e.GetLabel());
        EXPECT_EQ(1229, e.GetSystemError());
        EXPECT_EQ(0, std::strncmp(e.GetReason().c_str(), "<1229> xsystem::Ping\r\n", 22));
    }
    xsys().SetThrow(0);
    EXPECT_FALSE(xsys().Ping("not an address", 1000));
    EXPECT_EQ(1229, xsys().GetLastError());
    xsys().SetThrow(1);
}

TEST(ShortName, OfALongNameAndOfNothing)
{
    CxTestDir dir("short");
    const std::string longPath = dir / "nome lungo del file.testo";
    testutil::write_file(longPath, "x");
    xstring shortPath = xsys().ShortName(longPath.c_str());
    ASSERT_GT(shortPath.Length(), 0);
    const char* name = std::strrchr(shortPath.c_str(), '\\');
    ASSERT_NE(nullptr, name);
    EXPECT_EQ(nullptr, std::strchr(name, ' '));
    EXPECT_LE(std::strlen(name + 1), 12u);
    char back[MAX_PATH];
    ASSERT_GT(GetLongPathNameA(shortPath.c_str(), back, sizeof back), 0u);
    EXPECT_STRCASEEQ(longPath.c_str(), back);
    try {
        xsys().ShortName((dir / "assente.txt").c_str());
        FAIL() << "no exception";
    } catch (const xsystemexceptions& e) {
        EXPECT_EQ(197, e.GetLabel());
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.GetSystemError());
    }
}

TEST(FileHelpers, CopyAttributesFolders)
{
    CxTestDir dir("files");
    testutil::write_file(dir / "a.txt", "uno");
    EXPECT_TRUE(xsys().CopyFile((dir / "a.txt").c_str(), (dir / "b.txt").c_str(), true));
    EXPECT_EQ("uno", testutil::read_file(dir / "b.txt"));
    EXPECT_FALSE(xsys().CopyFile((dir / "a.txt").c_str(), (dir / "b.txt").c_str(), true));
    EXPECT_EQ(ERROR_FILE_EXISTS, xsys().GetLastError());
    testutil::write_file(dir / "a.txt", "due");
    EXPECT_TRUE(xsys().CopyFile((dir / "a.txt").c_str(), (dir / "b.txt").c_str(), false));
    EXPECT_EQ("due", testutil::read_file(dir / "b.txt"));

    EXPECT_TRUE(xsys().SetAttributes((dir / "b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(xsys().DeleteFile((dir / "b.txt").c_str()));
    EXPECT_TRUE(xsys().SetAttributes((dir / "b.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(xsys().DeleteFile((dir / "b.txt").c_str()));

    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
    testutil::write_file(dir / "sub\\f", "x");
    EXPECT_FALSE(xsys().RemoveFolder((dir / "sub").c_str()));
    EXPECT_EQ(ERROR_DIR_NOT_EMPTY, xsys().GetLastError());
    DeleteFileA((dir / "sub\\f").c_str());
    EXPECT_TRUE(xsys().RemoveFolder((dir / "sub").c_str()));
}

TEST(Drives, ExistenceAndFreeSpace)
{
    const std::string before = Cwd();
    EXPECT_TRUE(xsys().DriveExists('C'));
    EXPECT_EQ(before, Cwd());
    DWORD drives = GetLogicalDrives();
    char unused = 0;
    for (char c = 'Y'; c >= 'D' && !unused; --c)
        if (!(drives & (1u << (c - 'A'))))
            unused = c;
    ASSERT_NE(0, unused);
    EXPECT_FALSE(xsys().DriveExists(unused));
    EXPECT_EQ(before, Cwd());

    EXPECT_EQ(0u, xsys().FreeDiskSpace(""));
    EXPECT_EQ(0u, xsys().FreeDiskSpace(nullptr));
    CxTestDir dir("space");
    EXPECT_GT(xsys().FreeDiskSpace(dir.path().c_str()), 0u);
    EXPECT_EQ(0u, xsys().FreeDiskSpace((dir / "not-there").c_str()));
}

TEST(SystemTexts, GuidNamesAndFolder)
{
    xstring a = xsys().NewGuidText();
    xstring b = xsys().NewGuidText();
    ASSERT_EQ(38, a.Length());
    EXPECT_EQ('{', a.c_str()[0]);
    EXPECT_EQ('}', a.c_str()[37]);
    for (int i : {9, 14, 19, 24})
        EXPECT_EQ('-', a.c_str()[i]) << i;
    EXPECT_TRUE(a != b.c_str());

    xstring computer = xsys().ComputerName();
    EXPECT_GT(computer.Length(), 0);
    EXPECT_LE(computer.Length(), 15);
    EXPECT_GT(xsys().UserName().Length(), 0);
    EXPECT_EQ(Cwd(), std::string(xsys().CurrentFolder().c_str()));
    // The prepared prefix's display has 96 pixels to the inch either way.
    EXPECT_EQ(15, xsys().TwipsPerPixel(LOGPIXELSX));
    EXPECT_EQ(15, xsys().TwipsPerPixel(LOGPIXELSY));
}

struct SeenBox {
    HWND owner = reinterpret_cast<HWND>(1);
    std::string text, caption;
    UINT style = 0;
};
SeenBox g_box;

int RecordBox(HWND owner, const char* text, const char* caption, UINT style)
{
    g_box = SeenBox{owner, text, caption, style};
    return IDOK;
}

TEST(SystemBoxes, PlainBoxHasNoOwner)
{
    xwindowhooks hooks;
    hooks.ownerWindow = [] { return GetDesktopWindow(); };
    xsetwindowhooks(hooks);
    xmessageboxfn old = xsetmessagebox(RecordBox);
    EXPECT_EQ(IDOK, xsys().MessageBoxPlain("testo", "titolo", MB_ICONERROR));
    xsetmessagebox(old);
    xsetwindowhooks(xwindowhooks{});
    EXPECT_EQ(nullptr, g_box.owner);
    EXPECT_EQ("testo", g_box.text);
    EXPECT_EQ("titolo", g_box.caption);
    EXPECT_EQ(UINT(MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND), g_box.style);
}

TEST(SystemProfile, EmptyFileMeansTheProgramsOwnIni)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string ini = program;
    ini = ini.substr(0, ini.rfind('.')) + ".ini";
    EXPECT_STRCASEEQ(ini.c_str(), xsystem::OwnIniPath().c_str());
    testutil::write_file(ini, "[Grid]\r\nrighe=25\r\n");
    EXPECT_STREQ("25", xsys().ReadProfileString("Grid", "righe", "0", "").c_str());
    EXPECT_STREQ("25", xsys().ReadProfileString("Grid", "righe", "0", nullptr).c_str());
    EXPECT_STREQ("0", xsys().ReadProfileString("Grid", "colonne", "0", "").c_str());
    DeleteFileA(ini.c_str());
}

TEST(XeventMore, OpenAnExistingEvent)
{
    const std::string name = "cxsys_event_" + std::to_string(GetCurrentProcessId());
    xevent owner(name.c_str());
    ASSERT_TRUE(owner.Create());
    xevent other;
    ASSERT_TRUE(other.Open(name.c_str()));
    EXPECT_STREQ(name.c_str(), other.GetName().c_str());
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), owner.Wait(0));
    ASSERT_TRUE(other.Set());
    EXPECT_EQ(0u, owner.Wait(1000));

    xevent missing;
    try {
        missing.Open("cxsys_no_such_event");
        FAIL() << "no exception";
    } catch (const xeventexceptions& e) {
        EXPECT_EQ(133, e.GetLabel());
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.GetSystemError());
        EXPECT_NE(nullptr, std::strstr(e.GetReason().c_str(), "xevent::Open\t\r\n"));
    }
    missing.SetThrow(0);
    EXPECT_FALSE(missing.Open());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.GetLastError());
}

// Open with a name while another event is open: the object then holds the
// named event, not the one it had.
TEST(XeventMore, OpenWithANewNameTakesTheNamedEvent)
{
    const std::string first = "cxsys_first_" + std::to_string(GetCurrentProcessId());
    const std::string second = "cxsys_second_" + std::to_string(GetCurrentProcessId());
    xevent a(first.c_str(), true), b(second.c_str(), true);
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    xevent opener;
    ASSERT_TRUE(opener.Open(first.c_str()));
    ASSERT_TRUE(opener.Open(second.c_str()));
    EXPECT_STREQ(second.c_str(), opener.GetName().c_str());
    ASSERT_TRUE(opener.Set());
    EXPECT_EQ(0u, b.Wait(0)) << "the second event is the one set";
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), a.Wait(0)) << "the first event is left alone";
    // Opening again under the name it holds keeps the event it has.
    ASSERT_TRUE(b.Reset());
    ASSERT_TRUE(opener.Open(second.c_str()));
    ASSERT_TRUE(opener.Set());
    EXPECT_EQ(0u, b.Wait(0));
    // A name that opens nothing leaves no event behind.
    opener.SetThrow(0);
    EXPECT_FALSE(opener.Open("cxsys_no_such_event"));
    EXPECT_EQ(nullptr, opener.GetHandle());
}

TEST(XpathMore, ProgramAndIcons)
{
    CxTestDir dir("assoc");
    // No program is registered for this extension: the file is its own program.
    const std::string odd = dir / "copia.zzq";
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    ASSERT_TRUE(CopyFileA(program, odd.c_str(), FALSE));
    xpath path(odd.c_str());
    EXPECT_STREQ(odd.c_str(), path.AssociatedProgram().c_str());
    HICON icon = path.AssociatedIcon(0);
    EXPECT_NE(nullptr, icon);  // the test program carries an icon
    if (icon)
        DestroyIcon(icon);
    icon = path.ProgramIcon();
    EXPECT_NE(nullptr, icon);
    if (icon)
        DestroyIcon(icon);

    testutil::write_file(dir / "note.zzq", "testo");
    xpath text((dir / "note.zzq").c_str());
    EXPECT_EQ(nullptr, text.ProgramIcon());  // not a program: no icon
}

}  // namespace
