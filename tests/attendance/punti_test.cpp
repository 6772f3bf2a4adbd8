// Points: what a terminal charges, the credit over subscriptions and add-ons, the debit,
// its expiries and log rows, and the periods charged at an exit.
#include <gtest/gtest.h>

#include "attendance/punti.h"
#include "support/connessione_spia.h"
#include "righe.h"
#include "support/fake_links.h"

using namespace velaris;
using velaris::test::SystemFixture;

namespace {

// Terminals 1 (ID 1, gym ST001) and 2 (ID 2, spa ST002); member CL1; Thursday 2024-03-07 10:30.
struct Punti : ::testing::Test {
    SystemFixture x{1};
    void SetUp() override {
        x.at(10, 30, 0);
        x.terminale(1, 3, "", "Codice_Struttura='ST001'");
        x.terminale(2, 3, "", "Codice_Struttura='ST002'");
        sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome, Nome) VALUES ('CL1','Gallo','Marta'), "
            "('CL2','Neri','Ugo');"
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST001','SALA'), ('ST002','SPA')");
    }
    void sql(const std::string& s) { x.f.native(s); }
    void tariffa(int terminale, int giorno, const char* ini, const char* fin, int punti, const std::string& extra = "",
                 const char* da = "2024-01-01") {
        sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
            "Data_Validita, Punti" + std::string(extra.empty() ? "" : ", ") + extra.substr(0, extra.find('=')) +
            ") VALUES (" + std::to_string(terminale) + ",1," + std::to_string(giorno) + ",'1900-01-01 " + ini +
            "','1900-01-01 " + fin + "','" + da + " 00:00:00'," + std::to_string(punti) +
            (extra.empty() ? "" : "," + extra.substr(extra.find('=') + 1)) + ")");
    }
    int64_t carico(int terminale = 1) { return Verifica_Punti_Terminali(x.s, Value("CL1"), terminale).Punti; }
    int64_t caricoAlle(int h, int m, int sec) { return x.at(h, m, sec), carico(); }
    void passaggio(int indirizzo, const char* ora) {
        sql(std::string("INSERT INTO Log_Terminali_Presenze (Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale) "
                        "VALUES ('CL1','2024-03-07 00:00:00','1900-01-01 ") + ora + "'," + std::to_string(indirizzo) + ")");
    }
    void addebitoRegistrato(const char* struttura, const char* ora) {
        sql(std::string("INSERT INTO Log_Punti_Clienti (Op, Codice_Cliente, Data_Log, Ora_Log, Punti, Codice_Struttura) "
                        "VALUES (1004,'CL1','2024-03-07 00:00:00','1900-01-01 ") + ora + "',3,'" + struttura + "')");
    }
    int64_t n(const std::string& s) { return x.scalar(s).toInt(); }
    std::string righe(const std::string& sql) { return velaris::test::righe(x, sql); }
};

}  // namespace

TEST_F(Punti, PlainTariffByWeekdayAndBandTheNewestRowWinning) {
    tariffa(1, 4, "10:00:00", "12:00:00", 5);
    tariffa(1, 4, "10:00:00", "12:00:00", 7, "Punti_NoScalare=2", "2024-03-01");
    tariffa(1, 5, "00:00:00", "23:59:59", 9);
    EXPECT_EQ(carico(), 7);
    EXPECT_EQ(Verifica_Punti_Terminali(x.s, Value("CL1"), 1).Punti_NoScalare, 2);
    EXPECT_EQ(caricoAlle(12, 0, 0), 7);  // the band's end is inside it
    EXPECT_EQ(caricoAlle(12, 0, 1), 0);
    EXPECT_EQ(caricoAlle(9, 59, 59), 0);
    EXPECT_EQ(carico(2), 0);
}

