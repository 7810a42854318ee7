// The command tables built from configuration texts, read through the
// platform's profile reader.

#include "bridge_test.h"
#include "commandconfig.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using bridgetest::BoxRecorder;
using bridgetest::boxes;

CommandConfig Load(const std::string& text, bool* declared = nullptr)
{
    CommandConfig config;
    config.talkingLine = 5;
    config.lineOptions["X"] = "stale";
    bool d = LoadCommandConfigText(text, config);
    if (declared)
        *declared = d;
    return config;
}

const char* kBase =
    "[Info]\r\nEcrIp=1.2.3.4\r\nExt=txt, *.dat,name.txt\r\n"
    "[Codice Parlante]\r\nCOMANDO=VEND\r\nOPZIONE ATTIVAZIONE=REP\r\nOPZIONE STAMPA=DES\r\n"
    "NUMERO=1,2,3\r\nFORMAT=\"$\"\r\n"
    "[Comandi]\r\n1=vend\r\n3=Chiusura\r\n29=ULTIMO\r\n30=OLTRE\r\n"
    "[Comandi_off]\r\n1=sconto\r\n[Opzioni_off]\r\n2=nota\r\n"
    "[VEND]\r\nALIAS=V, vendita ,VE\r\nFORMAT= REP+DES+PRE \r\nDEFAULT=rep=1\r\n"
    "1=rep\r\n2=d es\r\n3=pre\r\n30=TROPPO\r\nTERMINATOR=PRE,,X\r\n"
    "[REP]\r\nNMAP1=UNO,ONE\r\nNMAP2=DUE\r\nNMAP30=TRENTA\r\nFORMAT=R\r\n"
    "[DES]\r\nALIAS=D,DESC\r\nFORMAT=---\r\n"
    "[PRE]\r\nFORMAT=$H\r\n"
    "[CHIUSURA]\r\nFORMAT=1T\r\n";

TEST(CommandConfigLoad, TablesOfAPlainText)
{
    bool declared = false;
    CommandConfig c = Load(kBase, &declared);
    EXPECT_TRUE(declared);
    EXPECT_EQ((NameList{".TXT", ".DAT", "NAME.TXT"}), c.acceptedNames);
    EXPECT_EQ((NameList{"VEND", "CHIUSURA", "ULTIMO"}), c.enabledCommands);  // key 30 not read
    EXPECT_EQ((NameList{"SCONTO"}), c.disabledCommands);
    EXPECT_EQ((NameList{"NOTA"}), c.disabledOptions);
    std::vector<std::string> options;
    auto range = c.commandOptions.equal_range("VEND");
    for (auto it = range.first; it != range.second; ++it)
        options.push_back(it->second);
    EXPECT_EQ((NameList{"REP", "DES", "PRE"}), options);
    EXPECT_EQ((NameMap{{"V", "VEND"}, {"vendita", "VEND"}, {"VE", "VEND"}}), c.commandAliases);
    EXPECT_EQ("REP+DES+PRE", c.commandFormats["VEND"]);
    EXPECT_EQ("1T", c.commandFormats["CHIUSURA"]);
    EXPECT_EQ("rep=1", c.commandDefaults["VEND"]);
    EXPECT_EQ((NameMap{{"REP", "R"}, {"DES", ""}, {"PRE", "$H"}}), c.optionFormats);
    ASSERT_EQ(1u, c.terminators.count("VEND"));
    EXPECT_EQ("PRE", c.terminators["VEND"][0]);
    EXPECT_EQ("", c.terminators["VEND"][1]);  // the empty middle field stays empty
    EXPECT_EQ("X", c.terminators["VEND"][2]);
    std::vector<std::pair<std::string, std::string>> maps;
    for (const auto& e : c.valueMaps)
        maps.push_back({e.first, e.second.begin()->first + "=" + e.second.begin()->second});
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"REP", "1=UNO"}, {"REP", "1=ONE"}, {"REP", "2=DUE"}}),
              maps);
    std::vector<std::string> aliases;
    for (const auto& e : c.optionAliases)
        aliases.push_back(e.first + ":" + e.second.begin()->first + ">" + e.second.begin()->second);
    EXPECT_EQ((NameList{"VEND:D>DES", "VEND:DESC>DES"}), aliases);
    EXPECT_EQ("VEND", c.talkingCommand);
    EXPECT_EQ("REP", c.talkingArmOption);
    EXPECT_EQ("DES", c.talkingPrintOption);
    EXPECT_EQ("1,2,3", c.talkingNumbers);
    EXPECT_EQ("$", c.talkingFormat);  // the reader drops the quotes around a value
    EXPECT_EQ(0, c.talkingLine);
    EXPECT_TRUE(c.lineOptions.empty());
}

