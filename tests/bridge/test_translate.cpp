// Receipt lines through the translation against a recording sender: the
// texts sent, the messages added, the aborts and the generated text.

#include "bridge_test.h"
#include "bridgelog.h"
#include "commandconfig.h"
#include "receipt.h"
#include "testutil.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using bridgetest::RecordingSender;
using Lines = std::vector<std::string>;

const char* kConfig =
    "[Codice Parlante]\r\nCOMANDO=ART\r\nOPZIONE ATTIVAZIONE=REP\r\nOPZIONE STAMPA=PREZZO\r\n"
    "NUMERO=7,8\r\nFORMAT=[$]\r\n"
    "[Comandi]\r\n1=VEND\r\n2=CHIUSURA\r\n3=SHELL\r\n4=NOFMT\r\n5=PAGA\r\n6=TESTO\r\n7=ART\r\n"
    "[Comandi_off]\r\n1=SCONTO\r\n"
    "[Opzioni_off]\r\n1=NOTA\r\n"
    "[VEND]\r\nALIAS=V,VENDITA\r\nFORMAT=REP+PREZZO+QTA\r\n1=REP\r\n2=PREZZO\r\n3=QTA\r\n"
    "4=EXTRA\r\nTERMINATOR=QTA,M,N\r\n"
    "[REP]\r\nALIAS=R\r\nNMAP1=UNO\r\nFORMAT=R\r\n"
    "[PREZZO]\r\nFORMAT=H\r\n"
    "[ART]\r\nFORMAT=REP+PREZZO\r\n1=REP\r\n2=PREZZO\r\n"
    "[QTA]\r\nFORMAT=*$\r\n"
    "[CHIUSURA]\r\nFORMAT=1T\r\n"
    "[NOFMT]\r\n1=A\r\n"
    "[PAGA]\r\nFORMAT=IMP+TIPO\r\nDEFAULT=TIPO=1\r\n1=IMP\r\n2=TIPO\r\n"
    "[IMP]\r\nFORMAT=H\r\n"
    "[TIPO]\r\nNMAP1=2\r\nNMAP2=CONTANTI\r\nFORMAT=T$\r\n"
    "[TESTO]\r\nFORMAT=DES\r\n1=DES\r\n"
    "[DES]\r\nFORMAT=($)\r\n";

const CommandConfig& Config()
{
    static CommandConfig config = [] {
        CommandConfig c;
        LoadCommandConfigText(kConfig, c);
        return c;
    }();
    return config;
}

const std::string kTail = " SCONTRINO NON COMPLETAMENTE ELABORATO";

struct Row {
    const char* name;
    Lines lines;
    Lines sent;
    std::string messages;
    bool completed;
};

struct Outcome {
    Lines sent;
    ReceiptState state;
    bool completed;
};

Outcome RunLines(const Lines& lines, CommandConfig& config, RecordingSender& sender, int proto = 0)
{
    Outcome out;
    ReceiptTranslator translator(config, &sender, nullptr);
    out.completed = TranslateReceipt(translator, proto, out.state, lines);
    out.sent = sender.sent;
    return out;
}

std::string Generated(const Lines& sent)
{
    std::string g;
    for (const auto& s : sent)
        g += "\r\n" + s;
    return g;
}

void CheckRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CommandConfig config = Config();
        RecordingSender sender;
        Outcome out = RunLines(row.lines, config, sender);
        EXPECT_EQ(row.sent, out.sent);
        EXPECT_EQ(row.messages, out.state.receiptMessages);
        EXPECT_EQ(row.completed, out.completed);
        if (row.completed) {
            EXPECT_EQ(Generated(row.sent), out.state.generatedText);
        }
    }
}

