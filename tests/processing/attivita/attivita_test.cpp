#include <gtest/gtest.h>

#include "attendance/righe.h"
#include "processing/attivita.h"
#include "support/fake_links.h"
#include "system/registry.h"

using namespace velaris;
using velaris::test::SystemFixture;

namespace {

// A facility terminal (address 1, facility ST001 "Sala pesi") and member CL001 with a
// ten-entry subscription line for it, five used; Thursday 2024-03-07 at 10:30.
struct Selezione : ::testing::Test {
    SystemFixture x{1};
    Messaggio m;

    void SetUp() override {
        x.at(10, 30, 0);
        sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome, Nome) VALUES ('CL001','Rossi','Anna');"
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST001','Sala pesi');"
            "INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB1','Open');"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
            "Data_Inizio, Data_Fine) VALUES ('IS1','CL001','AB1','Open annuale','2024-01-01 00:00:00',"
            "'2024-12-31 00:00:00')");
        riga("ST001", 10, 5);
        terminale("");
    }
    void terminale(const std::string& extra) {
        sql("DELETE FROM Dettaglio_Terminali WHERE Indirizzo=1");
        x.terminale(1, 3, "", "Codice_Struttura='ST001'" + (extra.empty() ? "" : ", " + extra));
        x.s.registro = Registro{};
        x.net92.answers[1] = 1;
        Inizializza_Terminali(x.s);
        ASSERT_TRUE(x.s.registro.trova(1));
        x.s.corrente.Indirizzo_Corrente = 1;
        x.s.corrente.Tipo_Corrente = 3;
        x.s.lettura.Tessera_Letta = "CL001";
        m = Messaggio{};
        m.Stato = 2;
        m.terminale = x.s.registro.corrente();
        sql("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
    }
    // A refusal or a skipped step must never come from a statement that failed.
    bool erroriAttesi = false;
    void TearDown() override {
        if (erroriAttesi) return;
        for (const auto& l : x.f.logLines) EXPECT_EQ(l.find("Error"), std::string::npos) << l;
    }
    void sql(const std::string& s) { x.f.native(s); }
    void riga(const std::string& struttura, int sedute, int fatte, int prog = 1) {
        sql("INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "Codice_Struttura, Data_Inizio, Data_Fine, Sedute, SeduteFatte) VALUES ('IS1'," + std::to_string(prog) +
            ",'CL001','AB1','" + struttura + "','2024-01-01 00:00:00','2024-12-31 00:00:00'," + std::to_string(sedute) +
            "," + std::to_string(fatte) + ")");
    }
    int64_t n(const std::string& s) { return x.scalar(s).toInt(); }
    EsitoAttivita seleziona(const Value& attivita = Value()) {
        return Verifica_Attivita_Terminale(x.s, m, Value("CL001"), attivita);
    }
    int64_t presenze() { return n("SELECT Count(*) FROM Presenze"); }
};

}  // namespace

TEST_F(Selezione, FacilityEntitlementAdmitsAndIsRecorded) {
    const EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_FALSE(e.Scelta);
    EXPECT_EQ(e.Codice_Attivita.toText(), "ST001");
    EXPECT_EQ(e.Tipo_Attivita, "ST");
    EXPECT_EQ(e.Codice_Iscrizione.toText(), "IS1");
    ASSERT_EQ(e.Righe_Info.size(), 2u);
    EXPECT_EQ(e.Righe_Info[0], "RESIDUO| 5");
    EXPECT_EQ(e.Righe_Info[1], "DATA SCADENZA:|mar 31 dic 2024");
    EXPECT_TRUE(e.Altre_DatiAccessi.empty());

    EXPECT_EQ(conti(x, "Presenze Log_Entrate"), "1|1");
    EXPECT_EQ(righe(x, "SELECT Codice_Struttura, Iscrizione FROM Presenze_Strutture"), "ST001|IS1");
    EXPECT_EQ(n("SELECT SeduteFatte FROM Iscrizioni_Strutture"), 6);
    EXPECT_EQ(righe(x, "SELECT Codice_Cliente, Codice_Struttura, IndTerminale FROM Log_Terminali"), "CL001|ST001|1");
}

