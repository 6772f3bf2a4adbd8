#include "app/polling.h"
#include "attendance/righe.h"
#include "scenario.h"
#include "terminals/net92/net92_terminals.h"

using namespace velaris;
using velaris::test::SystemFixture;

namespace {
// The centre's helpers on an empty database: these steps come before any member data.
struct Intake : velaris::test::Centro {
    void SetUp() override {}
};
}  // namespace

TEST(IntakeCode, Net92MessageForm) {
    EXPECT_EQ(StringaMessaggio(1, "A12345 -X"), "12345");
    EXPECT_EQ(StringaMessaggio(1, "A123_45-X"), "123");
    EXPECT_EQ(StringaMessaggio(1, "-"), "");
    EXPECT_EQ(StringaMessaggio(1, ""), "");
}

TEST_F(Intake, BlankMessageTouchesNothing) {
    x.s.corrente.Indirizzo_Corrente = 1;
    const auto before = x.f.db.conn().statementCount();
    std::string blank = "   ";
    Elabora_Messaggi(x.s, blank);
    EXPECT_EQ(x.f.db.conn().statementCount(), before);
}

TEST_F(Intake, TerminalWithoutStateRowIsReported) {
    x.terminale(1, 1);
    avvia();
    leggi(7, "123");
    ASSERT_FALSE(x.operatore.boxes.empty());
    EXPECT_EQ(x.operatore.boxes.back().text, "Terminale n° 7 non inizializzato");
}

TEST_F(Intake, WrongUnlockCodeKeepsTheTerminalLocked) {
    x.at(10, 0, 0);
    x.terminale(1, 1, "", "Attivato_Operatore=-1, Codice_Attivazione='4321'");
    avvia();
    leggi(1, "1111");
    ASSERT_EQ(x.net92.sent.at(0).text, "\fCODICE ERRATO");
    EXPECT_EQ(x.queued(1), (std::vector<std::string>{"%K2M2", "\fgio 07 mar 10:00|SBLOCCO:____"}));
    EXPECT_EQ(x.scalar("SELECT Max(Ora_Invio) FROM Stato_Terminali WHERE Indirizzo=1").toText(), "1900-01-01 10:00:02");
    EXPECT_EQ(stato(1), Value(1));

    leggi(1, "4321");
    EXPECT_EQ(x.net92.sent.back().text, "%K2BXM2");
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(stato(1, "Codice_Cliente"), Value("4321"));
}

TEST_F(Intake, ReadyTerminalEndsWithTheIdlePromptAndTheStateWrite) {
    x.at(10, 0, 0);
    x.terminale(2, 1, "", "Blocco_Tastiera=-1");
    avvia();
    leggi(2, "CL0001");  // an unknown member at a general entrance is refused
    EXPECT_EQ(x.queued(2), (std::vector<std::string>{"\fSTOP|NON ABILITATO", "\fgio 07 mar 10:00|CODICE:_______",
                                                     "%K0BXM2"}));
    EXPECT_EQ(x.scalar("SELECT Max(Ora_Invio) FROM Stato_Terminali WHERE Indirizzo=2").toText(), "1900-01-01 10:00:06");
    EXPECT_EQ(stato(2), Value(2));
    EXPECT_EQ(stato(2, "Tipo"), Value(1));
}

TEST_F(Intake, UnknownStateDropsTheMessage) {
    x.terminale(4, 1);
    avvia();
    x.f.native("UPDATE Stato_Terminali SET Stato=3 WHERE Indirizzo=4");
    leggi(4, "CL1");
    EXPECT_TRUE(x.queued(4).empty());
    EXPECT_TRUE(x.net92.sent.empty());
    EXPECT_EQ(stato(4), Value(3));
}

TEST_F(Intake, SpecialCardDeletesMarkedSalesWithTriggersSilenced) {
    x.terminale(5, 1);
    avvia();
    x.f.native("INSERT INTO wSys_SpecialCards (Codice_Card, Tipo_Op) VALUES ('MARK', 1);"
               "INSERT INTO Gestione_Iscrizioni (Cd_Iscrizione, Codice_Iscrizione, Codice_Cliente) VALUES (40, 'I40', 'CL1');"
               "INSERT INTO Gestione_Vendite (Tipologia, Codice, Marker) VALUES (1, 40, -1), (1, 41, 0);");
    const Value firedBefore = x.scalar("SELECT Count(*) FROM wSys_Log_Trigger");
    leggi(5, "MARK");
    // Only the marked sale goes, with the subscription it names.
    EXPECT_EQ(righe("SELECT Codice, (SELECT Count(*) FROM Gestione_Iscrizioni) FROM Gestione_Vendite"), "41|0");
    EXPECT_EQ(x.scalar("SELECT Count(*) FROM wSys_Log_Trigger"), firedBefore);
    EXPECT_EQ(x.scalar("SELECT Count(*) FROM wSys_Trigger_Disabilitati"), Value(0));
    EXPECT_TRUE(x.queued(5).empty());
    EXPECT_TRUE(x.net92.sent.empty());
}

// The irregularity filter, run on the journal: kind 2 waits out its grace days, kind 4
// keeps to the terminal's centre.
TEST_F(Intake, IrregularityFilterKeepsGraceDaysAndTheCentre) {
    x.f.native("INSERT INTO Impostazioni_Funzionamento (Tolleranza1) VALUES (3);"
               "INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza, Codice_Centro) VALUES "
               "(2, 'A', '2024-03-05 00:00:00', NULL), (4, 'B', '2024-03-07 00:00:00', 'C1'), "
               "(4, 'C', '2024-03-07 00:00:00', 'C2')");
    x.s.settings.Defaults_DopoAggiornamento();
    x.s.corrente.Filtro_Centro = " AND Codice_Centro='C1'";
    for (bool grazia : {true, false}) {
        const std::string f = costruisciFiltroIrregolarita(x.s, DateTime::fromParts(2024, 3, 7), grazia);
        EXPECT_EQ(righe("SELECT Codice_Cliente FROM Giornale WHERE " + f + " ORDER BY Codice_Cliente"),
                  grazia ? "B" : "A; B");
    }
}

TEST_F(Intake, InjectedRowsAreProcessedOldestFirstAndBlankOnesDeleted) {
    SystemFixture y(3);
    y.terminale(1, 6);
    Inizializza_Terminali(y.s);
    y.f.native("INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Stato) VALUES (0, 'x', 500), (1, 'CL1', 500), (1, 'CL2', 500)");
    Timer1_Tick(y.s);
    EXPECT_EQ(y.scalar("SELECT Count(*) FROM Stato_Terminali WHERE Stato=500"), Value(2));
    EXPECT_NE(y.f.logLines.back().find("deleted"), std::string::npos);
    Timer1_Tick(y.s);
    EXPECT_EQ(y.scalar("SELECT Messaggio FROM Stato_Terminali WHERE Stato=500"), Value("CL2"));
    Timer1_Tick(y.s);
    EXPECT_EQ(y.scalar("SELECT Count(*) FROM Stato_Terminali WHERE Stato=500"), Value(0));
}

TEST_F(Intake, Timer2ListsPushTerminalsThatNeverConnected) {
    SystemFixture y(3);
    y.terminale(1, 6);
    y.terminale(2, 6);
    y.terminale(3, 6);
    y.conn.connect("2");
    Timer2_Tick(y.s);
    ASSERT_EQ(y.operatore.boxes.size(), 1u);
    EXPECT_EQ(y.operatore.boxes[0].text, "Inizializzazione non riuscita dei terminali agli indirizzi : 1, 3, ");
}