TEST(Translation, OptionsValuesAndFormats)
{
    CheckRows({
        {"options with value maps", {"VEND REP=1,PREZZO=150,QTA=2"}, {"UNOR150H*2M"}, "", true},
        {"alias and lower case", {"v rep=1,prezzo=3"}, {"UNOR3HN"}, "", true},
        {"option alias", {"VENDITA R=2,PREZZO=1"}, {"2R1HN"}, "", true},
        {"blank after comma", {"v prezzo=150, qta"}, {"150H*M"}, "", true},
        {"blanks around values", {"VEND PREZZO = 150 , QTA = 2"}, {"150H*2M"}, "", true},
        {"value without =", {"VEND PREZZO 150"}, {"150HN"}, "", true},
        {"comma means no value", {"VEND QTA,PREZZO=3"}, {"3H*M"}, "", true},
        {"end of line empty value", {"VEND PREZZO=3,QTA"}, {"3H*M"}, "", true},
        {"repeated keeps first", {"VEND PREZZO=1,PREZZO=2"}, {"1HN"}, "", true},
        {"colon prefix", {"TESTO DES=:XYZ"}, {"XYZ"}, "", true},
        {"quoted commas and blanks", {"TESTO DES='a,b c'"}, {"(a,b c)"}, "", true},
        {"quoted equal sign", {"TESTO DES='a=b'"}, {"(a=b)"}, "", true},
        {"doubled quote", {"TESTO DES='it''s'"}, {"(it's)"}, "", true},
        {"doubled quote unquoted", {"TESTO DES=l''uno"}, {"(l'uno)"}, "", true},
        {"replaced double quote", {"TESTO DES=x\xB4y\xB4"}, {"(x'y')"}, "", true},
        {"unterminated quote", {"TESTO DES='abc"}, {"(abc)"}, "", true},
        {"doubled blank before an option without value", {"VEND  QTA,PREZZO=3"}, {"3H*M"}, "", true},
        {"doubled blank before an option with value", {"VEND  PREZZO=3"}, {"3HN"}, "", true},
        {"option after a quoted value", {"VEND QTA='2,5',PREZZO=3"}, {"3H*2,5M"}, "", true},
        {"chained value maps", {"PAGA IMP=10,TIPO=1"}, {"10HTCONTANTI"}, "", true},
        {"default", {"PAGA"}, {"TCONTANTI"}, "", true},
        {"command without options", {"CHIUSURA"}, {"1T"}, "", true},
        {"several commands", {"CHIUSURA chiusura CHIUSURA"}, {"1T", "1T", "1T"}, "", true},
        {"terminator absent", {"VEND PREZZO=1"}, {"1HN"}, "", true},
    });
}

TEST(Translation, EveryMessageAndAbort)
{
    CheckRows({
        {"unknown command", {"CHIUSURA", "XYZ 1 2", "CHIUSURA"}, {"1T"},
         "RIGA 2 - COMANDO SCONOSCIUTO: XYZ\r\nSULLA LINEA: XYZ 1 2" + kTail, false},
        {"disabled command", {"SCONTO 10  20", "CHIUSURA"}, {"1T"},
         "RIGA 1 - COMANDO IGNORATO: SCONTO 10  20\r\n", true},
        {"missing format", {"NOFMT A=1"}, {},
         "RIGA 1 - FORMATO MANCANTE DEL COMANDO: NOFMT\r\nSULLA LINEA: NOFMT A=1" + kTail, false},
        {"missing option", {"vend"}, {},
         "RIGA 1 - OPZIONE MANCANTE NEL COMANDO: VEND\r\nSULLA LINEA: vend" + kTail, false},
        {"disabled option drops its value", {"VEND NOTA=x,PREZZO=1"}, {"1HN"},
         "RIGA 1 - OPZIONE IGNORATA: NOTA\r\n", true},
        // Blanks around "=" as an enabled option takes them.
        {"disabled option drops its value after a blank and an equal sign", {"VEND NOTA = x,PREZZO=1"},
         {"1HN"}, "RIGA 1 - OPZIONE IGNORATA: NOTA\r\n", true},
        {"disabled option drops its value after a blank", {"VEND NOTA =x,PREZZO=1"}, {"1HN"},
         "RIGA 1 - OPZIONE IGNORATA: NOTA\r\n", true},
        {"disabled option without value", {"VEND NOTA,PREZZO=1"}, {"1HN"},
         "RIGA 1 - OPZIONE IGNORATA: NOTA\r\n", true},
        {"disabled option before a blank keeps the next option", {"VEND NOTA PREZZO=3"}, {"3HN"},
         "RIGA 1 - OPZIONE IGNORATA: NOTA\r\n", true},
        {"unknown option", {"CHIUSURA", "VEND PREZZO=1,FOO=2"}, {"1T"},
         "RIGA 2 - OPZIONE SCONOSCIUTA: FOO\r\nSULLA LINEA: VEND PREZZO=1,FOO=2" + kTail, false},
        {"option not in format", {"VEND EXTRA=1,PREZZO=2"}, {"2HN"},
         "RIGA 1 - OPZIONE ACCETTATA MA NON ELABORATA: EXTRA\r\n", true},
        {"messages of two lines", {"SCONTO", "VEND EXTRA=1,PREZZO=2"}, {"2HN"},
         "RIGA 1 - COMANDO IGNORATO: SCONTO \r\nRIGA 2 - OPZIONE ACCETTATA MA NON ELABORATA: EXTRA\r\n",
         true},
    });
}

