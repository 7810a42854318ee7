// The enciphered settings store: round trips, refusals of foreign or broken
// stores, the plain import, the work copies and the settings save.

#include "bridge_test.h"
#include "blowfish.h"
#include "settingsstore.h"
#include "testutil.h"
#include "workfile.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using bridgetest::BoxRecorder;
using bridgetest::boxes;

class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::string(xsys().GetTempFolder().c_str()) + "bridge_store_test\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        DeleteFileA(store_.StorePath().c_str());
        DeleteFileA(store_.ImportPath().c_str());
    }
    void TearDown() override
    {
        DeleteFileA(store_.StorePath().c_str());
        DeleteFileA(store_.ImportPath().c_str());
        DeleteFileA(Plain().c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Plain() const { return folder_ + "plain.ini"; }
    void Store_(const std::string& text)
    {
        testutil::write_file(Plain(), text);
        ASSERT_TRUE(store_.Write(Plain()));
    }
    std::string Raw() const { return testutil::read_file(store_.StorePath()); }

    std::string folder_ = std::string(xsys().GetTempFolder().c_str()) + "bridge_store_test\\";
    SettingsStore store_{folder_};
};

TEST_F(Store, RoundTripWithZeroBytesInTheCiphertext)
{
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        text = "[Info]\r\nEcrIp=10.0.0." + std::to_string(i) + "\r\npolltime=5";
        Store_(text);
        if (Raw().find('\0') != std::string::npos)
            break;
    }
    ASSERT_NE(std::string::npos, Raw().find('\0'));
    EXPECT_EQ(Blowfish::PaddedLength(text.size()), Raw().size());
    EXPECT_EQ(text, store_.Read());
}

TEST_F(Store, ShortTextsAndWholeBlocks)
{
    for (size_t n = 1; n <= 16; ++n) {
        SCOPED_TRACE(n);
        std::string text;
        for (size_t i = 0; i < n; ++i)
            text += char('a' + i);
        Store_(text);
        EXPECT_EQ(n <= 8 ? 8u : 16u, Raw().size());
        EXPECT_EQ(text, store_.Read());
    }
}

TEST_F(Store, OuterBlanksAreNotStored)
{
    Store_("\r\n \t [Info]\r\n  EcrIp = 1.2.3.4  \r\n\r\n[X]\r\nA=1 \r\n\r\n  ");
    EXPECT_EQ("[Info]\r\n  EcrIp = 1.2.3.4  \r\n\r\n[X]\r\nA=1", store_.Read());
}

// The reader gives the text up to its first zero byte, whatever bytes the
// writer stored.
TEST_F(Store, EveryTextTheWriterStoresReadsBack)
{
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"a control character inside a value", "[Info]\r\nEcrIp=1.2.3.4\r\nNota=a\x01" "b\r\npolltime=5"},
        {"an escape in a command's format", "[VEND]\r\nFORMAT=\x1B" "R\r\n1=REP"},
        {"delete and bytes above 127", "[X]\r\nA=\x7F\xE8\xFF"},
        {"a lone carriage return and a tab", "[X]\r\nA=1\rB=\t2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Store_(row.text);
        EXPECT_EQ(row.text, store_.Read());
    }
}