TEST_F(Selezione, NoEntitlementRefusesWithoutRecording) {
    sql("DELETE FROM Iscrizioni_Strutture");
    const EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 4);
    EXPECT_TRUE(e.Nessun_Ingresso);
    EXPECT_EQ(e.Altre_DatiAccessi, ", Entrata = 'INGRESSO NON CONSENTITO' ");
    EXPECT_EQ(e.Controlli_Cliente.toInt(), 1);
    EXPECT_EQ(conti(x, "Presenze Log_Terminali"), "0|0");
}

TEST_F(Selezione, ExpiredClosedOrUsedUpLinesAreNoEntitlement) {
    // A line kept open by a booking ahead may have no entries left; more entries used than
    // bought is contradictory data, refused the same way.
    for (const char* cambio : {"Data_Fine='2024-03-06 00:00:00'", "Data_Fine=NULL, Chiusa=-1",
                               "Chiusa=0, SeduteFatte=10", "SeduteFatte=14"}) {
        sql(std::string("UPDATE Iscrizioni_Strutture SET ") + cambio);
        const EsitoAttivita e = seleziona();
        EXPECT_EQ(e.Esito, 4) << cambio;
        EXPECT_TRUE(e.Nessun_Ingresso) << cambio;
    }
    EXPECT_EQ(presenze(), 0);
    sql("UPDATE Iscrizioni_Strutture SET SeduteFatte=5");
    EXPECT_EQ(seleziona().Esito, 0);
}

TEST_F(Selezione, DayBandWithTheActivityTolerance) {
    sql("INSERT INTO Giorni_DD_Fasce_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura, DDSettimana, Fascia_Ini, "
        "Fascia_Fin) VALUES ('AB1','ST001',4,'1900-01-01 10:40:00','1900-01-01 12:00:00')");
    sql("UPDATE Anagrafica_Strutture SET Tolleranza=5");
    EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 4);
    EXPECT_TRUE(e.Fuori_Fascia);
    EXPECT_TRUE(x.s.esiti.EsitoT_FuoriOrario);
    EXPECT_EQ(presenze(), 0);

    sql("UPDATE Anagrafica_Strutture SET Tolleranza=10");
    e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_FALSE(x.s.esiti.EsitoT_FuoriOrario);
}

TEST_F(Selezione, BandOfAnotherWeekdayOrOnlyForHolidays) {
    sql("INSERT INTO Giorni_DD_Fasce_Abbonamenti (Codice_Abbonamento, DDSettimana, Fascia_Ini, Fascia_Fin) VALUES "
        "('AB1',8,'1900-01-01 08:00:00','1900-01-01 20:00:00')");
    EXPECT_EQ(seleziona().Esito, 4);
    // On a holiday the holiday bands apply.
    sql("INSERT INTO Tabella_Festivi (ID_Festivita, Club_Open) VALUES ('2024-03-07 00:00:00', 0)");
    EXPECT_EQ(seleziona().Esito, 0);
}

TEST_F(Selezione, BookingOnlyFacilityNeedsTodaysBookingWithTolerance) {
    sql("UPDATE Anagrafica_Strutture SET APrenotazione=-1, Tolleranza=5");
    EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 4);
    EXPECT_TRUE(e.Nessun_Ingresso);  // not booked: not even a candidate

    sql("INSERT INTO Anagrafica_SubStrutture (Cd_SubStruttura, Codice_Struttura) VALUES (3,'ST001')");
    sql("INSERT INTO Gestione_Prenotazioni (ID, Codice2, Cd_SubStruttura, Data_Prenotazione, DaOre, AOre) VALUES "
        "(30,'ST001',3,'2024-03-07 00:00:00','1900-01-01 10:40:00','1900-01-01 11:40:00')");
    sql("INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente, Codice_Iscrizione, ID_Iscrizione, Enroll) "
        "VALUES (30,'CL001','IS1',(SELECT ID FROM Iscrizioni_Strutture),-1)");
    e = seleziona();
    EXPECT_EQ(e.Esito, 4);
    EXPECT_TRUE(e.Fuori_Fascia);

    sql("UPDATE Anagrafica_Strutture SET Tolleranza=10");
    e = seleziona();
    ASSERT_EQ(e.Esito, 0);
    EXPECT_EQ(e.APrenotazione, -1);
    // The booking is used by the entry.
    EXPECT_NE(n("SELECT Usata FROM Booking_Clienti"), 0);
    EXPECT_EQ(n("SELECT Ingresso FROM Booking_Clienti"), 1);
}

