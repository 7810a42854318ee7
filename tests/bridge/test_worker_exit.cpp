// "Esci" while a receipt is on its way: the worker finishes that receipt
// (every line, the close of the link, the disposal of the file) and only
// then ends.

#include "worker_fixture.h"

using ecrsim::TcpAnswer;
using namespace workertest;

TEST_F(WorkerTest, QuitDuringAReceiptFinishesItFirst)
{
    // The register refuses the second line three times (a second's pause
    // each): the quit below arrives while the receipt is half sent.
    peer_->setScript({TcpAnswer::ack(), TcpAnswer::nak(), TcpAnswer::nak(), TcpAnswer::nak()});
    Receipt("Q.TXT", "=R1/$100\r\n=R2/$200\r\n=T1\r\n");
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitFor([&] { return Received().find("=R2/$200") != std::string::npos; }, 15000));
    worker_.RequestQuit();
    EXPECT_TRUE(Exists("Q.TXT.INVIO"));  // claimed and under way when the quit came
    ASSERT_TRUE(worker_.WaitEnded(20000));
    EXPECT_FALSE(Exists("Q.TXT.INVIO"));
    EXPECT_FALSE(Exists("Q.TXT"));
    EXPECT_TRUE(peer_->waitHost(false, 5000));  // the link was closed
    std::string received = Received();
    EXPECT_EQ(0u, received.find("=R1/$100=R2/$200"));
    EXPECT_EQ(4, count_of(received, "=R2/$200"));  // three refusals, then taken
    EXPECT_EQ(received.size() - 3, received.rfind("=T1"));
    EXPECT_EQ(1, Connections());
    EXPECT_EQ(0, count_of(LogText(), "ERRORE"));
    EXPECT_EQ(1u, LogFiles("Q_X_X_*.TXT").size());
    EXPECT_EQ(ServiceState::Ended, view_.States().back());
}
