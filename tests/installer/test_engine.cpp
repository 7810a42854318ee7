// Whole runs of the install engine over real files, commands and registry
// data files, with the steps it shows and the log lines it writes.

#include "inst_test.h"

#include "instengine.h"
#include "instshell.h"

#include "xsystem.h"

#include <gtest/gtest.h>

using insttest::BoxScript;
using insttest::Component;
using insttest::FileMajorVersion;
using insttest::RecordingView;
using insttest::ScopedInstallerFolder;
using insttest::ScopedList;
using insttest::ScopedLog;
using insttest::ScratchFolder;

namespace {

std::string UniqueName(const char* what)
{
    return std::string("OndrelTest_") + what + "_" + std::to_string(GetCurrentProcessId());
}

// The uninstaller's key of a test, read and deleted.
struct UninstallEntry {
    explicit UninstallEntry(std::string n) : name(std::move(n)) { Delete(); }
    ~UninstallEntry() { Delete(); }
    std::string Key() const { return UninstallKey(name.c_str()).c_str(); }
    void Delete() const { RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key().c_str()); }
    bool Exists() const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key().c_str(), 0, KEY_READ, &key))
            return false;
        RegCloseKey(key);
        return true;
    }
    std::string Value(const char* value) const
    {
        char data[1024] = {};
        DWORD size = sizeof data - 1;
        RegGetValueA(HKEY_LOCAL_MACHINE, Key().c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size);
        return data;
    }
    std::string name;
};

// An installer folder with components and a destination of the test.
struct EngineSetup {
    EngineSetup() : scratch("engine"), uninstall(UniqueName("engine"))
    {
        installer = scratch.Sub("setup");
        destination = scratch.Sub("dest");
        folder.reset(new ScopedInstallerFolder(installer));
        view.reset(new RecordingView(destination));
        list->uninstallName = uninstall.name.c_str();
        stepCounter = 1;
    }
    std::vector<std::string> LogLines() { return log->Lines(); }
    void OpenLog() { log.reset(new ScopedLog(scratch / "instlog.txt")); }

    ScopedList list;
    ScratchFolder scratch;
    UninstallEntry uninstall;
    std::string installer, destination;
    std::unique_ptr<ScopedInstallerFolder> folder;
    std::unique_ptr<RecordingView> view;
    std::unique_ptr<ScopedLog> log;
};

}  // namespace

TEST(InstallEngine, EmptyListShowsOneStepAndRegistersTheUninstaller)
{
    EngineSetup setup;
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(setup.view->shown, 1);
    EXPECT_EQ(setup.view->closed, 1);
    EXPECT_EQ(setup.view->rangeLow, 1);
    EXPECT_EQ(setup.view->rangeHigh, 1);
    EXPECT_EQ(setup.view->positions, std::vector<int>{1});
    EXPECT_EQ(setup.view->stepTexts, std::vector<std::string>{"Step 1 (1 total)"});
    EXPECT_EQ(setup.uninstall.Value("UninstallString"), setup.destination + "\\Unondrel.exe");
    EXPECT_EQ(setup.uninstall.Value("DisplayIcon"), setup.destination + "\\Unondrel.exe,0");
    EXPECT_EQ(setup.uninstall.Value("DisplayName"), setup.uninstall.name);
}

TEST(InstallEngine, DatabaseStepsEnlargeTheTotal)
{
    struct Row {
        const char* db;
        int number;
        int total;
        const char* text;
    } rows[] = {{"base", 0, 10, "Passo 1 (10 totali)"},
                {"base", 4, 10, "Passo 1 (10 totali)"},
                {"base", 5, 1, "Passo 1 (1 totali)"},
                {"base", -1, 1, "Passo 1 (1 totali)"},
                {"", 0, 1, "Passo 1 (1 totali)"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.db) + " " + std::to_string(row.number));
        EngineSetup setup;
        setup.list->english = 'N';
        setup.list->db = row.db;
        setup.list->dbNumber = row.number;
        EXPECT_TRUE(RunInstall());
        EXPECT_EQ(setup.view->rangeHigh, row.total);
        ASSERT_EQ(setup.view->stepTexts.size(), 1u);
        EXPECT_EQ(setup.view->stepTexts[0], row.text);
    }
}

