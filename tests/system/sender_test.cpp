#include <gtest/gtest.h>

#include "support/fake_links.h"
#include "system/sender.h"

using namespace velaris;
using velaris::test::SystemFixture;

TEST(Sender, PushMessageBecomesTheResponseBodyOnlyOnALiveConnection) {
    SystemFixture x(3);
    const int member = x.conn.connect("3");
    std::string msg = "relay1=1";
    EXPECT_EQ(KxSendMsg(x.s, 3, msg, 2), 0);
    const std::string body = "VELARIS. Accessi\r\nscreen=\x18RAPERTURA DISPOSITIVO\r\nrelay1=1\r\nbeep=1\r\n\r\nkeepaliveperiod=5\r\n";
    EXPECT_EQ(msg, body);
    EXPECT_EQ(x.bodies(member).at(0), body);

    // A screen text goes out in Windows-1252, its length counted in those bytes.
    std::string screen = "\fPiù € qui";
    EXPECT_EQ(KxSendMsg(x.s, 3, screen, 0), 0);
    const std::string wireBody = "VELARIS. Accessi\r\nscreen=\fPi\xf9 \x80 qui\r\nkeepaliveperiod=5\r\n";
    EXPECT_EQ(x.bodies(member).at(1), wireBody);
    EXPECT_NE(x.conn.members[0].written.at(1).find("Content-Length: " + std::to_string(wireBody.size()) + "\r\n"),
              std::string::npos);

    x.conn.members[0].connected = false;
    std::string later = "ciao";
    EXPECT_EQ(KxSendMsg(x.s, 3, later, 0), -1);
    EXPECT_EQ(x.conn.members[0].written.size(), 2u);
}

TEST(Sender, ControllerModeZeroQueuesAndARefusalIsALogLineNotABox) {
    SystemFixture x(2);
    std::string msg = "%%";
    EXPECT_EQ(KxSendMsg(x.s, 2, msg, 0), 0);
    EXPECT_TRUE(x.ether.sent.empty());
    EXPECT_EQ(x.queued(2), std::vector<std::string>{"%%"});

    x.s.registro.Terminali_Rete = {{2, "10.0.0.2"}};
    x.ether.sendResult = 5;
    std::string testo = "testo";
    EXPECT_EQ(KxSendMsg(x.s, 2, testo, 1), -1);
    EXPECT_TRUE(x.operatore.boxes.empty());
    ASSERT_FALSE(x.f.logLines.empty());
    EXPECT_NE(x.f.logLines.back().find("Errore n° 5 nell'invio del messaggio: 'testo' al terminale: 2"), std::string::npos);
}

TEST(Sender, OutputsAndRelayCommandsByTerminalType) {
    SystemFixture x(1);
    x.at(9, 0, 0);
    AttivazioneIOX(x.s, Value(1), 3, Value(0), Value(2));  // a pulse: on, then off
    EXPECT_EQ(x.queued(1), (std::vector<std::string>{"S----1---", "S----0---"}));
    EXPECT_EQ(x.scalar("SELECT Max(Ora_Invio) FROM Stato_Terminali").toText(), "1900-01-01 09:00:02");
    AttivazioneIOX(x.s, Value(2), 2, Value(5), Value(0));
    EXPECT_EQ(x.queued(2), std::vector<std::string>{"O25"});
    AttivazioneIOX(x.s, Value(3), 9, Value(0), Value(0));  // no such output
    EXPECT_TRUE(x.queued(3).empty());
    EXPECT_NE(x.f.logLines.back().find("Function AttivazioneIOX"), std::string::npos);

    // A TCP terminal gets a go or stop frame over the client link (the NET92 relay
    // commands are pinned through message processing).
    x.s.corrente.Indirizzo_Corrente = 7;
    x.s.corrente.TempoVai = Value(5);
    x.collega(4);
    x.s.registro.Terminali_Rete = {{7, "10.0.0.7"}};
    Attiva_Rele(x.s, Value(), 1, 5);
    Attiva_Rele(x.s, Value(), 2, 5);
    ASSERT_EQ(x.client.commands.size(), 2u);
    EXPECT_EQ(x.client.commands[0].frame, std::string("\x02" "06|000255000|020|3|0005" "\x03"));
    EXPECT_EQ(x.client.commands[1].frame, std::string("\x02" "06|255000000|010|4|0000" "\x03"));
}

TEST(Sender, PushTerminalVerdictAnswersOnTheCurrentConnection) {
    SystemFixture x(3);
    x.conn.connect("1");
    const int member = x.conn.connect("2");
    x.s.corrente.Indice_Socket = member;
    x.s.corrente.TempoVai = Value(3);
    Attiva_Rele(x.s, Value(), 1, 6);
    Attiva_Rele(x.s, Value(), 2, 6);
    const auto b = x.bodies(member);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0], "VELARIS. Accessi\r\nbeep=1\r\nscreen=\x18\r\nrelay1=3\r\nkeepaliveperiod=5\r\n");
    EXPECT_EQ(b[1], "VELARIS. Accessi\r\nbeep=3\r\nscreen=\x18\r\nkeepaliveperiod=5\r\n");
    EXPECT_TRUE(x.conn.members[0].written.empty());
}
