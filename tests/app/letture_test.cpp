// Reads that arrive while another read is in progress, in-process with fake links: each
// waits its turn, keeps its own terminal and connection, and is processed once.
#include <gtest/gtest.h>

#include "app/polling.h"
#include "support/fake_links.h"
#include "system/registry.h"

using namespace velaris;
using namespace velaris::test;
using namespace std::chrono_literals;

namespace {

// Push terminals 1 and 2, each opening on the go code "APRI" for its own time.
struct Letture : ::testing::Test {
    void avvia() {
        x.terminale(1, 6, "127.0.0.1", "CodiceVai='APRI', Vai=-1, TempoVai=3");
        x.terminale(2, 6, "127.0.0.2", "CodiceVai='APRI', Vai=-1, TempoVai=7");
        Inizializza_Terminali(x.s);
        ASSERT_TRUE(x.s.Terminali_Inizializzati);
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
        x.f.logLines.clear();
    }
    int64_t conta(const std::string& where) { return x.scalar("SELECT Count(*) FROM Stato_Terminali WHERE " + where).toInt(); }
    SystemFixture x{3};
    SistemaLinkHost& letture = x.host;
};

}  // namespace

TEST_F(Letture, AWaitingPushReadIsAnsweredOnItsOwnConnectionOrDroppedWhenItHasGone) {
    ASSERT_NO_FATAL_FAILURE(avvia());
    x.conn.connect("1");
    x.conn.connect("2");
    bool done2 = false, done1 = false;
    x.s.accogliLettura([&] {
        // Terminal 2 reads on connection 2, then terminal 1 on a connection that closes
        // before its turn, while this read waits.
        asio::post(x.loop.io(), [&] {
            letture.codeRead(2, "APRI", 2, {[] { return true; }, [&] { done2 = true; }});
            letture.codeRead(1, "APRI", 1, {[] { return false; }, [&] { done1 = true; }});
        });
        x.loop.yieldFor(50ms);
        EXPECT_FALSE(done2);
    });
    EXPECT_EQ(x.s.lettureInAttesa(), 2);
    x.loop.runFor(200ms);
    EXPECT_TRUE(done2);
    EXPECT_TRUE(done1);
    ASSERT_EQ(x.bodies(2).size(), 1u);
    EXPECT_NE(x.bodies(2)[0].find("relay1=7"), std::string::npos);
    EXPECT_TRUE(x.bodies(1).empty());  // nothing for the read whose connection had gone
    ASSERT_EQ(x.f.logLines.size(), 1u);
    EXPECT_NE(x.f.logLines[0].find("Lettura del terminale 1 scartata"), std::string::npos) << x.f.logLines[0];
}

TEST_F(Letture, AnInjectedRowWaitsForTheReadInProgressAndIsProcessedOnce) {
    ASSERT_NO_FATAL_FAILURE(avvia());
    x.conn.connect("1");
    x.conn.connect("2");
    x.f.native("INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Stato) VALUES (2, 'APRI', 500)");
    x.s.accogliLettura([&] {
        // Ticks that run while this read waits leave the row alone.
        asio::post(x.loop.io(), [&] {
            Timer1_Tick(x.s);
            Timer1_Tick(x.s);
        });
        x.loop.yieldFor(50ms);
        EXPECT_EQ(conta("Stato=500"), 1);
        EXPECT_TRUE(x.bodies(2).empty());
    });
    Timer1_Tick(x.s);  // the next tick takes it
    x.loop.runFor(100ms);
    Timer1_Tick(x.s);
    EXPECT_EQ(conta("Stato=500"), 0);
    ASSERT_EQ(x.bodies(2).size(), 1u);
    EXPECT_NE(x.bodies(2)[0].find("relay1=7"), std::string::npos);
}