TEST(InstallEngine, FullRunCopiesInstallsRewritesRunsAndLogs)
{
    EngineSetup setup;
    const std::string& in = setup.installer;
    testutil::write_file(in + "\\readme.txt", "read me");
    setup.scratch.Sub("setup\\data");
    testutil::write_file(in + "\\data\\table.dat", "table");
    CopyFileA(Component(2).c_str(), (in + "\\comp.dll").c_str(), FALSE);
    testutil::write_file(in + "\\app.reg", "path=\"$MAINFOLDER$\\bin\"\r\nsys=$systemfolder$\r\n");
    setup.scratch.Sub("dest\\lib");
    std::string list =
        "COPY=readme.txt,.\r\nCOPY=data,db\r\nCOPY=readme.txt,$systemfonts$\r\nITEM=comp.dll,NOP,Comp\r\n"
        "FREG=\"$MAINFOLDER$app.reg\"\r\nSHELL=cmd /c exit 0\r\nEXPAND=comp.dll,lib\r\n";
    ParseInstallList(list.c_str(), *setup.list);
    setup.OpenLog();
    BoxScript boxes;
    ASSERT_TRUE(RunInstall());
    EXPECT_TRUE(boxes.boxes.empty());
    const std::string& out = setup.destination;
    EXPECT_EQ(testutil::read_file(out + "\\readme.txt"), "read me");
    EXPECT_EQ(testutil::read_file(out + "\\db\\table.dat"), "table");
    // Not a marker in small letters: a name below the destination (the shell
    // copies one file to a name that does not exist yet as that name).
    EXPECT_EQ(testutil::read_file(out + "\\$systemfonts$"), "read me");
    EXPECT_EQ(FileMajorVersion(out + "\\comp.dll"), 2);
    EXPECT_EQ(FileMajorVersion(out + "\\lib\\comp.dll"), 2);
    std::string doubled = out, sys = xsys().GetSystemFolder().c_str();
    for (std::string* s : {&doubled, &sys})
        for (size_t at = 0; (at = s->find('\\', at)) != std::string::npos; at += 2)
            s->insert(at, "\\");
    EXPECT_EQ(testutil::read_file(in + "\\app.reg"),
              "path=\"" + doubled + "\\bin\"\r\nsys=" + sys + "\r\n");
    EXPECT_EQ(setup.view->rangeHigh, 8);
    EXPECT_EQ(setup.view->positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(setup.view->stepTexts.back(), "Step 8 (8 total)");
    EXPECT_NE(setup.view->notes.find("\r\n\r\nATTENDERE QUALCHE MINUTO PER IL COMPLETAMENTO DEL "
                                     "SETUP\r\n\r\n"),
              std::string::npos);
    std::vector<std::string> expected = {
        "COPYING INTO " + out + " FROM " + in + "\\readme.txt", ">>>>> 1",
        "COPYING INTO " + out + "\\db FROM " + in + "\\data\\*.*", ">>>>> 1",
        "COPYING INTO " + out + "\\$systemfonts$ FROM " + in + "\\readme.txt", ">>>>> 1",
        "INSTALLING " + out + "\\comp.dll FROM " + in + "\\comp.dll",
        "Reg> " + in + "\\app.reg",
        ">>>>> cmd /c exit 0 >>>>> 0",
        "INSTALLING " + out + "\\lib\\comp.dll FROM " + in + "\\comp.dll"};
    EXPECT_EQ(setup.LogLines(), expected);
    EXPECT_EQ(setup.view->closed, 1);
    EXPECT_TRUE(setup.uninstall.Exists());
}

TEST(InstallEngine, FailingCommandStopsTheRun)
{
    EngineSetup setup;
    CopyFileA(Component(2).c_str(), (setup.installer + "\\comp.dll").c_str(), FALSE);
    setup.scratch.Sub("dest\\lib");
    ParseInstallList("SHELL=cmd /c exit 1\r\nSHELL=cmd /c exit 0\r\nEXPAND=comp.dll,lib\r\n",
                     *setup.list);
    setup.OpenLog();
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(setup.LogLines(), std::vector<std::string>{">>>>> cmd /c exit 1 >>>>> 1"});
    EXPECT_FALSE(testutil::file_exists(setup.destination + "\\lib\\comp.dll"));
    EXPECT_FALSE(setup.uninstall.Exists()) << "the uninstaller is registered only at the end";
    EXPECT_EQ(setup.view->closed, 0) << "the progress stays open after a stop";
}

TEST(InstallEngine, CommandThatCannotStartIsLoggedWithItsReason)
{
    EngineSetup setup;
    ParseInstallList("SHELL=ondrel_no_such_program.exe /x\r\n", *setup.list);
    setup.OpenLog();
    EXPECT_FALSE(RunInstall());
    std::string log = testutil::read_file(setup.scratch / "instlog.txt");
    EXPECT_EQ(log.rfind(">>>>> ondrel_no_such_program.exe /x >>>>>> ", 0), 0u) << log;
    EXPECT_NE(log.find("xprocess::Execute"), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}

TEST(InstallEngine, BlankCommandCannotStartAndStopsTheRun)
{
    struct Row {
        const char* name;
        const char* list;
    } rows[] = {{"nothing after the keyword", "SHELL="},
                {"only blanks before the line end", "SHELL=   \r\nSHELL=cmd /c exit 0\r\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineSetup setup;
        ParseInstallList(row.list, *setup.list);
        ASSERT_GE(setup.list->commands.Count(), 1);
        ASSERT_TRUE(setup.list->commands[0].text.IsBlank());
        setup.OpenLog();
        BoxScript boxes;
        EXPECT_FALSE(RunInstall());
        std::vector<std::string> lines = setup.LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind(">>>>>  >>>>>> ", 0), 0u) << lines[0];
        std::string log = testutil::read_file(setup.scratch / "instlog.txt");
        EXPECT_NE(log.find("xprocess::Execute. No module name."), std::string::npos) << log;
        EXPECT_EQ(log.find("cmd /c exit 0"), std::string::npos) << "no later command runs";
        EXPECT_FALSE(setup.uninstall.Exists());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("xprocess::Execute. No module name."), std::string::npos);
    }
}

TEST(InstallEngine, RegistryDataFilesMissingOrUnicode)
{
    EngineSetup setup;
    std::string unicode("\xFF\xFE" "W\0i\0n\0$\0M\0A\0I\0N\0F\0O\0L\0D\0E\0R\0$\0", 28);
    testutil::write_file(setup.installer + "\\wide.reg", unicode);
    ParseInstallList("FREG= $MAINFOLDER$missing.reg \r\nFREG=$MAINFOLDER$wide.reg\r\n", *setup.list);
    setup.OpenLog();
    EXPECT_TRUE(RunInstall());
    std::string missing = setup.installer + "\\missing.reg";
    EXPECT_TRUE(testutil::file_exists(missing));
    EXPECT_EQ(testutil::read_file(missing), "");
    EXPECT_EQ(testutil::read_file(setup.installer + "\\wide.reg"), unicode)
        << "a file with zero bytes is written back whole";
    std::vector<std::string> expected = {"Reg> " + missing, "Reg> " + setup.installer + "\\wide.reg"};
    EXPECT_EQ(setup.LogLines(), expected);
}

TEST(InstallEngine, FailedCopyStopsBeforeItems)
{
    EngineSetup setup;
    CopyFileA(Component(2).c_str(), (setup.installer + "\\comp.dll").c_str(), FALSE);
    ParseInstallList("COPY=absent.txt,.\r\nITEM=comp.dll,x,y\r\n", *setup.list);
    BoxScript boxes;
    EXPECT_FALSE(RunInstall());
    EXPECT_FALSE(testutil::file_exists(setup.destination + "\\comp.dll"));
    EXPECT_EQ(setup.view->positions, (std::vector<int>{1, 2}));
}

TEST(InstallEngine, NoUninstallNameWritesNoUninstallValues)
{
    EngineSetup setup;
    setup.list->uninstallName = "";
    const std::string root = UninstallKey("").c_str();
    EXPECT_TRUE(RunInstall());
    DWORD size = 0;
    EXPECT_NE(RegGetValueA(HKEY_LOCAL_MACHINE, root.c_str(), "UninstallString", RRF_RT_REG_SZ,
                           nullptr, nullptr, &size),
              ERROR_SUCCESS)
        << "the list of removable programs itself stays untouched";
}
