// Random and mutated receipts and configurations through the translation:
// no crash, no hang, and every outcome keeps the receipt's invariants.

#include "bridge_test.h"
#include "commandconfig.h"
#include "receipt.h"
#include "xstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using bridgetest::BoxRecorder;
using bridgetest::RecordingSender;

class Random {
public:
    explicit Random(unsigned seed) : x_(seed) {}
    unsigned Next()
    {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 17;
        x_ ^= x_ << 5;
        return x_;
    }
    unsigned Below(unsigned n) { return Next() % n; }
    template <class T>
    const T& Pick(const std::vector<T>& v) { return v[Below(unsigned(v.size()))]; }

private:
    unsigned x_;
};

const std::vector<std::string> kNames{"VEND", "V", "CHIUSURA", "PAGA", "REP", "PREZZO", "QTA",
                                      "DES", "NOTA", "SCONTO", "X", "vend", "rep", "1", "2"};
const std::vector<std::string> kBits{"=", ",", " ", "'", "''", ":", "$", "+", "\xB4", "  ",
                                     ",,", "==", "'a,b'", "150", "-1", "\t", "\r", "\n", ";"};

std::string RandomFormat(Random& r)
{
    std::string f;
    for (unsigned i = 0, n = r.Below(5); i < n; ++i) {
        if (i)
            f += "+";
        f += r.Below(3) ? r.Pick(kNames) : r.Pick(kBits);
    }
    return r.Below(10) == 0 ? "---" : f;
}

std::string RandomConfig(Random& r)
{
    std::string t = "[Codice Parlante]\r\nCOMANDO=" + r.Pick(kNames) + "\r\nOPZIONE ATTIVAZIONE=" +
                    r.Pick(kNames) + "\r\nOPZIONE STAMPA=" + r.Pick(kNames) + "\r\nNUMERO=1,2\r\n" +
                    "FORMAT=" + RandomFormat(r) + "\r\n[Comandi]\r\n";
    for (int k = 1; k <= 6; ++k)
        if (r.Below(4))
            t += std::to_string(k) + "=" + r.Pick(kNames) + "\r\n";
    t += "[Comandi_off]\r\n1=" + r.Pick(kNames) + "\r\n[Opzioni_off]\r\n1=" + r.Pick(kNames) + "\r\n";
    for (const std::string& name : kNames) {
        t += "[" + name + "]\r\n";
        if (r.Below(3))
            t += "FORMAT=" + RandomFormat(r) + "\r\n";
        if (r.Below(3) == 0)
            t += "ALIAS=" + r.Pick(kNames) + "," + r.Pick(kNames) + "\r\n";
        if (r.Below(4) == 0)
            t += "DEFAULT=" + r.Pick(kNames) + r.Pick(kBits) + r.Pick(kNames) + "\r\n";
        if (r.Below(4) == 0)
            t += "TERMINATOR=" + r.Pick(kNames) + "," + r.Pick(kBits) + "\r\n";
        if (r.Below(3) == 0)
            t += "NMAP1=" + r.Pick(kNames) + "\r\nNMAP2=" + r.Pick(kNames) + ",1\r\n";
        for (int k = 1, n = int(r.Below(4)); k <= n; ++k)
            t += std::to_string(k) + "=" + r.Pick(kNames) + "\r\n";
    }
    return t;
}

std::string RandomLine(Random& r)
{
    std::string line = r.Pick(kNames);
    for (unsigned i = 0, n = r.Below(10); i < n; ++i)
        line += r.Below(2) ? r.Pick(kBits) : r.Pick(kNames);
    // Mutations: stray bytes anywhere, zero bytes included.
    for (unsigned i = 0, n = r.Below(3); i < n && !line.empty(); ++i)
        line[r.Below(unsigned(line.size()))] = char(r.Below(256));
    return line;
}

// Whatever happened, what was generated is what was sent, or nothing.
void CheckOutcome(bool completed, const ReceiptState& state, const RecordingSender& sender)
{
    std::string joined;
    for (const auto& s : sender.sent) {
        ASSERT_FALSE(IsBlank(s.c_str()));
        joined += "\r\n" + s;
    }
    if (completed)
        ASSERT_EQ(joined, state.generatedText);
    else
        ASSERT_TRUE(state.generatedText.empty() || state.generatedText == joined);
}

TEST(Robustness, RandomConfigurationsAndLines)
{
    BoxRecorder quiet;  // configurations without commands warn
    Random r(20130118);
    const int kConfigs = 40;
    const int kLinesPerConfig = 2500;
    for (int c = 0; c < kConfigs; ++c) {
        CommandConfig config;
        const std::string text = RandomConfig(r);
        LoadCommandConfigText(text, config);
        for (int i = 0; i < kLinesPerConfig; i += 5) {
            RecordingSender sender;
            ReceiptTranslator translator(config, &sender, nullptr);
            ReceiptState state;
            std::vector<std::string> lines;
            for (int k = 0; k < 5; ++k)
                lines.push_back(RandomLine(r));
            bool completed = TranslateReceipt(translator, 0, state, lines);
            CheckOutcome(completed, state, sender);
            if (HasFatalFailure()) {
                ADD_FAILURE() << "configuration:\n" << text << "\nlines:\n" << lines[0] << "\n"
                              << lines[1] << "\n" << lines[2] << "\n" << lines[3] << "\n" << lines[4];
                return;
            }
        }
    }
}

TEST(Robustness, HostileLines)
{
    CommandConfig config;
    LoadCommandConfigText(
        "[Comandi]\r\n1=VEND\r\n2=TESTO\r\n[VEND]\r\nFORMAT=PREZZO\r\n1=PREZZO\r\n[PREZZO]\r\n"
        "FORMAT=H\r\n[TESTO]\r\nFORMAT=DES\r\n1=DES\r\n[DES]\r\nFORMAT=<$>\r\n",
        config);
    const std::string big(70000, 'a');
    const struct {
        const char* name;
        std::string line;
        std::vector<std::string> sent;
    } rows[] = {
        {"zero byte ends the line", std::string("VEND PREZZO=1\0 VEND PREZZO=2", 29), {"1H"}},
        {"long value", "TESTO DES=" + big, {"<" + big + ">"}},
        {"long quoted value", "TESTO DES='" + big + ",b", {"<" + big + ",b>"}},
        {"carriage returns only", "VEND PREZZO=1\r\rVEND\r", {"1\r\rVENDH"}},
        {"unterminated quote", "TESTO DES='a", {"<a>"}},
        {"lone quote", "TESTO DES='", {"<>"}},
        {"only delimiters", " = , = ", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingSender sender;
        ReceiptTranslator translator(config, &sender, nullptr);
        ReceiptState state;
        EXPECT_TRUE(TranslateReceipt(translator, 0, state, {row.line}));
        EXPECT_EQ(row.sent, sender.sent);
    }
    // A long unknown word aborts with the whole line in the message.
    RecordingSender sender;
    ReceiptTranslator translator(config, &sender, nullptr);
    ReceiptState state;
    EXPECT_FALSE(TranslateReceipt(translator, 0, state, {big + " x"}));
    EXPECT_NE(std::string::npos, state.receiptMessages.find("SULLA LINEA: " + big + " x"));
}

}  // namespace
