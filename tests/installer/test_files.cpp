// Version-checked installation of real files, in-use replacement at the
// next start, shell copies and read-only attributes of a tree.

#include "inst_test.h"

#include "instfiles.h"

#include "xsystem.h"

#include <gtest/gtest.h>

#include <cwchar>

using insttest::BoxScript;
using insttest::Component;
using insttest::FileMajorVersion;
using insttest::ScopedList;
using insttest::ScopedLog;
using insttest::ScratchFolder;

namespace {

// A source folder with version `source` of comp.dll and a destination
// folder with version `destination` of it (0: none).
struct VersionSetup {
    VersionSetup(int source, int destination) : scratch("ver")
    {
        src = scratch.Sub("src");
        dst = scratch.Sub("dst");
        CopyFileA(Component(source).c_str(), (src + "\\comp.dll").c_str(), FALSE);
        if (destination)
            CopyFileA(Component(destination).c_str(), Target().c_str(), FALSE);
    }
    std::string Target() const { return dst + "\\comp.dll"; }
    int Install(int flags = 0)
    {
        return InstallVersionedFile("comp.dll", "comp.dll", (src + "\\").c_str(), dst.c_str(), flags);
    }
    ScratchFolder scratch;
    std::string src, dst;
};

const char* const kContinue = "comp.dll\nContinue?";

// Adds the read-only bit; false where the file system keeps none, so that a
// check of its clearing would prove nothing.
bool MadeReadOnly(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

TEST(VersionedInstall, NewerOverOlderInstallsWithoutQuestion)
{
    ScopedList list;
    VersionSetup setup(2, 1);
    ScopedLog log(setup.scratch / "instlog.txt");
    BoxScript boxes;
    EXPECT_EQ(setup.Install(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(FileMajorVersion(setup.Target()), 2);
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "INSTALLING " + setup.dst + "\\comp.dll FROM " + setup.src + "\\comp.dll");
}

TEST(VersionedInstall, OlderOverNewerAsksOnceAndForcesOnYes)
{
    struct Row {
        const char* name;
        int answer;
        int versionAfter;
    } rows[] = {{"no keeps the newer file", IDNO, 2}, {"yes forces the older file", IDYES, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedList list;
        VersionSetup setup(1, 2);
        BoxScript boxes({row.answer, IDNO});
        EXPECT_EQ(setup.Install(), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text,
                  std::string("Attributi diversi.\nVersione precedente.\n") + kContinue);
        EXPECT_EQ(boxes.boxes[0].caption, "Warning");
        EXPECT_EQ(boxes.boxes[0].style & 0xFF, UINT(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(FileMajorVersion(setup.Target()), row.versionAfter);
    }
}

TEST(VersionedInstall, ReadOnlyDestinationIsAskedAboutOnce)
{
    ScopedList list;
    VersionSetup setup(2, 1);
    if (!MadeReadOnly(setup.Target()))
        GTEST_SKIP() << "this file system keeps no read-only bit on files";
    BoxScript boxes({IDYES, IDYES, IDYES});
    EXPECT_EQ(setup.Install(), 0);
    ASSERT_GE(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("Protetto dalla scrittura.\n", 0), 0u) << boxes.boxes[0].text;
    EXPECT_EQ(boxes.boxes.size(), 1u) << "a forced installation is not asked about again";
}

TEST(VersionedInstall, MissingDestinationFolderIsAHardError)
{
    struct Row {
        int answer;
        int result;
    } rows[] = {{IDNO, 0x800}, {IDYES, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        ScopedList list;
        VersionSetup setup(2, 0);
        BoxScript boxes({row.answer});
        int result = InstallVersionedFile("comp.dll", "comp.dll", (setup.src + "\\").c_str(),
                                          (setup.dst + "\\nowhere").c_str(), 0);
        EXPECT_EQ(result, row.result);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "comp.dll\nCANNOT CREATE TEMPORARY!\nContinue?");
    }
}

namespace {

// Our entry in the Windows folder's wininit.ini, taken out again (and the
// file too when the test made it), so no later start of the shared prefix
// renames anything.
struct WininitCleanup {
    WininitCleanup() : path((xsys().GetWindowsFolder() + "\\wininit.ini").c_str())
    {
        existed = testutil::file_exists(path);
    }
    ~WininitCleanup()
    {
        for (const std::string& key : keys)
            WritePrivateProfileStringA("rename", key.c_str(), nullptr, path.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
        if (!existed)
            DeleteFileA(path.c_str());
    }
    std::string path;
    bool existed = false;
    std::vector<std::string> keys;
};

}  // namespace

namespace {

// The moves that NT-family Windows carries out at its next start, as text
// pairs (source, then target with "!" in front when it replaces a file).
struct PendingRenames {
    static constexpr const char* kKey = "System\\CurrentControlSet\\Control\\Session Manager";
    static constexpr const wchar_t* kValue = L"PendingFileRenameOperations";

    static std::vector<std::string> Read()
    {
        std::vector<std::string> names;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key))
            return names;
        DWORD size = 0;
        std::vector<wchar_t> data;
        if (!RegQueryValueExW(key, kValue, nullptr, nullptr, nullptr, &size) && size) {
            data.resize(size / 2 + 2);
            RegQueryValueExW(key, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                             &size);
        }
        RegCloseKey(key);
        for (const wchar_t* p = data.data(); !data.empty() && p < data.data() + size / 2;
             p += wcslen(p) + 1) {
            char text[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, p, -1, text, sizeof text, nullptr, nullptr);
            names.push_back(text);
        }
        return names;
    }
    // True when the pair stands in the list, in this order.
    static bool Holds(const std::string& source, const std::string& target)
    {
        std::vector<std::string> names = Read();
        for (size_t i = 0; i + 1 < names.size(); ++i)
            if (lstrcmpiA(names[i].c_str(), source.c_str()) == 0 &&
                lstrcmpiA(names[i + 1].c_str(), target.c_str()) == 0)
                return true;
        return false;
    }
    // Takes out every pair whose source names the file.
    static void Remove(const std::string& source)
    {
        std::vector<std::string> names = Read();
        std::wstring kept;
        for (size_t i = 0; i + 1 < names.size(); i += 2) {
            if (lstrcmpiA(names[i].c_str(), source.c_str()) == 0)
                continue;
            for (size_t j = i; j < i + 2; ++j) {
                wchar_t wide[MAX_PATH * 2] = {};
                MultiByteToWideChar(CP_ACP, 0, names[j].c_str(), -1, wide, MAX_PATH * 2);
                kept += wide;
                kept.push_back(L'\0');
            }
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key))
            return;
        if (kept.empty()) {
            RegDeleteValueW(key, kValue);
        } else {
            kept.push_back(L'\0');
            RegSetValueExW(key, kValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                           DWORD(kept.size() * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
};

}  // namespace

TEST(VersionedInstall, FileInUseIsScheduledForTheNextStart)
{
    struct Row {
        const char* name;
        int earlierWaiting;  // version of a waiting file an earlier run left (0: none)
    } rows[] = {{"nothing waiting yet", 0}, {"an older file still waiting", 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedList list;
        VersionSetup setup(2, 1);
        std::string waiting = setup.dst + "\\comp.---";
        if (row.earlierWaiting)
            CopyFileA(Component(row.earlierWaiting).c_str(), waiting.c_str(), FALSE);
        WininitCleanup wininit;
        wininit.keys.push_back(setup.Target());
        std::string pendingSource = "\\??\\" + waiting;
        struct PendingCleanup {
            std::string source;
            ~PendingCleanup() { PendingRenames::Remove(source); }
        } pending{pendingSource};
        HANDLE held = CreateFileA(setup.Target().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        BoxScript boxes;
        EXPECT_EQ(setup.Install(), 0);
        CloseHandle(held);
        ASSERT_GE(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].caption, "Message");
        EXPECT_EQ(boxes.boxes[0].style & 0xF0, UINT(MB_ICONINFORMATION));
        EXPECT_EQ(boxes.boxes[0].text.rfind("Violazione di condivisione.\n", 0), 0u)
            << boxes.boxes[0].text;
        EXPECT_NE(boxes.boxes[0].text.find("\ncomp.dll verrà installato ma diventerà\neffettivo dopo "
                                           "il restart di Windows."),
                  std::string::npos);
        char value[MAX_PATH] = {};
        GetPrivateProfileStringA("rename", setup.Target().c_str(), "", value, sizeof value,
                                 wininit.path.c_str());
        EXPECT_STRCASEEQ(value, waiting.c_str()) << "the older family's rename entry";
        EXPECT_TRUE(PendingRenames::Holds(pendingSource, "!\\??\\" + setup.Target()))
            << "the NT family's delayed move, replacing the file in use";
        EXPECT_EQ(FileMajorVersion(waiting), 2) << "the new file waits beside the old one";
        EXPECT_EQ(FileMajorVersion(setup.Target()), 1);
    }
}

TEST(ShellCopy, FilesAndFolderTreesWithTheirLogLines)
{
    ScopedList list;
    ScratchFolder scratch("copy");
    std::string src = scratch.Sub("src");
    scratch.Sub("src\\tree");
    scratch.Sub("src\\tree\\deep");
    testutil::write_file(src + "\\one.txt", "1");
    testutil::write_file(src + "\\tree\\two.txt", "2");
    testutil::write_file(src + "\\tree\\deep\\three.txt", "3");
    ScopedLog log(scratch / "instlog.txt");
    std::string target = scratch.Sub("out");
    ASSERT_NE(CopyInstallFiles((src + "\\one.txt").c_str(), target.c_str()), 0);
    EXPECT_EQ(testutil::read_file(target + "\\one.txt"), "1");
    ASSERT_NE(CopyInstallFiles((src + "\\tree\\*.*").c_str(), target.c_str()), 0);
    EXPECT_EQ(testutil::read_file(target + "\\two.txt"), "2");
    EXPECT_EQ(testutil::read_file(target + "\\deep\\three.txt"), "3");
    EXPECT_EQ(CopyInstallFiles((src + "\\missing.txt").c_str(), target.c_str()), 0);
    auto lines = log.Lines();
    std::vector<std::string> expected = {
        "COPYING INTO " + target + " FROM " + src + "\\one.txt", ">>>>> 1",
        "COPYING INTO " + target + " FROM " + src + "\\tree\\*.*", ">>>>> 1",
        "COPYING INTO " + target + " FROM " + src + "\\missing.txt"};
    EXPECT_EQ(lines, expected);
}

TEST(ShellCopy, ItalianLineNamesTheSourceNameOnly)
{
    ScopedList list;
    list->english = 'N';
    ScratchFolder scratch("copyit");
    std::string src = scratch.Sub("src");
    testutil::write_file(src + "\\a.txt", "a");
    ScopedLog log(scratch / "instlog.txt");
    std::string target = scratch / "out";
    CopyInstallFiles((src + "\\*.*").c_str(), target.c_str());
    auto lines = log.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "COPIA IN " + target + " DI *");
}

TEST(TreeAttributes, ReadOnlyFilesClearedAndTheWalkEndsInTheParent)
{
    ScratchFolder scratch("attr");
    std::string root = scratch.Sub("root");
    scratch.Sub("root\\plain");
    scratch.Sub("root\\plain\\deep");
    const char* files[] = {"top.txt", "plain\\inner.txt", "plain\\deep\\deepest.txt"};
    for (const char* f : files) {
        std::string p = root + "\\" + f;
        testutil::write_file(p, "x");
        if (!MadeReadOnly(p))
            GTEST_SKIP() << "this file system keeps no read-only bit on files";
    }
    SetTreeAttributes(root.c_str());
    for (const char* f : files) {
        SCOPED_TRACE(f);
        DWORD attributes = GetFileAttributesA((root + "\\" + f).c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY);
    }
    char here[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof here, here);
    EXPECT_STRCASEEQ(here, scratch.path().c_str()) << "the walk ends in the folder's parent";
}

// A folder with any bit beside the folder bit (Wine keeps no read-only bit
// on folders, but it keeps the hidden one) is taken for a file: not entered.
TEST(TreeAttributes, FolderWithOtherBitsIsNotEntered)
{
    ScratchFolder scratch("attrdir");
    std::string root = scratch.Sub("root");
    std::string hidden = scratch.Sub("root\\hidden");
    std::string kept = hidden + "\\kept.txt";
    testutil::write_file(kept, "x");
    ASSERT_TRUE(MadeReadOnly(kept));
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(GetFileAttributesA(hidden.c_str()),
              DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    SetTreeAttributes(root.c_str());
    EXPECT_TRUE(GetFileAttributesA(kept.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST(TreeAttributes, MissingFolderIsLeftAlone)
{
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof before, before);
    SetTreeAttributes("C:\\ondrel_no_such_folder_at_all");
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(before, after);
}
