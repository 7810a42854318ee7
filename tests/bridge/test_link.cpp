// Translated receipts through BRISAL.dll to the simulated register over
// TCP: the register receives exactly the texts, in order.

#include "bridge_test.h"
#include "brisal.h"
#include "commandconfig.h"
#include "linksender.h"
#include "receipt.h"
#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ecrsim::TcpAnswer;

const char* kConfig =
    "[Comandi]\r\n1=VEND\r\n2=CHIUSURA\r\n3=TESTO\r\n"
    "[VEND]\r\nFORMAT=REP+PREZZO\r\n1=REP\r\n2=PREZZO\r\nTERMINATOR=PREZZO,M,\r\n"
    "[REP]\r\nFORMAT=R\r\n[PREZZO]\r\nFORMAT=H\r\n"
    "[CHIUSURA]\r\nFORMAT=1T\r\n"
    "[TESTO]\r\nFORMAT=DES\r\n1=DES\r\n[DES]\r\nFORMAT=\"\"$\"\"\r\n";

// The link sender, with a record of what it was asked to send.
class RecordedLink : public CommandSender {
public:
    explicit RecordedLink(int socket) : link_(0, socket) {}
    int Send(const char* text) override
    {
        texts.push_back(text);
        int rc = link_.Send(text);
        results.push_back(rc);
        return rc;
    }
    std::string ErrorText(int code) override { return link_.ErrorText(code); }
    bool IsSerial() const override { return false; }

    std::vector<std::string> texts;
    std::vector<int> results;

private:
    LinkSender link_;
};

class LinkReceipt : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        reg_ = new ecrsim::SimRegister;
        tftp_ = new ecrsim::SimTftpServer(*reg_);
        peer_ = new ecrsim::SimTcpPeer(*reg_);
        // UDP 500 belongs to the whole loopback device under Wine; another
        // program's register may hold it for a while.
        ip_ = "127.0.0.1";
        for (int i = 0; i < 40 && !tftp_->start(ip_); ++i)
            Sleep(500);
        started_ = tftp_->running() && peer_->start(ip_);
    }
    static void TearDownTestSuite()
    {
        delete peer_;
        delete tftp_;
        delete reg_;
    }
    void SetUp() override
    {
        ASSERT_TRUE(started_) << tftp_->lastError();
        peer_->setScript({});
        peer_->setDefaultAnswer(TcpAnswer::ack());
        peer_->clearRecord();
        LoadCommandConfigText(kConfig, config_);
        sock_ = ecr_conn_xonxoff_ntw(ip_.c_str());
        ASSERT_GT(sock_, 0);
    }
    void TearDown() override
    {
        if (sock_ > 0)
            ecr_disc_xonxoff_ntw(sock_);
        EXPECT_TRUE(peer_->waitHost(false, 5000));
    }
    static std::string Joined(const std::vector<std::string>& texts)
    {
        std::string all;
        for (const auto& t : texts)
            all += t;
        return all;
    }

    static ecrsim::SimRegister* reg_;
    static ecrsim::SimTftpServer* tftp_;
    static ecrsim::SimTcpPeer* peer_;
    static std::string ip_;
    static bool started_;
    CommandConfig config_;
    int sock_ = -1;
};

ecrsim::SimRegister* LinkReceipt::reg_ = nullptr;
ecrsim::SimTftpServer* LinkReceipt::tftp_ = nullptr;
ecrsim::SimTcpPeer* LinkReceipt::peer_ = nullptr;
std::string LinkReceipt::ip_;
bool LinkReceipt::started_ = false;

TEST_F(LinkReceipt, RegisterReceivesTheTextsInOrder)
{
    RecordedLink link(sock_);
    ReceiptTranslator translator(config_, &link, nullptr);
    ReceiptState state;
    const std::string longText(700, 'x');
    ASSERT_TRUE(TranslateReceipt(translator, 0, state,
                                 {"VEND REP=1,PREZZO=250", "TESTO DES='a,b'", "TESTO DES=" + longText,
                                  "CHIUSURA CHIUSURA"}));
    const std::vector<std::string> expected{"1R250HM", "\"a,b\"", "\"" + longText + "\"", "1T", "1T"};
    EXPECT_EQ(expected, link.texts);
    EXPECT_EQ(std::vector<int>(expected.size(), 0), link.results);
    EXPECT_EQ(Joined(expected), peer_->received());
    EXPECT_EQ("\r\n" + expected[0] + "\r\n" + expected[1] + "\r\n" + expected[2] + "\r\n1T\r\n1T",
              state.generatedText);
}

TEST_F(LinkReceipt, UnchangedLinesGoOutAsTheyAre)
{
    RecordedLink link(sock_);
    ReceiptTranslator translator(config_, &link, nullptr);
    ReceiptState state;
    const std::vector<std::string> lines{"=R1/$250", "=\"TESTO\"", "=T1"};
    ASSERT_TRUE(TranslateReceipt(translator, 1, state, lines));
    EXPECT_EQ(Joined(lines), peer_->received());
    EXPECT_EQ(Joined(lines), state.generatedText);
}

TEST_F(LinkReceipt, RefusedSendEndsTheReceipt)
{
    // The register drops the link at the second text.
    peer_->setScript({TcpAnswer::ack(), TcpAnswer::close()});
    RecordedLink link(sock_);
    ReceiptTranslator translator(config_, &link, nullptr);
    ReceiptState state;
    EXPECT_FALSE(TranslateReceipt(translator, 0, state,
                                  {"CHIUSURA", "VEND REP=2", "CHIUSURA", "VEND PREZZO=1"}));
    ASSERT_EQ(2u, link.texts.size());
    EXPECT_EQ(0, link.results[0]);
    ASSERT_LT(link.results[1], 0);
    EXPECT_EQ("ERR_CONNECT_CLOSED", LinkErrorText(link.results[1]));
    EXPECT_EQ("(SEND) ERRORE COMUNICAZIONE ERC: ERR_CONNECT_CLOSED", state.receiptMessages);
    EXPECT_EQ("\r\n1T", state.generatedText);
    EXPECT_EQ(0u, peer_->received().find("1T"));
    EXPECT_EQ(std::string::npos, peer_->received().find("1H"));
}

}  // namespace