TEST_F(Punti, FollowOnTerminalChargesAfterAPassOncePerFacilityAndDay) {
    tariffa(2, 4, "00:00:00", "23:59:59", 3, "ID_Terminale_Entrata=1");
    EXPECT_EQ(carico(2), 0);  // not through the entry terminal today
    passaggio(1, "09:00:00");
    EXPECT_EQ(carico(2), 3);
    addebitoRegistrato("ST001", "09:00:00");
    EXPECT_EQ(carico(2), 0);
}

TEST_F(Punti, BookingRowsNeedAPointsPaidBookingStartedByNow) {
    tariffa(1, 4, "00:00:00", "23:59:59", 4, "Punti_Pren=-1");
    tariffa(1, 4, "00:00:00", "23:59:59", 1);
    sql("INSERT INTO Orario_Istruttori_Corsi (ID, Codice_Corso, GiornoSettimana, DaOre, AOre) VALUES "
        "(1,'CS1',4,'1900-01-01 10:30:00','1900-01-01 11:30:00');"
        "INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, Punti_Uti) "
        "VALUES ('CL1','CS1',1,'2024-03-07 00:00:00',4)");
    EXPECT_EQ(carico(), 4);
    EXPECT_EQ(caricoAlle(10, 29, 59), 1);
}

TEST_F(Punti, AChargeNotYetFollowedByAPassCoversTheNextRead) {
    tariffa(1, 4, "00:00:00", "23:59:59", 5);
    passaggio(1, "09:00:00");
    addebitoRegistrato("ST001", "09:00:00");
    EXPECT_EQ(carico(), 5);  // that charge paid the 9:00 pass
    addebitoRegistrato("ST001", "10:00:00");
    EXPECT_EQ(carico(), 0);  // paid at 10:00, never went through
}

TEST_F(Punti, DebitTakesTheNewestAddOnThenSubscriptionsAndOnlyWhenCovered) {
    sql("INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Data_Inizio, Punti, Punti_Uti) VALUES "
        "('IS2','CL1','2024-02-01 00:00:00',10,8), ('IS1','CL1','2024-01-01 00:00:00',10,5);"
        "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Codice_Cliente, Codice_Struttura) VALUES "
        "('IS1','CL1','ST001'), ('IS1','CL1','ST002'), ('IS2','CL1','ST001');"
        // Plain add-ons all carry ID_Pacchetto 0; another member's must never be touched.
        "INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_Struttura, Data_Inizio, Punti, Punti_Uti, ID_Pacchetto) "
        "VALUES ('CL1','ST001','2024-01-10 00:00:00',4,0,0), ('CL1','ST001','2024-03-01 00:00:00',3,1,0), "
        "('CL2','ST001','2024-01-01 00:00:00',3,0,0);"
        // A booking of tomorrow names IS2: it does not expire when used up.
        "INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Iscrizione, Data_Prenotazione) VALUES "
        "('CL1','IS2','2024-03-08 00:00:00')");
    EXPECT_EQ(Cliente_Credito_Punti(x.s, Value("CL1"), Value("ST001")), 13);  // 2 + 4 + 5 + 2
    EXPECT_EQ(Cliente_Credito_Punti(x.s, Value("CL1"), Value("ST002")), 5);
    EXPECT_EQ(Addebita_Punti(x.s, Value("CL1"), 14, Value("ST001"), Value("ST001")).esito,
              EsitoAddebito::CreditoInsufficiente);
    EXPECT_EQ(righe("SELECT Sum(Punti_Uti), (SELECT Count(*) FROM Log_Punti_Clienti) FROM Gestione_Aggiunte"), "1|0");

    const PagamentoPunti p = Addebita_Punti(x.s, Value("CL1"), 9, Value("ST001"), Value("ST001"));
    EXPECT_EQ(p.esito, EsitoAddebito::Eseguito);
    EXPECT_EQ(p.residuo, 4);
    // The newest add-on first, then the other, then the oldest subscription; never another member's.
    EXPECT_EQ(righe("SELECT ID, Punti_Uti FROM Gestione_Aggiunte ORDER BY ID"), "1|4; 2|3; 3|0");
    EXPECT_EQ(n("SELECT Punti_Uti FROM Gestione_Iscrizioni WHERE Codice_Iscrizione='IS1'"), 8);
    EXPECT_EQ(righe("SELECT ID, Data_Scadenza FROM Gestione_Aggiunte WHERE Scaduta<>0"),
              "1|2024-03-07 00:00:00; 2|2024-03-07 00:00:00");
    EXPECT_EQ(righe("SELECT Punti, Codice_Iscrizione, Descrizi FROM Log_Punti_Clienti WHERE Op=1004 AND "
                    "Dati_Cliente='Gallo Marta' AND Codice_Struttura='ST001' ORDER BY ID"),
              "2||Ingresso struttura; 4||Ingresso struttura; 3|IS1|Ingresso struttura");

    EXPECT_EQ(Addebita_Punti(x.s, Value("CL1"), 4, Value("ST001"), Value("ST001")).esito, EsitoAddebito::Eseguito);
    // IS1 used up expires with its lines; IS2, booked for tomorrow, stays.
    EXPECT_EQ(righe("SELECT Codice_Iscrizione, Scaduta FROM Gestione_Iscrizioni ORDER BY Codice_Iscrizione"),
              "IS1|-1; IS2|0");
    EXPECT_EQ(righe("SELECT Codice_Iscrizione, Scaduta<>0 FROM Iscrizioni_Strutture ORDER BY ID"),
              "IS1|1; IS1|1; IS2|0");
}