TEST_F(Store, BrokenAndForeignStoresAreRefusedByTheLoad)
{
    Store_("[Info]\r\nEcrIp=1.2.3.4\r\nCartella=C:\\\r\npolltime=5\r\n");
    const std::string good = Raw();
    ASSERT_FALSE(store_.Read().empty());

    Blowfish other;
    const unsigned char key[8] = {'o', 't', 'h', 'e', 'r', 'k', 'e', 'y'};
    other.Init(key, sizeof key);
    std::string plain = "[Info]\r\nEcrIp=1.2.3.4\r\nCartella=C:\\\r\npolltime=5";
    std::string foreign(Blowfish::PaddedLength(plain.size()), '\0');
    std::copy(plain.begin(), plain.end(), foreign.begin());
    other.Encrypt(reinterpret_cast<unsigned char*>(&foreign[0]),
                  reinterpret_cast<unsigned char*>(&foreign[0]), plain.size());

    const struct {
        const char* name;
        std::string bytes;
        bool present;
        bool empty;  // else unreadable text up to its first zero byte
    } rows[] = {
        {"missing", "", false, true},
        {"empty", "", true, true},
        {"not whole blocks", good.substr(0, good.size() - 3), true, true},
        {"one byte", good.substr(0, 1), true, true},
        {"another key", foreign, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(store_.StorePath().c_str());
        if (row.present)
            testutil::write_file(store_.StorePath(), row.bytes);
        std::string read = store_.Read();
        EXPECT_EQ(row.empty, read.empty());
        EXPECT_EQ(std::string::npos, read.find('\0'));
        EXPECT_EQ(std::string::npos, read.find("EcrIp"));
        // The load then refuses the settings with its first message.
        BoxRecorder recorder;
        std::string copy = store_.WriteLoadCopy();
        EXPECT_EQ(read, testutil::read_file(copy));
        EXPECT_FALSE(CheckSettings(ReadBridgeSettings(copy.c_str())));
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ("ATTENZIONE: nessuna indirizzo ip dichiarato nel file di configurazione",
                  boxes()[0].text);
        EXPECT_EQ("Message", boxes()[0].caption);
    }
}

TEST_F(Store, ImportLeavesThePlainFileAndMissingSourceChangesNothing)
{
    EXPECT_FALSE(store_.Import());
    EXPECT_FALSE(testutil::file_exists(store_.StorePath()));
    testutil::write_file(store_.ImportPath(), "[Info]\r\nEcrIp=9.9.9.9\r\n");
    EXPECT_TRUE(store_.Import());
    EXPECT_TRUE(testutil::file_exists(store_.ImportPath()));
    EXPECT_EQ("[Info]\r\nEcrIp=9.9.9.9", store_.Read());
    DeleteFileA(store_.ImportPath().c_str());
    EXPECT_FALSE(store_.Write(store_.ImportPath()));
    EXPECT_EQ("[Info]\r\nEcrIp=9.9.9.9", store_.Read());
}

TEST_F(Store, LoadCopyAndSettings)
{
    Store_("[Info]\r\necrip=1.2.3.4\r\ncartella=" + folder_.substr(0, folder_.size() - 1) +
           "\r\npolltime=999999999\r\nproto=1\r\nbackup=1\r\nlog=2\r\noffline=1\r\nlevel=5\r\n"
           "ext=txt\r\nport=3\r\nbaud=4x\r\n");
    std::string copy = store_.WriteLoadCopy();
    EXPECT_EQ(std::string(xsys().GetTempFolder().c_str()) + "tmp277.tmp", copy);
    EXPECT_EQ(store_.Read(), testutil::read_file(copy));
    BridgeSettings s = ReadBridgeSettings(copy.c_str());
    EXPECT_EQ("1.2.3.4", s.EcrIp);
    EXPECT_EQ(folder_.substr(0, folder_.size() - 1) + "\\log", s.logFolder);
    EXPECT_EQ(107374182, s.polltime);  // cut so that 20 ms each is a wait that fits
    EXPECT_EQ(1, s.Proto);
    EXPECT_EQ(1, s.Backup);
    EXPECT_EQ(2, s.log);
    EXPECT_EQ(1, s.Offline);
    EXPECT_EQ(5, s.Level);
    EXPECT_EQ("txt", s.Ext);
    EXPECT_EQ(3, s.Port);
    EXPECT_EQ(4, s.Baud);
    BoxRecorder recorder;
    EXPECT_TRUE(CheckSettings(s));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Store, RefusalsInOrder)
{
    const std::string dir = folder_.substr(0, folder_.size() - 1);
    const struct {
        const char* info;
        const char* message;
    } rows[] = {
        {"ecrip= \r\ncartella=x\r\n", "ATTENZIONE: nessuna indirizzo ip dichiarato nel file di configurazione"},
        {"ecrip=1\r\n", "ATTENZIONE: nessuna cartella condivisa dichiarata nel file di configurazione"},
        {"ecrip=1\r\ncartella=Z:\\no\\such\\dir\r\npolltime=1\r\n",
         "ATTENZIONE: cartella condivisa non valida dichiarata nel file di configurazione"},
        {"ecrip=1\r\ncartella=@\r\npolltime=-3\r\n",
         "ATTENZIONE: l'intervallo di polling \xE8 errato o mancante nel file di configurazione"},
        {"ecrip=1\r\ncartella=@\r\n",
         "ATTENZIONE: l'intervallo di polling \xE8 errato o mancante nel file di configurazione"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.info);
        std::string info = row.info;
        size_t at = info.find('@');
        if (at != std::string::npos)
            info.replace(at, 1, dir);
        Store_("[Info]\r\n" + info);
        BoxRecorder recorder;
        EXPECT_FALSE(CheckSettings(ReadBridgeSettings(store_.WriteLoadCopy().c_str())));
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ(row.message, boxes()[0].text);
        EXPECT_EQ(unsigned(MB_ICONINFORMATION), boxes()[0].style & 0xF0);
    }
}

TEST_F(Store, SaveKeepsEveryOtherLine)
{
    const std::string text =
        "; settings of the shop\r\n[Info]\r\nEcrIp=1.1.1.1\r\npolltime=7\r\nlog=1\r\n"
        "Level=6\r\n; a comment inside\r\n[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=A+B\r\n1=A";
    Store_(text);
    BridgeSettings s;
    s.EcrIp = "192.168.0.9";
    s.Cartella = "C:\\shop";
    s.Ext = "txt,dat";
    s.Proto = 1;
    s.Port = 2;
    s.Baud = 5;
    s.Backup = 1;
    s.Offline = 0;
    s.Level = 7;
    s.polltime = 99;  // not written
    s.log = 0;        // not written
    ASSERT_TRUE(store_.SaveSettings(s));
    EXPECT_FALSE(testutil::file_exists(SettingsStore::SaveCopyPath()));
    std::string saved = store_.Read();
    for (const char* part : {"; settings of the shop", "; a comment inside", "[Comandi]", "1=VEND",
                             "[VEND]", "FORMAT=A+B", "1=A", "polltime=7", "log=1"})
        EXPECT_NE(std::string::npos, saved.find(part)) << part << " in\n" << saved;
    std::string copy = store_.WriteLoadCopy();
    BridgeSettings back = ReadBridgeSettings(copy.c_str());
    EXPECT_EQ("192.168.0.9", back.EcrIp);
    EXPECT_EQ("C:\\shop", back.Cartella);
    EXPECT_EQ("txt,dat", back.Ext);
    EXPECT_EQ(1, back.Proto);
    EXPECT_EQ(2, back.Port);
    EXPECT_EQ(5, back.Baud);
    EXPECT_EQ(1, back.Backup);
    EXPECT_EQ(0, back.Offline);
    EXPECT_EQ(7, back.Level);
    EXPECT_EQ(7, back.polltime);
    EXPECT_EQ(1, back.log);
    EXPECT_EQ("VEND", std::string(xsys().ReadProfileString("Comandi", "1", "", copy.c_str()).c_str()));
}

}  // namespace