TEST(CommandConfigLoad, NoCommandWarnsAndStillLoads)
{
    BoxRecorder recorder;
    bool declared = true;
    CommandConfig c = Load("[Info]\r\nExt=\r\n[Comandi_off]\r\n1=x\r\n[Comandi]\r\n30=FAR\r\n", &declared);
    EXPECT_FALSE(declared);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(kNoCommandsMessage, boxes()[0].text);
    EXPECT_EQ("Message", boxes()[0].caption);
    EXPECT_EQ(unsigned(MB_ICONINFORMATION), boxes()[0].style & 0xF0);
    EXPECT_TRUE(c.enabledCommands.empty());
    EXPECT_TRUE(c.acceptedNames.empty());
    EXPECT_EQ((NameList{"X"}), c.disabledCommands);
}

TEST(CommandConfigLoad, OptionNamesAndFirstInsertions)
{
    const char* text =
        "[Comandi]\r\n1=A\r\n2=B\r\n"
        "[A]\r\nFORMAT=QTA\r\n1=q ta\r\n2=\tshared\r\n29=LAST\r\n30=NOT\r\nTERMINATOR=QTA,one,two\r\n"
        "[B]\r\nFORMAT=SHARED\r\n1=SHARED\r\n"
        "[SHARED]\r\nFORMAT=first\r\nALIAS=S\r\n"
        "[QTA]\r\nNMAP2=a,,b, c \r\nFORMAT=---\r\n";
    CommandConfig c = Load(text);
    std::vector<std::string> options;
    auto range = c.commandOptions.equal_range("A");
    for (auto it = range.first; it != range.second; ++it)
        options.push_back(it->second);
    EXPECT_EQ((NameList{"QTA", "SHARED", "LAST"}), options);
    EXPECT_TRUE(c.HasOption("B", "SHARED"));
    EXPECT_EQ("", c.optionFormats["QTA"]);
    EXPECT_EQ("first", c.optionFormats["SHARED"]);
    EXPECT_EQ(2u, c.optionAliases.size());  // S under A and under B
    std::vector<std::string> names;
    for (const auto& e : c.valueMaps)
        names.push_back(e.second.begin()->second);
    EXPECT_EQ((NameList{"a", "b", "c"}), names);
    EXPECT_EQ((std::array<std::string, 3>{"QTA", "one", "two"}), c.terminators["A"]);
}

TEST(CommandConfigLoad, AcceptedNamesRows)
{
    const struct {
        const char* ext;
        NameList names;
    } rows[] = {
        {"txt, *.dat,name.txt", {".TXT", ".DAT", "NAME.TXT"}},
        {"", {}},
        {"   ", {}},
        {"*.*.txt", {".TXT"}},
        {",,TXT,,", {".TXT"}},
        {".scn", {".SCN"}},
        {"a.b.c", {"A.B.C"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.ext);
        CommandConfig c = Load(std::string("[Info]\r\nExt=") + row.ext + "\r\n[Comandi]\r\n1=X\r\n");
        EXPECT_EQ(row.names, c.acceptedNames);
    }
}

TEST(CommandConfigLoad, MissingFileGivesEmptyTables)
{
    BoxRecorder recorder;
    CommandConfig c;
    c.enabledCommands.push_back("OLD");
    EXPECT_FALSE(LoadCommandConfig("Z:\\no\\such\\file.ini", c));
    EXPECT_TRUE(c.enabledCommands.empty());
    EXPECT_EQ(1u, boxes().size());
}

}  // namespace