TEST_F(Selezione, ClosureOfAllAreasOrOfTheActivityArea) {
    sql("INSERT INTO Periodi_NonPrenotabili (Motivo, Codice, GiornoSettimana, Data_Inizio, Data_Fine, Ora_Inizio, "
        "Ora_Fine) VALUES ('Pulizie','00000',0,'2024-03-01 00:00:00','2024-03-31 00:00:00','1900-01-01 10:00:00',"
        "'1900-01-01 10:30:00')");
    // The end of a closure is open.
    EXPECT_EQ(seleziona().Esito, 0);
    sql("UPDATE Periodi_NonPrenotabili SET Ora_Fine='1900-01-01 11:00:00'");
    EXPECT_EQ(seleziona().Esito, 4);
    sql("UPDATE Periodi_NonPrenotabili SET Codice='AR9'");
    EXPECT_EQ(seleziona().Esito, 0);
    sql("UPDATE Anagrafica_Strutture SET Codice_Area='AR9'");
    EXPECT_EQ(seleziona().Esito, 4);
    // A closure of another weekday does not apply.
    sql("UPDATE Periodi_NonPrenotabili SET GiornoSettimana=5");
    EXPECT_EQ(seleziona().Esito, 0);
}

TEST_F(Selezione, WeeklyFrequencyLimit) {
    sql("INSERT INTO Intervalli_DD (ID, DDIntervallo, Periodo_SMA, Lun, Mar, Mer, Gio, Ven, Sab, Dom) VALUES "
        "(1,1,2,-1,-1,-1,-1,-1,-1,-1)");
    sql("UPDATE Anagrafica_Abbonamenti SET FrequenzaDD=2, ID_Intervallo=1");
    sql("INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza) VALUES "
        "(101,'CL001','2024-03-05 00:00:00'), (102,'CL001','2024-03-06 00:00:00');"
        "INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Iscrizione) VALUES "
        "(101,'CL001','ST001','IS1'), (102,'CL001','ST001','IS1')");
    EXPECT_EQ(seleziona().Esito, 4);
    // Visits of last week do not count.
    sql("UPDATE Presenze SET Data_Presenza='2024-02-27 00:00:00' WHERE ID_Presenza=101");
    EXPECT_EQ(seleziona().Esito, 0);
}

TEST_F(Selezione, RequiredItemWithAnOpenFeeRefuses) {
    sql("UPDATE Anagrafica_Strutture SET CM_Richiesto=-1");
    sql("INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza) VALUES (3,'CL001','2024-02-01 00:00:00')");
    EXPECT_EQ(seleziona().Esito, 4);
    // A fee of another kind does not matter to this activity.
    sql("UPDATE Giornale SET Modalita=2");
    EXPECT_EQ(seleziona().Esito, 0);
}

TEST_F(Selezione, AnEntitlementWithPointsPaysTheTerminalsPointsTariff) {
    sql("UPDATE Gestione_Iscrizioni SET Punti=10, Punti_Uti=8");
    sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, "
        "Punti) SELECT ID, 1, 4, '1900-01-01 10:00:00', '1900-01-01 11:00:00', '2024-01-01 00:00:00', 3 FROM Dettaglio_Terminali "
        "WHERE Indirizzo=1");
    EsitoAttivita e = seleziona();  // 2 points left, 3 due
    EXPECT_EQ(e.Esito, 5);
    EXPECT_EQ(presenze(), 0);
    EXPECT_EQ(n("SELECT Punti_Uti FROM Gestione_Iscrizioni"), 8);

    sql("UPDATE Gestione_Iscrizioni SET Punti_Uti=6");
    e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_EQ(e.Info_Ulteriore, "CREDITO RESIDUO:| 1,00");
    EXPECT_EQ(presenze(), 1);
    EXPECT_EQ(n("SELECT Punti_Uti FROM Gestione_Iscrizioni"), 9);
    EXPECT_EQ(n("SELECT Count(*) FROM Log_Punti_Clienti WHERE Op=1004 AND Punti=3 AND Codice_Struttura='ST001'"), 1);

    // Outside the tariff's band the entry costs nothing.
    x.at(11, 30, 0);
    e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_EQ(e.Info_Ulteriore, "");
    EXPECT_EQ(presenze(), 2);
}