TEST(Translation, RefusalsEmptyTheGeneratedText)
{
    for (const char* bad : {"XYZ", "NOFMT", "VEND", "VEND FOO"}) {
        SCOPED_TRACE(bad);
        CommandConfig config = Config();
        RecordingSender sender;
        Outcome out = RunLines({"CHIUSURA", bad}, config, sender);
        EXPECT_FALSE(out.completed);
        EXPECT_EQ("", out.state.generatedText);
        EXPECT_EQ(Lines{"1T"}, out.sent);
    }
}

TEST(Translation, EarlierMessageGetsALineBreak)
{
    CommandConfig config = Config();
    RecordingSender sender;
    ReceiptTranslator translator(config, &sender, nullptr);
    ReceiptState state;
    state.receiptMessages = "earlier";
    translator.ProcessLine(0, state, "CHIUSURA", 1);
    EXPECT_EQ("earlier\r\n", state.receiptMessages);
}

TEST(Translation, TestModeSendsNothing)
{
    CommandConfig config = Config();
    ReceiptTranslator translator(config, nullptr, nullptr);
    ReceiptState state;
    EXPECT_TRUE(TranslateReceipt(translator, 0, state, {"CHIUSURA", "VEND EXTRA=1,PREZZO=2"}));
    EXPECT_EQ("\r\n1T\r\n2HN", state.generatedText);
    EXPECT_EQ("RIGA 2 - OPZIONE ACCETTATA MA NON ELABORATA: EXTRA\r\n", state.receiptMessages);
}

