// Reads while the database fails. A read during an outage is answered with the idle prompt
// and one log line, never a verdict built on missing data, and the next read once the
// database is back is served normally; the polling cycle meets the outage once every few
// seconds, not every second. Then every failure point of whole reads: for each kind of read,
// statement N fails (briefly, for good, or after it ran with its answer lost), for every N
// the read sends. After each the process is alive, the event log names the failure, no lock
// row stays behind once the pending releases ran, nothing was recorded twice, and the next
// read is answered as if nothing had happened.
#include <algorithm>
#include <functional>
#include <iostream>
#include <limits>

#include "app/polling.h"
#include "db/counters.h"
#include "scenario.h"
#include "support/faulty_connection.h"

using namespace velaris;
using namespace velaris::test;
using namespace std::chrono_literals;

namespace {

// Rossi holds an annual subscription with a gym line of `sedute` entries (0: unlimited).
struct Guasti : Centro {
    FaultyConnection* faults = nullptr;

    void abbonato(int sedute) {
        x.f.native(
            "INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST001', 'ST001');"
            "INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB001', 'ANNUALE');"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, "
            "Descrizione, Data_Inizio, Data_Fine, Scaduta) VALUES ('I1', 'CL000001', 'AB001', 'ANNUALE', "
            "'2024-01-01 00:00:00', '2024-12-31 00:00:00', 0);"
            "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES "
            "('I1', 1, 'CL000001', 'AB001', 'ST001', 1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 1, " +
            std::to_string(sedute) + ", 0)");
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
    // The gym terminal, with the member's subscription admitting him.
    void palestra() {
        abbonato(0);
        x.terminale(1, 1, "", "Codice_Struttura='ST001', Vai=-1, TempoVai=3, Stop=-1, TempoStop=1");
        avvia();
        faults = &FaultyConnection::install(x.f.db);
    }
};

// Tables a read records into: none may hold more rows after a failed read than after a
// sound one.
const char* const kRegistri[] = {"Presenze",        "Presenze_Strutture", "Log_Entrate",     "Log_Terminali_Presenze",
                                 "Log_Terminali",   "Gestione_Personale", "Contatori",       "Gestione_Entrate",
                                 "Gestione_Uscite", "Gestione_Visitatori", "PN_Movimenti", "Utilizzo_Manuale_Strutture"};

// What a read consumes: entries of lines and tickets, the money card's used amount. None
// may be above a sound read's after a failed one.
const char* const kConsumi[] = {"SELECT COALESCE(SUM(SeduteFatte), 0) FROM Iscrizioni_Strutture",
                                "SELECT COALESCE(SUM(SeduteFatte), 0) FROM Gestione_Biglietti",
                                "SELECT COALESCE(SUM(Importo_Usato), 0) FROM Gestione_MoneyCard"};

struct Esito {
    std::vector<std::string> inviati;
    std::vector<std::string> coda;
    std::vector<int64_t> righe;
    std::vector<double> consumi;
    std::vector<std::string> insieme;  // what must be recorded all together or not at all
    unsigned long statements = 0;  // the read's own
};

struct PercorsoGuasti : Guasti {
    // Per kind: values that one transaction records together (a debit, its movement and its
    // visit), so that a failed read leaves all of them as a sound read does or as before.
    std::vector<std::string> insieme;
    std::vector<std::string> risposta;      // what the sound read sent, for the kind to check
    std::vector<std::string> insiemeSano;   // and what it recorded together

    void SetUp() override {
        // Each point is undone with a savepoint of the embedded engine's own connection.
        if (testEngine() != TestEngine::Sqlite) GTEST_SKIP() << "embedded engine only";
        Centro::SetUp();
        abbonato(10);
        x.f.native("UPDATE Anagrafica_Strutture SET Abilita_Ingresso=-1 WHERE Codice_Struttura='ST001';"
                   "INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome, Ingresso) VALUES "
                   "('IS0001', '0004512001', 'FERRARI', 'MARCO', -1)");
    }

    // 1: the gym turnstile, 2: the general entrance; `centro` adds what a kind needs before
    // the server starts.
    void avviaCon(const std::function<void()>& centro = {}) {
        x.terminale(1, 1, "", "Codice_Struttura='ST001', " + std::string(kRele) + ", Personale=-1");
        x.terminale(2, 1, "", kRele);
        if (centro) centro();
        x.s.settings.Defaults_DopoAggiornamento();
        avvia();
        faults = &FaultyConnection::install(x.f.db);
    }
    static constexpr const char* kRele = "Vai=-1, TempoVai=3, Stop=-1, TempoStop=1";