TEST_F(Selezione, AMoneyCardPriceAtTheTerminalIsPaidByEachEntry) {
    sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, "
        "Importo) SELECT ID, 2, 4, '1900-01-01 00:00:00', '1900-01-01 23:59:59', '2024-01-01 00:00:00', 2.5 FROM Dettaglio_Terminali "
        "WHERE Indirizzo=1");
    sql("INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Importo_Usato, Importo_Omaggio, Data_Inizio) VALUES "
        "('CL001', 4, 0, 1, '2024-01-01 00:00:00')");
    EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_EQ(e.Info_Ulteriore, "CREDITO RESIDUO:| 2,50");
    e = seleziona();
    EXPECT_EQ(e.Info_Ulteriore, "CREDITO RESIDUO:| 0,00");
    e = seleziona();
    EXPECT_EQ(e.Esito, 6);
    EXPECT_EQ(presenze(), 2);
    EXPECT_EQ(n("SELECT Count(*) FROM PN_Movimenti WHERE Tipologia=13 AND Importo=2.5 AND Codice_Struttura='ST001'"), 2);
}

TEST_F(Selezione, UnlimitedLineComesBeforeAnEntryPack) {
    sql("UPDATE Iscrizioni_Strutture SET Sedute=0, SeduteFatte=0, Data_Fine=NULL");
    sql("INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, Data_Inizio, Sedute) VALUES "
        "(5,'CL001','ST001','2024-01-01 00:00:00',10)");
    const EsitoAttivita e = seleziona();
    ASSERT_EQ(e.Esito, 0);
    EXPECT_EQ(e.Codice_Iscrizione.toText(), "IS1");
    EXPECT_TRUE(e.Righe_Info.empty());
    EXPECT_EQ(n("SELECT SeduteFatte FROM Gestione_Aggiunte"), 0);

    // With the line gone the pack pays.
    sql("DELETE FROM Iscrizioni_Strutture");
    const EsitoAttivita p = seleziona();
    ASSERT_EQ(p.Esito, 0);
    EXPECT_EQ(p.ID_Aggiunta.toInt(), 5);
    EXPECT_EQ(n("SELECT SeduteFatte FROM Gestione_Aggiunte"), 1);
    EXPECT_EQ(p.Righe_Info.at(0), "RESIDUO| 10");
}

TEST_F(Selezione, AssociatedFacilityEntitlementCountedAtItsOwnTerminal) {
    sql("DELETE FROM Iscrizioni_Strutture");
    riga("ST002", 10, 0);
    sql("INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST002','Piscina')");
    sql("INSERT INTO Strutture_Associate (Codice_Struttura, Codice_Struttura_Associata, Priorita) VALUES "
        "('ST001','ST002',1)");
    EsitoAttivita e = seleziona();
    ASSERT_EQ(e.Esito, 0);
    EXPECT_EQ(e.Codice_Attivita.toText(), "ST002");
    EXPECT_EQ(n("SELECT SeduteFatte FROM Iscrizioni_Strutture"), 1);

    // With a terminal of its own the associated facility counts the entry there.
    x.terminale(2, 3, "", "Codice_Struttura='ST002'");
    e = seleziona();
    ASSERT_EQ(e.Esito, 0);
    EXPECT_EQ(n("SELECT SeduteFatte FROM Iscrizioni_Strutture"), 1);
}

