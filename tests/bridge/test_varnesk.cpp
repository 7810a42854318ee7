// The bridge program itself (VARNESK.exe) started as the shop starts it:
// from its own program folder with a plain "ECR.INI" beside it, in test
// mode (no register). Checks the hidden main form and its published
// handle, a receipt carried through, the menu's Stop and Start, a second
// start ending quietly, a stale published handle, and the clean exit.

#include "testutil.h"
#include "varnesk_probe.h"

#include <gtest/gtest.h>

#include "brisal.h"
#include "published.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

const DWORD kStartMs = 60000;

std::string ProgramFolder()
{
    return testutil::exe_folder() + "\\vkprog";
}

void CopyProgram(const std::string& to)
{
    std::string from = testutil::exe_folder();
    CreateDirectoryA(to.c_str(), nullptr);
    CreateDirectoryA((to + "\\shared").c_str(), nullptr);
    ASSERT_TRUE(CopyVarnesk(from, to));
}

void WriteIni(const std::string& folder)
{
    WriteVarneskIni(folder, "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=" + folder +
                                "\\shared\r\nPolltime=5\r\nProto=1\r\nPort=0\r\nOffline=1\r\n"
                                "Level=1\r\nLog=0\r\nExt=TXT\r\n[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=R\r\n");
}

using Program = VarneskProcess;

HWND PublishedHandle() { return VarneskPublishedHandle(); }

void PostExit(HWND window)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(WORD(-5), 0), 0);
}

class VarneskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = ProgramFolder();
        CopyProgram(folder_);
        WriteIni(folder_);
    }
    std::string folder_;
};

TEST_F(VarneskTest, RunsHiddenCarriesReceiptsAndEndsOnExit)
{
    Program bridge(folder_);
    ASSERT_TRUE(bridge.Started());
    HWND main = VarneskMainOf(bridge.Pid(), kStartMs);
    ASSERT_TRUE(main != nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(WaitFor([&] { return PublishedHandle() == main; }, 10000));
    ASSERT_TRUE(WaitFor([&] { return ServiceRunning(main); }, 30000));
    EXPECT_TRUE(testutil::file_exists(folder_ + "\\ECR.BLW"));
    EXPECT_TRUE(testutil::file_exists(folder_ + "\\ECR.INI"));  // left for the next start

    // A receipt dropped in the shared folder is taken and logged.
    std::string receipt = folder_ + "\\shared\\R1.TXT";
    testutil::write_file(receipt, "=R1/$500\r\n=T1\r\n");
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(receipt); }, 30000));
    EXPECT_TRUE(WaitFor([&] {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((folder_ + "\\shared\\log\\R1_X_X_*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
        return h != INVALID_HANDLE_VALUE;
    }, 10000));

    // A second start ends quietly and leaves the first one's window.
    {
        Program second(folder_);
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(0u, second.WaitExit(kStartMs));
        EXPECT_EQ(main, PublishedHandle());
    }

    // The close box only hides; the menu's Stop ends the service and its
    // Start loads the stored settings again.
    PostMessageA(main, WM_CLOSE, 0, 0);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(1006, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return ServiceEnded(main); }, 20000));
    EXPECT_TRUE(IsWindow(main));
    testutil::write_file(receipt, "=R1/$500\r\n=T1\r\n");
    Sleep(1000);
    EXPECT_TRUE(testutil::file_exists(receipt));  // nobody polls while stopped
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(1007, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return ServiceRunning(main); }, 20000));
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(receipt); }, 30000));

    PostExit(main);
    EXPECT_EQ(0u, bridge.WaitExit(30000));
    EXPECT_FALSE(IsWindow(main));
}

TEST_F(VarneskTest, AboutBoxShowsTheLibraryVersionAndItsPicture)
{
    Program bridge(folder_);
    ASSERT_TRUE(bridge.Started());
    HWND main = VarneskMainOf(bridge.Pid(), kStartMs);
    ASSERT_TRUE(main != nullptr);
    ASSERT_TRUE(WaitFor([&] { return ServiceRunning(main); }, 30000));

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(1010, 0), 0);  // "Informazioni"
    HWND about = VarneskFormOf(bridge.Pid(), "Informazioni", 20000);
    ASSERT_TRUE(about != nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(about) != FALSE; }, 10000));

    // The version as the library beside the program reports it.
    char version[40] = {};
    ecr_get_ver(version);
    ASSERT_NE('\0', version[0]);
    HWND info = nullptr;
    for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (TextOf(c).rfind("VELK ECR Protocol", 0) == 0)
            info = c;
    ASSERT_TRUE(info != nullptr);
    EXPECT_EQ("VELK ECR Protocol\r\nVersione 1.6 del 18/01/2013\r\nVersione DLL " + std::string(version),
              TextOf(info));

    // The picture control holds the program's picture, read from its resource.
    HWND picture = FindWindowExA(about, nullptr, "zpicture", nullptr);
    ASSERT_TRUE(picture != nullptr);
    EXPECT_EQ(1, SendMessageA(picture, 0x09F8, 0, 0));
    EXPECT_EQ(140, SendMessageA(picture, 0x09DE, 0, 0));

    // OK closes it, and the main form takes input again.
    HWND ok = FindWindowExA(about, nullptr, "Button", "OK");
    ASSERT_TRUE(ok != nullptr);
    PostMessageA(ok, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) || !IsWindowVisible(about); }, 10000));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }, 10000));

    PostExit(main);
    EXPECT_EQ(0u, bridge.WaitExit(30000));
}

TEST_F(VarneskTest, StalePublishedHandleDoesNotBlockAStart)
{
    // What a crashed instance leaves: the memory alive (held here) with the
    // handle of a window that no longer exists.
    HWND gone = CreateWindowExA(0, "STATIC", "gone", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(gone != nullptr);
    DestroyWindow(gone);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, "SM_VARNESK");
    ASSERT_TRUE(mapping != nullptr);
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4);
    ASSERT_TRUE(view != nullptr);
    *static_cast<HWND*>(view) = gone;

    Program bridge(folder_);
    ASSERT_TRUE(bridge.Started());
    HWND main = VarneskMainOf(bridge.Pid(), kStartMs);
    ASSERT_TRUE(main != nullptr);
    EXPECT_TRUE(WaitFor([&] { return *static_cast<HWND volatile*>(view) == main; }, 10000));
    PostExit(main);
    EXPECT_EQ(0u, bridge.WaitExit(30000));
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

}  // namespace