    // Back to the data as they were before the walked read, with what the process keeps in
    // memory of them: the machines switched on for bookings mirror the state rows.
    void indietro() {
        x.f.native("ROLLBACK TO percorso");
        x.s.attivazioni = {};
    }

    std::vector<std::string> misuraInsieme() {
        std::vector<std::string> out;
        for (const auto& q : insieme) out.push_back(x.scalar(q).toText());
        return out;
    }

    Esito leggiInTurno(int address, const std::string& code) {
        x.net92.sent.clear();
        turno(address, code);
        Esito e;
        e.statements = faults->counted();
        // What the read left behind, seen with the database sound again.
        faults->heal();
        x.f.db.newTurn();
        for (const Sent& t : x.net92.sent) e.inviati.push_back(t.text);
        e.coda = x.queued(address);
        for (const char* t : kRegistri) e.righe.push_back(conta(t));
        for (const char* q : kConsumi) e.consumi.push_back(std::stod(x.scalar(q).toText()));
        e.insieme = misuraInsieme();
        return e;
    }

    // Walks one read kind under one fault; returns the failure points walked.
    unsigned long percorri(const char* tipo, int address, const std::string& code, DbFault fault, bool forGood,
                           FaultyConnection::When when) {
        x.f.native("SAVEPOINT percorso");
        faults->failAt(std::numeric_limits<unsigned long>::max(), fault);  // counts, never fails
        const Esito sano = leggiInTurno(address, code);
        const unsigned long punti = sano.statements;
        risposta = sano.inviati;
        insiemeSano = sano.insieme;
        indietro();
        const std::vector<std::string> prima = misuraInsieme();
        const std::string testo = FaultyConnection::errorFor(fault).what();
        for (unsigned long n = 1; n <= punti; ++n) {
            SCOPED_TRACE(std::string(tipo) + ", fault " + FaultyConnection::errorFor(fault).what() +
                         (forGood ? " for good" : "") + ", failure at statement " + std::to_string(n) + " of " +
                         std::to_string(punti));
            x.f.logLines.clear();
            faults->failAt(n, fault, forGood, when);
            const Esito guasto = leggiInTurno(address, code);
            EXPECT_TRUE(faults->fired()) << guasto.statements;
            EXPECT_GT(righe(testo), 0) << faults->failedStatement();
            for (size_t i = 0; i < guasto.righe.size(); ++i)
                EXPECT_LE(guasto.righe[i], sano.righe[i]) << kRegistri[i] << " after " << faults->failedStatement();
            for (size_t i = 0; i < guasto.consumi.size(); ++i)
                EXPECT_LE(guasto.consumi[i], sano.consumi[i]) << kConsumi[i] << " after " << faults->failedStatement();
            EXPECT_TRUE(guasto.insieme == sano.insieme || guasto.insieme == prima)
                << ::testing::PrintToString(guasto.insieme) << " after " << faults->failedStatement();
            // A booking remembered as switched on has its machine's command on the queue:
            // otherwise the member would be refused a machine that never started.
            if (!x.s.attivazioni.prenotazioni.empty()) {
                EXPECT_NE(std::find(guasto.coda.begin(), guasto.coda.end(), sano.coda.at(0)), guasto.coda.end())
                    << "booking remembered, command lost, after " << faults->failedStatement();
            }
            // The releases the outage held back run at the polling cycle's next turn.
            EXPECT_TRUE(Rilascia_Semafori_Sospesi(x.f.db, x.s.postazione));
            EXPECT_EQ(conta("Semafori"), 0) << faults->failedStatement();

            // The next read, on the data as they were, gets the sound read's answer.
            indietro();
            x.f.logLines.clear();
            const Esito dopo = leggiInTurno(address, code);
            EXPECT_EQ(dopo.inviati, sano.inviati);
            EXPECT_EQ(dopo.coda, sano.coda);
            EXPECT_EQ(dopo.righe, sano.righe);
            EXPECT_EQ(dopo.consumi, sano.consumi);
            EXPECT_EQ(conta("Semafori"), 0);
            EXPECT_TRUE(errori().empty()) << errori().front();
            indietro();
            if (HasFailure()) break;  // one broken point is enough to read
        }
        x.f.native("RELEASE percorso");
        return punti;
    }

    // Walks under the four faults, or under two (busy, and the link lost after a statement
    // ran) for kinds whose reads are long.
    unsigned long ogniGuasto(const char* tipo, int address, const std::string& code, int guasti = 4) {
        using When = FaultyConnection::When;
        unsigned long punti = percorri(tipo, address, code, DbFault::Busy, false, When::Before);
        if (guasti == 4) {
            percorri(tipo, address, code, DbFault::LinkLost, true, When::Before);
            percorri(tipo, address, code, DbFault::Locked, false, When::Before);
        }
        // The link lost after a statement ran: its effect stays, its answer never came.
        percorri(tipo, address, code, DbFault::LinkLost, false, When::After);
        std::cout << "[ walked   ] " << tipo << ": " << punti << " failure points, " << guasti << " faults each\n";
        return punti;
    }

