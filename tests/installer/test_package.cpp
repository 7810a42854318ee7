// The system's package as a shop gets it: ONDREL.exe run from the unpacked
// zip with its own list installs the system into an empty folder, and the
// installed VARNESK.exe carries a receipt to the simulated register.

#include "loopback_register.h"
#include "ondrel_run.h"
#include "varnesk_probe.h"

#include <gtest/gtest.h>

using namespace insttest;

namespace {

// The shipped list's names.
const char* const kGroup = "VELK ECR Protocol";
const char* const kItem = "VELK ECR Protocol";
const char* const kUninstall = "VELK ECR Protocol";
const char* const kInstalled[] = {"VARNESK.exe", "BRISAL.dll", "Corvex.dll",
                                  "SCILEXER.DLL", "PComm.dll", "ECR.INI"};

// The package unpacked by the ctest fixture beside the program folder.
std::string PackageFolder()
{
    char full[MAX_PATH] = {};
    GetFullPathNameA((testutil::exe_folder() + "\\..\\pkgtest\\dist").c_str(), sizeof full, full,
                     nullptr);
    return full;
}

// Runs the package's installer as a shop does: the proposed folder replaced
// by `destination`, the question to create it answered Yes, the result
// window closed. Answers every other box with OK and records its text.
struct Installation {
    std::string proposed;             // the destination the list proposes
    std::vector<std::string> boxes;   // texts of the other boxes
    std::vector<std::string> result;  // texts of the result window
    bool ended = false;
    std::string why;  // where the run left the script, and how the installer went
};

Installation Install(const std::string& package, const std::string& destination,
                     const std::string& output)
{
    Installation done;
    OndrelRun run(package + "\\ONDREL.exe", "", output);
    HWND dialog = run.WaitDestinationDialog(90000);
    if (!dialog) {
        done.why = "no destination dialog; the installer " + run.State() + "; its output: " +
                   testutil::read_file(output);
        return done;
    }
    done.proposed = ControlText(FindWindowExA(dialog, nullptr, "Edit", nullptr));
    EnterDestination(dialog, destination);
    auto boxOrResult = [](HWND w) { return IsMessageBox(w) || IsInstallerWindowWith(w, "Ok"); };
    for (HWND w; (w = run.WaitWindow(boxOrResult, 180000)) != nullptr;) {
        if (!IsMessageBox(w)) {
            done.result = ResultTexts(w);
            PostMessageA(ChildWithText(w, "button", "Ok"), BM_CLICK, 0, 0);
            break;
        }
        std::string text = BoxText(w);
        bool create = text == "Il percorso non esiste. Vuoi Crearlo?";
        if (!create)
            done.boxes.push_back(text);
        AnswerBox(w, create ? IDYES : IDOK);
    }
    done.ended = run.Ended(60000);
    done.why = "the installer " + run.State();
    return done;
}

}  // namespace

TEST(Package, InstallsTheSystemWhoseBridgeCarriesAReceiptToTheRegister)
{
    std::string package = PackageFolder();
    ASSERT_TRUE(testutil::file_exists(package + "\\ondrel.lst")) << package;
    ScratchFolder scratch("package");
    const std::string destination = scratch / "Varnesk";
    GroupCleanup group{kGroup};
    UninstallCleanup uninstall{kUninstall};

    Installation installed = Install(package, destination, scratch / "ondrel_out.txt");
    ASSERT_TRUE(installed.ended) << installed.why;
    char programFiles[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", programFiles, sizeof programFiles);
    EXPECT_EQ(installed.proposed, std::string(programFiles) + "\\Varnesk");
    EXPECT_EQ(installed.boxes, std::vector<std::string>{}) << "no box but the folder question";
    EXPECT_EQ(installed.result, std::vector<std::string>{"Installazione terminata con successo."});
    EXPECT_TRUE(GroupItemExists(kGroup, kItem)) << "the bridge's item in its group";

    for (const char* name : kInstalled) {
        SCOPED_TRACE(name);
        std::string shipped = testutil::read_file(package + "\\" + name);
        ASSERT_FALSE(shipped.empty());
        EXPECT_TRUE(testutil::read_file(destination + "\\" + name) == shipped)
            << "installed as shipped";
    }
    auto log = testutil::lines_of(testutil::read_file(destination + "\\instlog.txt"));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Setup successfully completed.");
    EXPECT_EQ(uninstall.Value("DisplayName"), kUninstall);
    EXPECT_EQ(uninstall.Value("UninstallString"), destination + "\\Unondrel.exe");

    // The shop puts its register's address and its shared folder into the
    // sample settings, then starts the installed bridge.
    LoopbackRegister reg("127.0.0.1");
    ASSERT_TRUE(reg.Start()) << reg.tftp.lastError();
    std::string shared = scratch.Sub("Scontrini");
    std::string settings = destination + "\\ECR.INI";
    ASSERT_TRUE(WritePrivateProfileStringA("Info", "EcrIp", "127.0.0.1", settings.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Info", "Cartella", shared.c_str(), settings.c_str()));
    VarneskProcess bridge(destination);
    ASSERT_TRUE(bridge.Started());
    HWND main = VarneskMainOf(bridge.Pid(), 60000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ServiceRunning(main); }, 30000));

    // A receipt in the shop's command language, translated by the sample's
    // configuration and sent to the register.
    std::string receipt = shared + "\\S0001.TXT";
    testutil::write_file(receipt, "VEND REP=1,PREZZO=250\r\nCHIUSURA\r\n");
    const std::string sent = "1R250HM1T";
    EXPECT_TRUE(WaitFor([&] { return reg.peer.received() == sent; }, 60000))
        << "the register received \"" << reg.peer.received() << "\"";
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(receipt); }, 30000))
        << "the receipt is taken from the shared folder";
}
