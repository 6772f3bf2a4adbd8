#include <gtest/gtest.h>

#include "attendance/righe.h"
#include "support/fake_links.h"
#include "system/registry.h"

using namespace velaris;
using velaris::test::righe;
using velaris::test::SystemFixture;

// Each start-up that cannot go on ends with its reason in a box (none when the link kind is
// not configured), the terminals left uninitialised.
TEST(Registry, StartUpThatCannotGoOnEndsWithItsReason) {
    using enum Operatore::Icona;
    const struct {
        int dispositivo;
        std::function<void(SystemFixture&)> setUp;
        std::string box;
        Operatore::Icona icon;
    } cases[] = {
        {3,
         [](SystemFixture& x) {
             x.f.native("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo) VALUES (1, 0, 6)");  // inactive
         },
         "Nessun terminale trovato", Informazione},
        {0, [](SystemFixture& x) { x.terminale(1, 6); }, "", Informazione},
        {3,
         [](SystemFixture& x) {
             x.terminale(2, 6);
             x.terminale(7, 6, "");
         },
         "I seguenti terminali non hanno specificato l'indirizzo IP : 7, \rImpossibile proseguire.", Critico},
        {3,
         [](SystemFixture& x) {
             x.terminale(1, 6);
             x.conn.listenOk = false;
         },
         "Impossibile aprire la porta 8080: address in use", Critico},
        {2,
         [](SystemFixture& x) {
             x.terminale(1, 1, "10.1.1.1");
             x.ether.startResult = -4;
         },
         "UDP PORT already in use by another program.", Critico},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        SystemFixture x(c.dispositivo);
        c.setUp(x);
        Inizializza_Terminali(x.s);
        EXPECT_FALSE(x.s.Terminali_Inizializzati);
        ASSERT_EQ(x.operatore.boxes.size(), c.box.empty() ? 0u : 1u);
        if (c.box.empty()) continue;
        EXPECT_EQ(x.operatore.boxes[0].text, c.box);
        EXPECT_EQ(x.operatore.boxes[0].icon, c.icon);
    }
}

TEST(Registry, PushTerminalsGetStateRowsAndTimer2) {
    SystemFixture x(3);
    x.terminale(1, 6);
    x.terminale(2, 6);
    x.f.native("INSERT INTO Stato_Terminali (Indirizzo, Messaggio) VALUES (1, 'old')");
    Inizializza_Terminali(x.s);
    EXPECT_TRUE(x.s.Terminali_Inizializzati);
    EXPECT_EQ(x.conn.listens, 1);
    // A state row each; the leftover message is gone.
    EXPECT_EQ(righe(x, "SELECT Indirizzo, Stato, Messaggio FROM Stato_Terminali ORDER BY Indirizzo"), "1|2|; 2|2|");
    EXPECT_EQ(x.timer2.interval().count(), 10000);
    EXPECT_EQ(x.s.registro.Terminali_Rete.size(), 2u);
}

TEST(Registry, KeypadPromptsAndStartStatesByTypeASilentTerminalLeftOut) {
    SystemFixture x(1);
    x.at(9, 5, 0);
    x.terminale(1, 1, "", "Attivato_Operatore=-1");
    x.terminale(2, 1, "", "Blocco_Tastiera=-1");
    x.terminale(3, 2);
    x.terminale(4, 5);
    x.terminale(5, 3);
    x.terminale(6, 1);  // never answers: left out and reported
    for (int a = 1; a <= 5; ++a) x.net92.answers[a] = 1;
    Inizializza_Terminali(x.s);
    ASSERT_TRUE(x.s.Terminali_Inizializzati);
    ASSERT_EQ(x.operatore.boxes.size(), 1u);
    EXPECT_EQ(x.operatore.boxes[0].text, "Inizializzazione non riuscita dei terminali agli indirizzi : 6, ");
    EXPECT_EQ(x.s.registro.Terminali_Rete.size(), 5u);
    EXPECT_EQ(x.net92.initArgs, (std::vector<int>{1, 2, 6}));
    // Start states by type (type 5 starts ready whatever the terminal before it); none for 6.
    EXPECT_EQ(righe(x, "SELECT Indirizzo, Stato FROM Stato_Terminali WHERE Messaggio Is Null ORDER BY Indirizzo"),
              "1|1; 2|2; 3|2; 4|2; 5|2");
    // Prompts and start commands by type, in order.
    EXPECT_EQ(righe(x, "SELECT Indirizzo, Messaggio FROM Stato_Terminali WHERE Messaggio Is Not Null "
                       "ORDER BY Indirizzo, ID"),
              "1|\fgio 07 mar 9:05|SBLOCCO:____; 1|%K2BxM2; 2|\fgio 07 mar 9:05|CODICE:_______; 2|%K0BXM2; "
              "3|\fgio 07 mar 9:05|CODICE:_______; 3|%K2BXM2; 4|S00000000; 5|%CA");
    EXPECT_EQ(x.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=5 AND Messaggio IS NOT NULL").toText(),
              "1900-01-01 09:05:02");  // the NET92 queue delay
}

TEST(Registry, ClientLinkProbeCountsOnlyTheTerminalsOwnAnswer) {
    SystemFixture x(4);
    x.terminale(1, 5, "127.0.0.1");
    x.terminale(2, 5, "127.0.0.2");
    x.client.answerProbes = false;
    x.client.answered = true;  // left over from an earlier exchange
    Inizializza_Terminali(x.s);
    EXPECT_TRUE(x.s.Terminali_Inizializzati);
    EXPECT_EQ(x.client.commands.size(), 2u);
    EXPECT_EQ(x.operatore.boxes.at(0).text, "Inizializzazione non riuscita dei terminali agli indirizzi : 1, 2, ");
}
