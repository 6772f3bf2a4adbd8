#include <gtest/gtest.h>

#include "support/fake_links.h"
#include "system/queue.h"
#include "terminals/ethercontrol/controller_terminals.h"

using namespace velaris;
using velaris::test::SystemFixture;

namespace {
void drain(SystemFixture& x) { Buffer_Terminali(x.s, ModoCoda::Invia); }
}  // namespace

TEST(Queue, OneMessagePerTerminalPerPassInIdOrderOnceItsConnectionIsThere) {
    SystemFixture x(3);
    x.terminale(5, 6);
    for (const char* m : {"uno", "due", "tre"}) accoda(x.s, 5, m, 0);
    // No connection yet: the rows stay, unsent, and are retried on every pass.
    drain(x);
    drain(x);
    EXPECT_EQ(x.queued(5), (std::vector<std::string>{"uno", "due", "tre"}));
    EXPECT_EQ(x.scalar("SELECT Count(*) FROM Stato_Terminali WHERE IsNull(Inviato, 0)=0"), Value(3));
    const int member = x.conn.connect("5");
    drain(x);
    ASSERT_EQ(x.bodies(member).size(), 1u);
    drain(x);
    drain(x);
    const auto bodies = x.bodies(member);
    ASSERT_EQ(bodies.size(), 3u);
    const char* texts[] = {"uno", "due", "tre"};
    for (size_t i = 0; i < 3; ++i) EXPECT_NE(bodies[i].find(std::string("screen=") + texts[i]), std::string::npos);
    EXPECT_TRUE(x.queued(5).empty());  // sent rows are deleted at the end of a pass
}

TEST(Queue, FutureMessagesAndAddressZeroStayAndAMessageAfterTheLastSharesItsDueTime) {
    SystemFixture x(3);
    const int member = x.conn.connect("5");
    x.at(10, 0, 0);
    accoda(x.s, 5, "dopo", 3);
    Buffer_Terminali(x.s, ModoCoda::Accoda, Value(0), Value("marker"), Value(0));
    drain(x);
    EXPECT_TRUE(x.bodies(member).empty());
    x.at(10, 0, 3);
    drain(x);
    EXPECT_EQ(x.bodies(member).size(), 1u);
    EXPECT_EQ(x.scalar("SELECT Count(*) FROM Stato_Terminali WHERE Indirizzo=0"), Value(1));

    // A message queued after the last one of its terminal shares its due time.
    accoda(x.s, 6, "primo", 4);
    Value base;
    Buffer_Terminali(x.s, ModoCoda::AccodaDopo, Value(6), Value("secondo"), Value(99), &base);
    EXPECT_EQ(base.toDate()->canonical(), "1900-01-01 10:00:07");
    EXPECT_EQ(x.scalar("SELECT Count(*) FROM Stato_Terminali WHERE Ora_Invio={ts '1900-01-01 10:00:07'}"),
              Value(2));
}

TEST(Queue, ControllerTakesTwoMessagesInFlightThenWaitsForAcknowledgementOrSixSeconds) {
    SystemFixture x(2);
    x.s.registro.Terminali_Rete = {{1, "10.0.0.9"}, {2, "10.0.0.9"}, {3, "10.0.0.9"}};
    auto& link = static_cast<ControllerTerminals&>(*x.link);
    ASSERT_TRUE(link.bringUp({{1, "10.0.0.9"}, {2, "10.0.0.9"}, {3, "10.0.0.9"}}).up);
    x.at(9, 0, 0);
    for (int t = 1; t <= 3; ++t) accoda(x.s, t, "msg" + std::to_string(t), 0);
    drain(x);
    ASSERT_EQ(x.ether.sent.size(), 2u);  // terminals 1 and 2; the controller is full
    EXPECT_EQ(link.inFlight("10.0.0.9"), 2);
    EXPECT_EQ(x.queued(3), std::vector<std::string>{"msg3"});
    x.at(9, 0, 5);
    drain(x);
    EXPECT_EQ(x.ether.sent.size(), 2u);  // still waiting
    x.at(9, 0, 7);
    drain(x);  // more than 6 seconds overdue: one acknowledgement is taken as lost
    EXPECT_EQ(link.inFlight("10.0.0.9"), 1);
    drain(x);
    ASSERT_EQ(x.ether.sent.size(), 3u);
    EXPECT_EQ(x.ether.sent[2].text, "msg3");
}

TEST(Queue, MessagesNearMidnightStillGoOut) {
    SystemFixture x(3);
    const int member = x.conn.connect("4");
    x.at(23, 59, 58);
    accoda(x.s, 4, "verdetto", 5);  // would fall on the next day
    EXPECT_EQ(x.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=4").toText(), "1900-01-01 23:59:59");
    accoda(x.s, 4, "prompt", 0);
    x.at(23, 59, 59);
    drain(x);
    EXPECT_EQ(x.bodies(member).size(), 1u);
    x.f.clock.setFixed(DateTime::fromParts(2024, 3, 8, 0, 0, 1));  // past midnight
    drain(x);
    EXPECT_EQ(x.bodies(member).size(), 2u);
}

TEST(Queue, DatabaseFailureIsLoggedNotRaised) {
    SystemFixture x(3);
    x.f.native("DROP TABLE Stato_Terminali");
    accoda(x.s, 1, "x", 0);
    drain(x);
    ASSERT_EQ(x.f.logLines.size(), 2u);
    EXPECT_NE(x.f.logLines[0].find(" - Error: "), std::string::npos);
    EXPECT_NE(x.f.logLines[0].find(" - Function Buffer_Terminali"), std::string::npos);
}