    // Exit 3 paired with the general entrance, where the member entered at 10:30 (recorded
    // before the walk, so every walked read finds the same stay); he leaves at 12:00.
    void uscitaDopoIngresso(const std::function<void()>& extra = {}) {
        avviaCon([&] {
            x.terminale(3, 1, "", "Uscita=2, Descrizione='USCITA EST', " + std::string(kRele));
            x.f.native("INSERT INTO Dettaglio_Terminali_Uscita (ID_Terminale, ID_Terminale_Entrata) SELECT u.ID, e.ID "
                       "FROM Dettaglio_Terminali u, Dettaglio_Terminali e WHERE u.Indirizzo=3 AND e.Indirizzo=2");
            if (extra) extra();
        });
        leggi(2, "0001234501");
        ASSERT_EQ(conta("Controllo_Fascia_Oraria WHERE Modalita=2 AND Codice_Cliente='CL000001'"), 1);
        x.at(12, 0, 0);
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

// One test per read kind, so that they run side by side.
struct Lettura {
    const char* nome;
    const char* tipo;
    int address;
    const char* code;
    unsigned long punti;  // at least this many failure points walked
};
// The name alone, so that each walk keeps one stable test name.
void PrintTo(const Lettura& l, std::ostream* os) { *os << l.nome; }
struct PercorsoSemplice : PercorsoGuasti, ::testing::WithParamInterface<Lettura> {};

TEST_P(PercorsoSemplice, EveryFailurePoint) {
    avviaCon();
    EXPECT_GT(ogniGuasto(GetParam().tipo, GetParam().address, GetParam().code), GetParam().punti);
}
INSTANTIATE_TEST_SUITE_P(
    Letture, PercorsoSemplice,
    ::testing::Values(Lettura{"FacilityTerminalMemberAdmitted", "facility terminal, member admitted", 1, "0001234501", 50},
                      Lettura{"FacilityTerminalUnknownCode", "facility terminal, unknown code", 1, "0009999999", 10},
                      Lettura{"FacilityTerminalStaff", "facility terminal, staff", 1, "0004512001", 10},
                      Lettura{"GeneralEntranceMemberAdmitted", "general entrance, member admitted", 2, "0001234501", 50}),
    [](const ::testing::TestParamInfo<Lettura>& i) { return std::string(i.param.nome); });

TEST_F(PercorsoGuasti, MemberExit) {
    uscitaDopoIngresso();
    EXPECT_GT(ogniGuasto("exit terminal, member leaves", 3, "0001234501"), 15u);
    EXPECT_EQ(risposta, (std::vector<std::string>{"%O1\x03", "\fUSCITA|CONSENTITA"}));
}

TEST_F(PercorsoGuasti, DayTicketEntry) {
    avviaCon([&] {
        x.s.Opzione_Avvio = true;
        x.f.native("UPDATE Impostazioni_Funzionamento SET AnticipoPren=15, TolleranzaU=5, Struttura_Biglietti='0042';"
                   "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione, Esterna) VALUES ('STX', 'LIDO', -1);"
                   "INSERT INTO Anagrafica_Biglietti (Codice_Biglietto, Codice_Struttura, Descrizione, Accessi_Multipli, "
                   "  Utilizzo_AltriGiorni, Tempo_Permanenza) VALUES ('BG1', 'STX', 'INGRESSO BG1', 1, 0, 60);"
                   "INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Acquisto, Data_Inizio, Sedute, "
                   "  SeduteFatte, Scaduta) VALUES ('BG1', 'TK1', '2024-03-07 00:00:00', '2024-03-07 00:00:00', 3, 0, 0)");
        // 4: the lido's entrance; 3: an exit, so that the ticket's stay is opened.
        x.terminale(3, 1, "", "Uscita=2, " + std::string(kRele));
        x.terminale(4, 1, "", "Codice_Struttura='STX', Descrizione='LIDO NORD', " + std::string(kRele));
    });
    EXPECT_GT(ogniGuasto("day ticket entry", 4, "TK1"), 15u);
    EXPECT_EQ(risposta, (std::vector<std::string>{"%O1\x03", "\fOK|ABILITATO"}));
}

TEST_F(PercorsoGuasti, VisitorEntry) {
    avviaCon([&] {
        x.f.native("INSERT INTO Anagrafica_Visitatori (Codice_Visitatore, Codice_Bis, Cognome, Nome, Cd_Motivo) VALUES "
                   "  ('VR000001', 'V1', 'NERI', 'ADA', 3);"
                   "INSERT INTO Tabella_Tessere_Visitatori (Codice_Tessera, Max_Permanenza) VALUES ('V1', 90)");
    });
    EXPECT_GT(ogniGuasto("general entrance, visitor entry", 2, "V1"), 15u);
    EXPECT_EQ(risposta, (std::vector<std::string>{"%O1\x03", "\fENTRATA|CONSENTITA"}));
}

TEST_F(PercorsoGuasti, BookedMachine) {
    // Terminal 5 serves the squash court; the member booked it now and his line covers squash.
    avviaCon([&] {
        x.terminale(5, 1, "", "ID=50, Vai=-1, Stop=-1");
        x.f.native(
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST010', 'SQUASH');"
            "INSERT INTO Anagrafica_SubStrutture (Cd_SubStruttura, Codice_Struttura, Descrizione) VALUES "
            "  (1, 'ST010', 'CAMPO 1');"
            "INSERT INTO Dettaglio_Terminali_Sub (ID_Terminale, Cd_SubStruttura, NReleVai, TempoVai, IOX, TempoAnticipo, "
            "  TempoRitardo) VALUES (50, 1, 2, 5, 0, 10, 5);"
            "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "  Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('I1', 2, "
            "  'CL000001', 'AB001', 'ST010', 1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 2, 10, 3);"
            "INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente) VALUES (100, 'CL000001');"
            "INSERT INTO Agenda_Struttura (Cd_SubStruttura, Data_Prenotazione, DaOre, AOre, ID_PivotPrenotazione) "
            "  VALUES (1, '2024-03-07 00:00:00', '1900-01-01 10:30:00', '1900-01-01 23:59:00', 100)");
    });
    EXPECT_GT(ogniGuasto("booked machine", 5, "0001234501"), 40u);
    EXPECT_EQ(risposta, std::vector<std::string>{"\fOK REGOLARE|ATTIVAZIONE:|05"});
}

TEST_F(PercorsoGuasti, MoneyCardPaysAnEntry) {
    // No line at all: the general entrance refuses for want of an entitlement, and the card
    // pays 3.50 for the visit.
    avviaCon([&] {
        x.f.native("UPDATE Impostazioni_Funzionamento SET NoEntry10=-1, NoEntry12=-1;"
                   "DELETE FROM Iscrizioni_Strutture;"
                   "INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
                   "  Data_Validita, Importo) SELECT ID, 2, 4, '1900-01-01 00:00:00', '1900-01-01 23:59:59', "
                   "  '2024-01-01 00:00:00', 3.5 FROM Dettaglio_Terminali WHERE Indirizzo=2;"
                   "INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Importo_Omaggio, Data_Inizio) VALUES "
                   "  ('CL000001', 5, 0.25, '2024-01-01 00:00:00')");
    });
    insieme = {"SELECT Importo_Usato FROM Gestione_MoneyCard", "SELECT COUNT(*) FROM PN_Movimenti",
               "SELECT COUNT(*) FROM Presenze"};
    EXPECT_GT(ogniGuasto("general entrance, money card pays the entry", 2, "0001234501"), 80u);
    EXPECT_EQ(risposta, std::vector<std::string>{"%O1\x03"});
    EXPECT_EQ(insiemeSano, (std::vector<std::string>{"3.5", "1", "1"}));
}

TEST_F(PercorsoGuasti, MoneyCardPaysAnExit) {
    // 2.00 an hour from 08:00, 0.50 for what is left beyond 10 minutes.
    uscitaDopoIngresso([&] {
        x.f.native("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
                   "  Data_Validita, Importo, Unita_Min, Importo_Fraz, Tolleranza) SELECT ID, 3, 4, "
                   "  '1900-01-01 08:00:00', '1900-01-01 22:00:00', '2024-01-01 00:00:00', 2, 60, 0.5, 10 "
                   "  FROM Dettaglio_Terminali WHERE Indirizzo=3;"
                   "INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Importo_Omaggio, Data_Inizio) VALUES "
                   "  ('CL000001', 50, 0, '2024-01-01 00:00:00')");
    });
    insieme = {"SELECT Importo_Usato FROM Gestione_MoneyCard", "SELECT COUNT(*) FROM PN_Movimenti",
               "SELECT COUNT(*) FROM Gestione_Uscite"};
    EXPECT_GT(ogniGuasto("exit terminal, money card pays the stay", 3, "0001234501"), 20u);
    EXPECT_EQ(risposta, (std::vector<std::string>{"%O1\x03", "\fUSCITA|CONSENTITA"}));
    EXPECT_EQ(insiemeSano.at(1), "1");  // the stay was charged
}
