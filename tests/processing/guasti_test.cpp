// Reads while the database is out: answered with the idle prompt and one log line, never a
// verdict built on missing data, and the next read once the database is back is served
// normally. The polling cycle meets the outage once every few seconds, not every second.
#include "app/polling.h"
#include "scenario.h"
#include "support/faulty_connection.h"

using namespace velaris;
using namespace velaris::test;
using namespace std::chrono_literals;

namespace {

struct Guasti : Centro {
    FaultyConnection* faults = nullptr;

    // The gym terminal with a member whose subscription admits him.
    void palestra() {
        x.f.native("INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST001', 'ST001');"
                   "INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB001', 'ANNUALE');"
                   "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, "
                   "Descrizione, Data_Inizio, Data_Fine, Scaduta) VALUES ('I1', 'CL000001', 'AB001', 'ANNUALE', "
                   "'2024-01-01 00:00:00', '2024-12-31 00:00:00', 0);"
                   "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
                   "Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES "
                   "('I1', 1, 'CL000001', 'AB001', 'ST001', 1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 1, 0, 0)");
        x.terminale(1, 1, "", "Codice_Struttura='ST001', Vai=-1, TempoVai=3, Stop=-1, TempoStop=1");
        avvia();
        faults = &FaultyConnection::install(x.f.db);
    }
    // A read in its turn, as the links hand it over.
    void turno(int address, const std::string& code) {
        x.s.accogliLettura([&] { leggi(address, code); });
    }
    int righe(const std::string& needle) const {
        int n = 0;
        for (const auto& l : x.f.logLines) n += l.find(needle) != std::string::npos;
        return n;
    }
};

}  // namespace

TEST_F(Guasti, AReadDuringAnOutageGetsTheIdlePromptAndTheNextOneItsVerdict) {
    palestra();
    faults->failFromNow(DbFault::Busy);
    turno(1, "0001234501");
    // One statement met the held database; nothing else was sent to it.
    EXPECT_EQ(faults->counted(), 1u);
    EXPECT_EQ(inviati(1), prompt());
    EXPECT_EQ(righe("Error: 5 - database is locked"), 1);
    EXPECT_EQ(righe("Database unavailable (5): read 0001234501 at terminal 1 answered with the idle prompt"), 1);
    EXPECT_EQ(x.f.logLines.size(), 2u);

    faults->heal();
    x.net92.sent.clear();
    turno(1, "0001234501");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x03"});
    EXPECT_EQ(conta("Presenze WHERE Codice_Cliente='CL000001'"), 1);
    EXPECT_EQ(x.queued(1).front(), "\fOK|ABILITATO|ROSSI|MARIO");
}

TEST_F(Guasti, AnOutageAfterTheVerdictLeavesTheAnswerAsItIs) {
    palestra();
    // The verdict is queued; the state write at the end fails.
    auto daCapo = [&] {
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL OR Indirizzo=0; DELETE FROM Presenze;"
                   "DELETE FROM Presenze_Strutture; DELETE FROM Log_Terminali_Presenze");
        x.net92.sent.clear();
        x.f.logLines.clear();
    };
    turno(1, "0001234501");  // caches filled
    daCapo();
    faults->failAt(1, DbFault::Busy);
    faults->heal();
    turno(1, "0001234501");
    const auto& texts = faults->statements();
    unsigned long write = 0;
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i].rfind("UPDATE Stato_Terminali SET Stato", 0) == 0) write = i + 1;
    ASSERT_GT(write, 0u);
    daCapo();
    faults->failAt(write, DbFault::LinkLost);
    turno(1, "0001234501");
    ASSERT_TRUE(faults->fired());
    EXPECT_NE(faults->failedStatement().find("UPDATE Stato_Terminali SET Stato"), std::string::npos)
        << faults->failedStatement();
    x.f.db.newTurn();
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x03"});  // no idle prompt over the verdict
    EXPECT_EQ(x.queued(1).front(), "\fOK|ABILITATO|ROSSI|MARIO");
    EXPECT_EQ(righe("answered with the idle prompt"), 0);
}

TEST_F(Guasti, APushTerminalGetsAnIdleScreenForItsRequest) {
    SystemFixture y{3};
    y.terminale(1, 6, "127.0.0.1", "Vai=-1, TempoVai=3");
    Inizializza_Terminali(y.s);
    ASSERT_TRUE(y.s.Terminali_Inizializzati);
    y.conn.connect("1");
    auto& f = FaultyConnection::install(y.f.db);
    f.failFromNow(DbFault::LinkLost);
    bool done = false;
    y.host.codeRead(1, "CL000001", 1, {[] { return true; }, [&] { done = true; }});
    y.loop.runFor(50ms);
    EXPECT_TRUE(done);
    ASSERT_EQ(y.bodies(1).size(), 1u);
    EXPECT_EQ(y.bodies(1)[0], "VELARIS. Accessi\r\nscreen=\x18\r\nkeepaliveperiod=5\r\n");
}

TEST_F(Guasti, TheCycleMeetsAnOutageOnceEveryFewTicksAndLogsItOnce) {
    palestra();
    faults->failFromNow(DbFault::Busy);
    Timer1_Tick(x.s);
    const unsigned long first = faults->counted();
    EXPECT_EQ(first, 1u);  // the rest of the tick left the database alone
    const size_t lines = x.f.logLines.size();
    for (int i = 0; i < 4; ++i) Timer1_Tick(x.s);
    EXPECT_EQ(faults->counted(), first);
    Timer1_Tick(x.s);  // tried again
    EXPECT_EQ(faults->counted(), first + 1);
    faults->heal();
    for (int i = 0; i < 5; ++i) Timer1_Tick(x.s);
    EXPECT_GT(faults->counted(), first + 1);
    EXPECT_LE(x.f.logLines.size(), lines + 1);
}

TEST_F(Guasti, AFailedCountInsideACheckEndsTheReadInsteadOfAdmitting) {
    palestra();
    // The subscription's time band excludes 10:30; a count that fails must not read as "no bands".
    x.f.native("INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) VALUES "
               "('AB001', '1900-01-01 07:00:00', '1900-01-01 09:00:00')");
    for (const char* tabella : {"FasceOrarie_Abbonamenti", "Giorni_DD_Fasce_Abbonamenti"}) {
        x.net92.sent.clear();
        x.f.logLines.clear();
        {
            TabellaGuasta guasto(x.f.engineHandle(), tabella);
            turno(1, "0001234501");
        }
        EXPECT_NE(inviati(1), std::vector<std::string>{"%O1\x03"}) << tabella;  // never the go relay
        EXPECT_EQ(conta("Presenze"), 0) << tabella;
        EXPECT_GE(righe("Error:"), 1) << tabella;
    }
    // Once the table answers, the band refuses as it should.
    x.net92.sent.clear();
    turno(1, "0001234501");
    EXPECT_EQ(x.queued(1).at(0), "\fSTOP|NON ABILITATO|FASCIA ORARIA");
}
