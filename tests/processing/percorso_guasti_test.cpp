// Every failure point of whole reads: for each kind of read, statement N fails (briefly,
// for good, or after it ran with its answer lost), for every N the read sends. After each
// the process is alive, the event log names the failure, no lock row stays behind once the
// pending releases ran, nothing was recorded twice, and the next read is answered as if
// nothing had happened.
#include <iostream>
#include <limits>

#include "app/polling.h"
#include "db/counters.h"
#include "scenario.h"
#include "support/faulty_connection.h"

using namespace velaris;
using namespace velaris::test;

namespace {

// Tables a read records into: none may hold more rows after a failed read than after a
// sound one.
const char* const kRegistri[] = {"Presenze", "Presenze_Strutture", "Log_Entrate", "Log_Terminali_Presenze",
                                 "Log_Terminali", "Gestione_Personale", "Contatori"};

struct Esito {
    std::vector<Sent> inviati;
    std::vector<std::string> coda;
    std::vector<int64_t> righe;
    std::string seduteFatte;
    unsigned long statements = 0;  // the read's own
};

struct PercorsoGuasti : Centro {
    FaultyConnection* faults = nullptr;

    void SetUp() override {
        // Each point is undone with a savepoint of the embedded engine's own connection.
        if (testEngine() != TestEngine::Sqlite) GTEST_SKIP() << "embedded engine only";
        Centro::SetUp();
        x.f.native(
            "UPDATE Anagrafica_Strutture SET Abilita_Ingresso=-1 WHERE Codice_Struttura='ST001';"
            "INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST001', 'ST001');"
            "INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB001', 'ANNUALE');"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, "
            "Descrizione, Data_Inizio, Data_Fine, Scaduta) VALUES ('I1', 'CL000001', 'AB001', 'ANNUALE', "
            "'2024-01-01 00:00:00', '2024-12-31 00:00:00', 0);"
            "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES "
            "('I1', 1, 'CL000001', 'AB001', 'ST001', 1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 1, 10, 0);"
            "INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome, Ingresso) VALUES "
            "('IS0001', '0004512001', 'FERRARI', 'MARCO', -1)");
        // 1: the gym turnstile, 2: the general entrance.
        x.terminale(1, 1, "", "Codice_Struttura='ST001', Vai=-1, TempoVai=3, Stop=-1, TempoStop=1, Personale=-1");
        x.terminale(2, 1, "", "Vai=-1, TempoVai=3, Stop=-1, TempoStop=1");
        avvia();
        faults = &FaultyConnection::install(x.f.db);
    }

    Esito leggiInTurno(int address, const std::string& code) {
        x.net92.sent.clear();
        x.s.accogliLettura([&] { leggi(address, code); });
        Esito e;
        e.statements = faults->counted();
        // What the read left behind, seen with the database sound again.
        faults->heal();
        x.f.db.newTurn();
        e.inviati = x.net92.sent;
        e.coda = x.queued(address);
        for (const char* t : kRegistri) e.righe.push_back(conta(t));
        e.seduteFatte = x.scalar("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE Prog_Riga=1").toText();
        return e;
    }

    bool logNomina(const std::string& testo) const {
        for (const auto& l : x.f.logLines)
            if (l.find(testo) != std::string::npos) return true;
        return false;
    }

    // Walks one read kind under one fault; returns the failure points walked.
    unsigned long percorri(const char* tipo, int address, const std::string& code, DbFault fault, bool forGood,
                           FaultyConnection::When when) {
        x.f.native("SAVEPOINT percorso");
        faults->failAt(std::numeric_limits<unsigned long>::max(), fault);  // counts, never fails
        const Esito sano = leggiInTurno(address, code);
        const unsigned long punti = sano.statements;
        x.f.native("ROLLBACK TO percorso");
        const std::string testo = FaultyConnection::errorFor(fault).what();
        for (unsigned long n = 1; n <= punti; ++n) {
            SCOPED_TRACE(std::string(tipo) + ", fault " + FaultyConnection::errorFor(fault).what() +
                         (forGood ? " for good" : "") + ", failure at statement " + std::to_string(n) + " of " +
                         std::to_string(punti));
            x.f.logLines.clear();
            faults->failAt(n, fault, forGood, when);
            const Esito guasto = leggiInTurno(address, code);
            EXPECT_TRUE(faults->fired()) << guasto.statements;
            EXPECT_TRUE(logNomina(testo)) << faults->failedStatement();
            for (size_t i = 0; i < guasto.righe.size(); ++i)
                EXPECT_LE(guasto.righe[i], sano.righe[i]) << kRegistri[i] << " after " << faults->failedStatement();
            EXPECT_LE(std::stoi(guasto.seduteFatte), std::stoi(sano.seduteFatte));
            // The releases the outage held back run at the polling cycle's next turn.
            EXPECT_TRUE(Rilascia_Semafori_Sospesi(x.f.db, x.s.postazione));
            EXPECT_EQ(conta("Semafori"), 0) << faults->failedStatement();

            // The next read, on the data as they were, gets the sound read's answer.
            x.f.native("ROLLBACK TO percorso");
            x.f.logLines.clear();
            const Esito dopo = leggiInTurno(address, code);
            EXPECT_EQ(dopo.inviati.size(), sano.inviati.size());
            for (size_t i = 0; i < std::min(dopo.inviati.size(), sano.inviati.size()); ++i)
                EXPECT_EQ(dopo.inviati[i].text, sano.inviati[i].text);
            EXPECT_EQ(dopo.coda, sano.coda);
            EXPECT_EQ(dopo.righe, sano.righe);
            EXPECT_EQ(conta("Semafori"), 0);
            EXPECT_TRUE(errori().empty()) << errori().front();
            x.f.native("ROLLBACK TO percorso");
            if (HasFailure()) break;  // one broken point is enough to read
        }
        x.f.native("RELEASE percorso");
        return punti;
    }

    unsigned long ogniGuasto(const char* tipo, int address, const std::string& code) {
        using When = FaultyConnection::When;
        unsigned long punti = percorri(tipo, address, code, DbFault::Busy, false, When::Before);
        percorri(tipo, address, code, DbFault::LinkLost, true, When::Before);
        percorri(tipo, address, code, DbFault::Locked, false, When::Before);
        // The link lost after a statement ran: its effect stays, its answer never came.
        percorri(tipo, address, code, DbFault::LinkLost, false, When::After);
        std::cout << "[ walked   ] " << tipo << ": " << punti << " failure points, 4 faults each\n";
        return punti;
    }
};

}  // namespace

// One test per read kind, so that they run side by side.
TEST_F(PercorsoGuasti, FacilityTerminalMemberAdmitted) {
    EXPECT_GT(ogniGuasto("facility terminal, member admitted", 1, "0001234501"), 50u);
}

TEST_F(PercorsoGuasti, FacilityTerminalUnknownCode) {
    EXPECT_GT(ogniGuasto("facility terminal, unknown code", 1, "0009999999"), 10u);
}

TEST_F(PercorsoGuasti, FacilityTerminalStaff) {
    EXPECT_GT(ogniGuasto("facility terminal, staff", 1, "0004512001"), 10u);
}

TEST_F(PercorsoGuasti, GeneralEntranceMemberAdmitted) {
    EXPECT_GT(ogniGuasto("general entrance, member admitted", 2, "0001234501"), 50u);
}