TEST_F(Punti, ExitChargesThePeriodsBeyondTheEntryCharge) {
    tariffa(1, 4, "08:00:00", "10:30:00", 0, "Validita=60");  // the entry charge covers an hour
    tariffa(1, 4, "10:30:00", "20:00:00", 2, "Validita=30");
    tariffa(1, 4, "11:15:00", "20:00:00", 5, "Validita=30", "2024-02-01");
    const DateTime entrata = DateTime::fromParts(1900, 1, 1, 10, 0, 0);
    EXPECT_EQ(Punti_Permanenza(x.s, 1, entrata, DateTime::fromParts(2024, 3, 7, 11, 0, 0)), 0);  // within the hour
    // Periods from 11:00 (2 points, the first row) and 11:30 (5, the newer row from 11:15).
    EXPECT_EQ(Punti_Permanenza(x.s, 1, entrata, DateTime::fromParts(2024, 3, 7, 11, 45, 0)), 7);
    EXPECT_EQ(Punti_Permanenza(x.s, 1, entrata, DateTime::fromParts(2024, 3, 7, 11, 30, 0)), 2);
    EXPECT_EQ(Punti_Permanenza(x.s, 2, entrata, DateTime::fromParts(2024, 3, 7, 11, 45, 0)), 0);
}

TEST_F(Punti, AHolderDrainedBetweenTheCheckAndTheDebitIsNeverOverdrawn) {
    sql("INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_Struttura, Data_Inizio, Punti) VALUES "
        "('CL1','ST001','2024-01-01 00:00:00',5)");
    auto& c = test::spia(x.f.db, x.f.dbPath().string(), x.f.clock);
    c.prima = [&](Connection& conn, std::string_view sql) {
        if (sql.rfind("UPDATE Gestione_Aggiunte  SET Punti_Uti=Punti_Uti+", 0) == 0)
            conn.execute("UPDATE Gestione_Aggiunte SET Punti_Uti = 4");
    };
    EXPECT_EQ(Addebita_Punti(x.s, Value("CL1"), 2, Value("ST001"), Value("ST001")).esito,
              EsitoAddebito::CreditoInsufficiente);
    c.prima = nullptr;
    EXPECT_LE(n("SELECT Punti_Uti FROM Gestione_Aggiunte"), 5);
    EXPECT_EQ(n("SELECT Count(*) FROM Log_Punti_Clienti"), 0);
}
