#include <gtest/gtest.h>

#include "support/fake_links.h"
#include "system/queue.h"
#include "system/registry.h"
#include "terminals/ethercontrol/controller_terminals.h"

using namespace velaris;
using velaris::test::SystemFixture;

// Terminals on one controller share its entry. What the controllers report reaches message
// processing; their acknowledgements free the terminal for its next message.
TEST(ControllerTerminals, ReadsAreAcknowledgedAndProcessedAcknowledgementsFreeTheTerminal) {
    SystemFixture x(2);
    x.terminale(1, 1, "10.0.0.9");
    x.terminale(2, 1, "10.0.0.9");
    x.terminale(3, 1, "10.0.0.8");
    Inizializza_Terminali(x.s);
    ASSERT_TRUE(x.s.Terminali_Inizializzati);
    EXPECT_EQ(static_cast<ControllerTerminals&>(*x.link).controllers(),
              (std::vector<std::string>{"10.0.0.8", "10.0.0.9"}));
    EXPECT_EQ(x.queued(1).at(0), "%%");  // the probe goes through the queue
    x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");

    x.ether.events.messageRecv("10.0.0.9", "x12:00", 0, 1);  // a status report, not a read
    x.ether.events.messageRecv("10.0.0.9", "x4321", 0, 0);   // no terminal
    EXPECT_TRUE(x.queued(1).empty());
    x.ether.events.messageRecv("10.0.0.9", "x4321", 0, 1);
    const auto q = x.queued(1);
    ASSERT_GE(q.size(), 3u);
    EXPECT_EQ(q[0], "%BxM0");  // the keypad's acknowledgement goes first, through the queue
    // Processed: a code nobody owns is refused at this general entrance, the idle prompt follows.
    EXPECT_EQ(q[1], "\fSTOP|NON ABILITATO");
    EXPECT_NE(q[2].find("|CODICE:"), std::string::npos) << q[2];

    x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
    accoda(x.s, 1, "primo", 0);
    accoda(x.s, 1, "secondo", 0);
    Buffer_Terminali(x.s, ModoCoda::Invia);
    Buffer_Terminali(x.s, ModoCoda::Invia);
    ASSERT_EQ(x.ether.sent.size(), 1u);  // the terminal waits for its acknowledgement
    EXPECT_FALSE(x.s.link->acknowledged(1));  // as shutdown does between farewells
    x.ether.ackAddress = 1;
    x.ether.events.acknowledged("");
    EXPECT_TRUE(x.s.link->acknowledged(1));
    Buffer_Terminali(x.s, ModoCoda::Invia);
    ASSERT_EQ(x.ether.sent.size(), 2u);
    EXPECT_EQ(x.ether.sent[1].text, "secondo");
}