TEST_F(Selezione, CourseHeldInTheFacilityOnlyDuringItsLesson) {
    sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, APrenotazione, Tolleranza) VALUES "
        "('CS001','Pilates',1,10)");
    sql("INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('CS001','ST001')");
    sql("DELETE FROM Iscrizioni_Strutture");
    riga("CS001", 8, 0);
    sql("UPDATE Iscrizioni_Strutture SET Tipologia=2");
    sql("INSERT INTO Orario_Istruttori_Corsi (ID, Codice_Corso, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES "
        "(70,'CS001',4,'2024-01-01 00:00:00','2024-12-31 00:00:00','1900-01-01 10:45:00','1900-01-01 11:45:00')");
    EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 4);
    EXPECT_TRUE(e.Fuori_Fascia);

    x.at(10, 36, 0);  // within the ten minutes of tolerance
    e = seleziona();
    ASSERT_EQ(e.Esito, 0);
    EXPECT_EQ(e.Tipo_Attivita, "CS");
    EXPECT_EQ(n("SELECT Count(*) FROM Presenze_Strutture WHERE Codice_Struttura='CS001' AND Tipologia=2"), 1);
}

TEST_F(Selezione, ActivationChoiceIsAskedThenConfirmed) {
    terminale("Gestisci_Attivita=1");
    sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, "
        "Importo) SELECT ID, 2, 4, '1900-01-01 00:00:00', '1900-01-01 23:59:59', '2024-01-01 00:00:00', 1 FROM Dettaglio_Terminali "
        "WHERE Indirizzo=1");
    sql("INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Data_Inizio) VALUES ('CL001', 5, '2024-01-01 00:00:00')");
    EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_TRUE(e.Scelta);
    EXPECT_EQ(m.Stato_Nuovo, 10);
    EXPECT_EQ(m.Codice_Cliente.toText(), "CL001");
    const std::vector<std::string> attesi = {"INGRESSI RESIDUI 5|1 ATTIVARE|2 NON ATTIVARE|SCELTA:_", "%K1", "%KN"};
    EXPECT_EQ(x.queued(1), attesi);
    EXPECT_EQ(presenze(), 0);
    EXPECT_EQ(n("SELECT Importo_Usato FROM Gestione_MoneyCard"), 0);  // nothing paid before the answer

    // Confirmed: recorded without asking again, and paid then, once.
    m.Stato = 10;
    e = seleziona();
    EXPECT_EQ(e.Esito, 0);
    EXPECT_FALSE(e.Scelta);
    EXPECT_EQ(presenze(), 1);
    EXPECT_EQ(x.queued(1).size(), 3u);
    EXPECT_EQ(n("SELECT Importo_Usato FROM Gestione_MoneyCard"), 1);

    // An unlimited line shows its expiry instead of the entries left.
    sql("UPDATE Iscrizioni_Strutture SET Sedute=0; DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
    m.Stato = 2;
    seleziona();
    EXPECT_EQ(x.queued(1).at(0), "SCAD mar 31 dic 2024|1 ATTIVARE|2 NON ATTIVARE|SCELTA:_");
}

TEST_F(Selezione, SummaryOfTheStateRowGoesToTheLog) {
    sql("UPDATE Stato_Terminali SET Cognome='Rossi', Nome='Anna', Abbonamento='Open annuale', Rinnovo=1 WHERE "
        "Indirizzo=1 AND Messaggio IS NULL");
    const EsitoAttivita e = seleziona();
    EXPECT_EQ(e.Abbonamento.toText(), "Open annuale");
    EXPECT_EQ(righe(x, "SELECT Rinnovo, Nome FROM Log_Entrate"), "1|Anna");
}

TEST_F(Selezione, DatabaseErrorEndsTheMessageWithoutVerdict) {
    sql("DROP TABLE wTmp_Formule");
    // The message handler logs it and drops the message.
    EXPECT_THROW(seleziona(), DbError);
    EXPECT_EQ(presenze(), 0);
    EXPECT_EQ(m.Stato_Nuovo, 0);
}

TEST_F(Selezione, BadCodesNeverBreakAStatement) {
    for (const std::string& code : {std::string("CL'; DROP TABLE Presenze; --"), std::string(300, 'x'),
                                    std::string("CL\x01\x02\x7f"), std::string("CLàèì€"), std::string()}) {
        const EsitoAttivita e = Verifica_Attivita_Terminale(x.s, m, Value(code), Value());
        EXPECT_EQ(e.Esito, 4) << code;
    }
    EXPECT_EQ(presenze(), 0);  // the table is still there
}