TEST(Translation, TalkingCode)
{
    const struct {
        const char* name;
        Lines lines;
        Lines sent;
        int talkingAfter;
    } rows[] = {
        {"armed line prints next", {"ART REP=7", "ART REP=1,PREZZO=5"}, {"7R", "UNOR[5]"}, 0},
        {"later line disarms", {"ART REP=7", "CHIUSURA", "ART REP=1,PREZZO=5"},
         {"7R", "1T", "5H"}, 0},
        {"value not in numbers", {"ART REP=9", "ART REP=1,PREZZO=5"}, {"9R", "5H"}, 0},
        {"empty value always arms", {"ART REP=", "ART PREZZO=4"}, {"R", "[4]"}, 0},
        {"arming survives", {"ART REP=8"}, {"8R"}, 1},
        {"same line disarms itself", {"ART REP=7,PREZZO=2"}, {"2H"}, 0},
        {"other command keeps its format", {"ART REP=7", "VEND PREZZO=2"}, {"7R", "2HN"}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CommandConfig config = Config();
        RecordingSender sender;
        Outcome out = RunLines(row.lines, config, sender);
        EXPECT_TRUE(out.completed);
        EXPECT_EQ(row.sent, out.sent);
        EXPECT_EQ(row.talkingAfter, config.talkingLine);
    }
}

TEST(Translation, TalkingLineCarriesIntoTheNextReceipt)
{
    CommandConfig config = Config();
    RecordingSender sender;
    RunLines({"ART REP=7"}, config, sender);
    EXPECT_EQ(1, config.talkingLine);
    RecordingSender second;
    // Line 2 of the next receipt follows line 1 of the last one.
    Outcome out = RunLines({"CHIUSURA", "ART PREZZO=3"}, config, second);
    EXPECT_EQ((Lines{"1T", "[3]"}), out.sent);
}

TEST(Translation, UnchangedLines)
{
    const struct {
        const char* name;
        bool serial;
        int refuseAt;
        Lines sent;
        std::string messages;
        std::string generated;
    } rows[] = {
        {"all sent", false, 0, {"=K", "=T1", "=C"}, "", "=K=T1=C"},
        {"network refusal", false, 2, {"=K", "=T1"},
         "07/03/2013 18:05:09 (SEND) ERRORE COMUNICAZIONE ECR: ERR-5 SCONTRINO ELABORATO FINO ALLA LINEA=T1",
         "=K=T1"},
        {"serial refusal", true, 1, {"=K"},
         "(SEND) ERRORE COMUNICAZIONE ECR: ERR-5 SCONTRINO ELABORATO FINO ALLA LINEA=K", "=K"},
    };
    LogClock old = SetLogClock([](SYSTEMTIME* t) {
        *t = SYSTEMTIME{2013, 3, 4, 7, 18, 5, 9, 0};
    });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CommandConfig config = Config();
        RecordingSender sender;
        sender.serial = row.serial;
        sender.refuseAt = row.refuseAt;
        Outcome out = RunLines({"=K", "=T1", "=C"}, config, sender, 1);
        EXPECT_EQ(row.refuseAt == 0, out.completed);
        EXPECT_EQ(row.sent, out.sent);
        EXPECT_EQ(row.messages, out.state.receiptMessages);
        EXPECT_EQ(row.generated, out.state.generatedText);
    }
    SetLogClock(old);
}

class ShellStep : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::string(xsys().GetTempFolder().c_str()) + "bridge_shell";
        CreateDirectoryA(folder_.c_str(), nullptr);
        DeleteFileA(LogFileName(folder_, false, LogNow()).c_str());
        ASSERT_TRUE(log_.Open(folder_, 0));
    }
    void TearDown() override
    {
        log_.Close();
        DeleteFileA(log_.Path().c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string LogText() { return testutil::read_file(log_.Path()); }

    std::string folder_;
    BridgeLog log_;
};

TEST_F(ShellStep, ExitCodeIsLogged)
{
    CommandConfig config = Config();
    RecordingSender sender;
    ReceiptTranslator translator(config, &sender, &log_);
    ReceiptState state;
    EXPECT_TRUE(TranslateReceipt(translator, 0, state, {"shell cmd /c exit 3", "CHIUSURA"}));
    EXPECT_EQ("Esecuzione shell: cmd /c exit 3\r\nCodice di ritorno: 3\r\n", LogText());
    EXPECT_EQ(Lines{"1T"}, sender.sent);
    EXPECT_EQ("\r\n1T", state.generatedText);
    EXPECT_EQ("", state.receiptMessages);
}

TEST_F(ShellStep, MissingProgramEndsTheReceipt)
{
    CommandConfig config = Config();
    RecordingSender sender;
    ReceiptTranslator translator(config, &sender, &log_);
    ReceiptState state;
    EXPECT_FALSE(TranslateReceipt(translator, 0, state,
                                  {"SHELL no_such_program_4711.exe /x", "CHIUSURA"}));
    std::string text = LogText();
    const std::string head = "Esecuzione shell: no_such_program_4711.exe /x\r\nEccezione in shell: ";
    EXPECT_EQ(head, text.substr(0, head.size()));
    EXPECT_NE(std::string::npos, text.find("xprocess::Execute"));
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    EXPECT_TRUE(sender.sent.empty());
    EXPECT_EQ("", state.receiptMessages);
}

}  // namespace
