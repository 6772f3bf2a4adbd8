#include <gtest/gtest.h>

#include <fstream>

#include "centro.h"
#include "checks/abbonamenti_terminali.h"
#include "processing/risposte.h"

using namespace velaris;
using velaris::test::Centro;
using velaris::test::testo;

namespace {

struct Terminale : ::testing::Test {
    Centro c{"NoEntry5=-1, NoEntry7=-1, NoEntry10=-1, Tolleranza3=10"};
    Value esterna = Value(false);
    Value modo = Value(0);
    Value abbonamento, scadenza, rinnovo;

    // The check, and for a staff card the reply message processing gives on its verdict.
    int verifica(const std::string& codice) {
        c.x.s.corrente.Filtro_Irregolarita.clear();
        const EsitoTerminale r =
            Verifica_Abbonamenti_Terminali(c.x.s, {Value(codice), esterna, modo, Value(true), Value("ST01")});
        abbonamento = r.Testo_Abbonamento;
        scadenza = r.Data_Scadenza;
        rinnovo = r.Rinnovo;
        const int esito = r.Esito;
        if (esito == kVAT_Personale) Rispondi_Personale(c.x.s, c.x.s.esiti.Personale);
        return esito;
    }
    // The verdict and its flags, as "esito|not entitled|irregular".
    std::string esito(const std::string& codice = "CL1") {
        const int e = verifica(codice);
        const auto& f = c.x.s.esiti;
        return std::to_string(e) + "|" + std::to_string(f.Flag_NonAbilitato) + "|" + std::to_string(f.Flag_Irregolare);
    }
    // The check of a member, and whether it found an entitlement.
    bool abilitato(const std::string& codice = "CL1") {
        verifica(codice);
        return !c.x.s.esiti.Flag_NonAbilitato;
    }
    Value display(const std::string& colonna) {
        return c.scalar("SELECT TOP 1 " + colonna + " FROM wTmp_DatiAccessi ORDER BY ID DESC");
    }
    // A member in good standing with a yearly subscription.
    void inRegola(const std::string& codice = "CL1") {
        c.cliente(codice);
        c.abbonamento(codice, "IS" + codice, "AB1");
    }
};

}  // namespace

TEST_F(Terminale, OtherPrefixesAreRefusedWithoutQueries) {
    const auto prima = c.x.f.db.conn().statementCount();
    EXPECT_EQ(verifica("AR0001"), 0);
    EXPECT_EQ(verifica(""), 0);
    EXPECT_EQ(c.x.f.db.conn().statementCount(), prima);
    EXPECT_EQ(abbonamento, Value(""));
}

TEST_F(Terminale, MemberInGoodStanding) {
    inRegola();
    c.presenza(1, "CL1", "2024-03-01", "ISCL1");
    EXPECT_EQ(esito(), "1|0|0");
    EXPECT_EQ(testo(abbonamento) + "|" + testo(scadenza) + "|" + testo(rinnovo),
              "ANNUALE AB1 scadenza 31/12/2024\r\n|2024-12-31 00:00:00|0");
    // The state row carries the summary just computed.
    EXPECT_EQ(c.righe("SELECT Cognome, Abbonamento, Data_Scadenza FROM Stato_Terminali WHERE Indirizzo=1 AND "
                      "Messaggio IS NULL"),
              "ROSSI|ANNUALE AB1 scadenza 31/12/2024\r\n|2024-12-31 00:00:00");
    // The display row waits for its lights.
    EXPECT_EQ(c.righe("SELECT Completo, Entrata, Struttura_Ingresso, Data_Ultima_Entrata FROM wTmp_DatiAccessi"),
              "0|INGRESSO CONSENTITO|SALA PESI|2024-03-01 00:00:00");
}



TEST_F(Terminale, ExpiredLineLeavesNoEntitlement) {
    c.cliente("CL1");
    c.abbonamento("CL1", "IS1", "AB1", "2023-01-01", "2024-03-06");  // ended yesterday, not yet marked
    EXPECT_EQ(esito(), "1|1|0");  // mode 0: only arrears and messages refuse
    EXPECT_EQ(c.x.s.esiti.Irregolarita[10], Value(1));
    EXPECT_TRUE(c.x.s.esiti.NoEntry_Abbonamento);
    modo = Value(-1);
    EXPECT_EQ(verifica("CL1"), 0);
    // Without the no-entry flag for modality 10 the lack of a subscription does not refuse.
    c.impostazione("NoEntry10=0");
    EXPECT_EQ(verifica("CL1"), 1);
    EXPECT_FALSE(c.x.s.esiti.NoEntry_Abbonamento);
}


TEST_F(Terminale, OverdueFeeWithAndWithoutGraceDays) {
    inRegola();
    c.voce("CL1", 5, "2024-03-02");  // five days ago; ten days of grace
    EXPECT_EQ(esito(), "1|0|0");
    EXPECT_EQ(c.x.s.esiti.Irregolarita[5], Value(1));
    c.impostazione("Tolleranza3=3");
    EXPECT_EQ(esito(), "0|0|1");
    EXPECT_EQ(c.righe("SELECT TOP 1 Entrata, Sem1 FROM wTmp_DatiAccessi ORDER BY ID DESC"),
              "INGRESSO NON CONSENTITO|1");
    EXPECT_EQ(c.scalar("SELECT Count(*) FROM wTmp_Presenze_Irregolarita WHERE Modalita=5"), Value(1));
    // A modality whose no-entry flag is off never refuses.
    c.impostazione("NoEntry5=0");
    EXPECT_EQ(verifica("CL1"), 1);
}

TEST_F(Terminale, IrregularityTextNamesTheModalities) {
    inRegola();
    c.sql("INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (5, 'RATA', 'RATA SCADUTA')");
    c.sql("INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza) VALUES (1, 'QUOTA ASSOCIATIVA')");
    c.impostazione("Tolleranza1=0, Tolleranza3=0");
    c.voce("CL1", 5, "2024-03-01");
    c.voce("CL1", 2, "");
    EXPECT_EQ(verifica("CL1"), 0);
    EXPECT_EQ(display("TestoIrr"), Value("RINNOVO QUOTA ASSOCIATIVA - RATA SCADUTA"));
}

TEST_F(Terminale, CreditCoversInstalments) {
    inRegola();
    c.sql("UPDATE Anagrafica_Clienti SET Fido_Cliente=100");
    c.voce("CL1", 7, "2024-02-01", 60);
    EXPECT_EQ(verifica("CL1"), 1);
    c.voce("CL1", 7, "2024-02-15", 50);  // 110 used of 100
    EXPECT_EQ(esito(), "0|0|1");
}


TEST_F(Terminale, MemberControlSettingOverrides) {
    inRegola();
    c.impostazione("Tolleranza3=0");
    c.voce("CL1", 5, "2024-03-01");
    c.sql("UPDATE Anagrafica_Clienti SET Controlli_Cliente=2");
    EXPECT_EQ(verifica("CL1"), 1);
    inRegola("CL2");
    c.sql("UPDATE Anagrafica_Clienti SET Controlli_Cliente=3, Note_Accessi='PASSARE IN SEGRETERIA' "
          "WHERE Codice_Cliente='CL2'");
    EXPECT_EQ(verifica("CL2"), 0);
    EXPECT_EQ(display("TestoIrr"), Value("PASSARE IN SEGRETERIA"));
}

TEST_F(Terminale, BlockingMessageRefusesOtherMessagesShow) {
    inRegola();
    c.sql("INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Bloccante) VALUES ('CL1', '2024-03-01 00:00:00', 0)");
    EXPECT_EQ(verifica("CL1"), 1);
    EXPECT_TRUE(c.x.s.esiti.Messaggio_Cliente);
    EXPECT_EQ(display("Messaggio"), Value(1));
    c.sql("INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Bloccante) VALUES ('CL1', '2024-03-01 00:00:00', -1)");
    EXPECT_EQ(verifica("CL1"), 0);
    EXPECT_TRUE(c.x.s.esiti.Messaggio_Bloccante);
    // Read, or dated tomorrow: no longer blocking.
    c.sql("UPDATE Messaggi_Clienti SET Data_Messaggio='2024-03-08 00:00:00' WHERE Bloccante<>0");
    EXPECT_EQ(verifica("CL1"), 1);
    // A terminal that ignores arrears still honours a blocking message.
    c.sql("UPDATE Messaggi_Clienti SET Data_Messaggio='2024-03-01 00:00:00'");
    modo = Value(-1);
    EXPECT_EQ(verifica("CL1"), 0);
}

TEST_F(Terminale, PhotographRule) {
    c.impostazione("Gestisci_Foto=-1");
    inRegola();
    c.sql("UPDATE Anagrafica_Clienti SET Foto=NULL, Data_Registrazione='2024-03-07 00:00:00'");
    EXPECT_EQ(verifica("CL1"), 1);
    c.alle(2024, 3, 8, 10, 30);
    EXPECT_EQ(verifica("CL1"), 0);
    EXPECT_TRUE(c.x.s.esiti.Foto_Mancante);
    c.impostazione("Gestisci_Foto=0");
    EXPECT_EQ(verifica("CL1"), 1);
}


TEST_F(Terminale, WeeklyLimitWithAndWithoutBookings) {
    inRegola();
    const int iv = c.intervallo(1, 2);
    c.sql("UPDATE Anagrafica_Abbonamenti SET FrequenzaDD=3, ID_Intervallo=" + std::to_string(iv));
    c.presenza(1, "CL1", "2024-03-04", "ISCL1");
    c.presenza(2, "CL1", "2024-03-05", "ISCL1");
    EXPECT_EQ(esito(), "1|0|0");
    // A booking for Saturday counts only when bookings count as visits.
    c.sql("INSERT INTO Gestione_Prenotazioni (Codice2, Data_Prenotazione, DaOre, AOre) "
          "VALUES ('ST01', '2024-03-09 00:00:00', '1900-01-01 09:00:00', '1900-01-01 10:00:00')");
    c.sql("INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente, Codice_Iscrizione) VALUES (1, 'CL1', 'ISCL1')");
    EXPECT_EQ(esito(), "1|0|0");
    c.impostazione("PrenComePres=-1");
    EXPECT_FALSE(abilitato());
    c.impostazione("PrenComePres=0");
    c.presenza(3, "CL1", "2024-03-06", "ISCL1");
    modo = Value(-1);
    EXPECT_EQ(verifica("CL1"), 0);
    modo = Value(1);
    EXPECT_EQ(verifica("CL1"), 1);
    EXPECT_EQ(c.x.s.esiti.Irregolarita[10], Value(1));
}



TEST_F(Terminale, DayBandsAndHolidays) {
    inRegola();
    c.sql("INSERT INTO Giorni_DD_Fasce_Abbonamenti (Codice_Abbonamento, DDSettimana, Fascia_Ini, Fascia_Fin) "
          "VALUES ('AB1', 1, '1900-01-01 08:00:00', '1900-01-01 22:00:00')");
    EXPECT_FALSE(abilitato());  // Thursday
    c.alle(2024, 3, 4, 10, 30);  // Monday
    EXPECT_TRUE(abilitato());
    // A closed holiday uses only the holiday bands.
    c.sql("INSERT INTO Tabella_Festivi (ID_Festivita, Club_Open) VALUES ('2024-03-04 00:00:00', 0)");
    EXPECT_FALSE(abilitato());
    c.sql("INSERT INTO Giorni_DD_Fasce_Abbonamenti (Codice_Abbonamento, DDSettimana, Fascia_Ini, Fascia_Fin) "
          "VALUES ('AB1', 8, '1900-01-01 09:00:00', '1900-01-01 13:00:00')");
    EXPECT_TRUE(abilitato());
}

// The band 9:00-12:00 opens AnticipoPren minutes early (none when blank) and closes on time.
TEST_F(Terminale, TimeBandOpensAnticipoPrenMinutesEarlyAndClosesOnTime) {
    inRegola();
    c.sql("INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) "
          "VALUES ('AB1', '1900-01-01 09:00:00', '1900-01-01 12:00:00')");
    const struct { const char* anticipo; int h, m; bool ammesso; } casi[] = {
        {"10", 8, 50, true}, {"10", 9, 0, true}, {"10", 12, 0, true}, {"10", 8, 49, false}, {"10", 12, 1, false},
        {"NULL", 9, 0, true}, {"NULL", 8, 59, false},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(std::string(k.anticipo) + " " + std::to_string(k.h) + ":" + std::to_string(k.m));
        c.impostazione(std::string("AnticipoPren=") + k.anticipo);
        c.alle(2024, 3, 7, k.h, k.m);
        verifica("CL1");
        EXPECT_EQ(c.x.s.esiti.Flag_NonAbilitato, !k.ammesso);
    }
    EXPECT_TRUE(c.x.f.logLines.empty()) << c.x.f.logLines.front();
}

TEST_F(Terminale, PackagesAndOtherEntitlementsStandIn) {
    c.cliente("CL1");
    c.abbonamento("CL1", "IS1", "AB1", "2023-01-01", "2024-03-01");  // past
    c.sql("INSERT INTO Anagrafica_Pacchetti_Multipli (Codice_PacchettoM, Descrizione) VALUES ('PM1', 'MULTI')");
    c.sql("INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_PacchettoM, ID_Pacchetto, Data_Inizio, Data_Fine) "
          "VALUES ('CL1', 'PM1', 3, '2024-01-01 00:00:00', '2024-06-30 00:00:00')");
    EXPECT_TRUE(abilitato());
    // The package's own bands apply (read with its code).
    c.sql("INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) "
          "VALUES ('PM1', '1900-01-01 18:00:00', '1900-01-01 20:00:00')");
    EXPECT_FALSE(abilitato());
    // A course booking of today without subscription entitles.
    c.sql("INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, Data_Prenotazione) "
          "VALUES ('CL1', 'CS1', '2024-03-07 00:00:00')");
    EXPECT_TRUE(abilitato());
}


TEST_F(Terminale, ExternalFacilityChecksOnlyFees) {
    c.cliente("CL1");
    c.voce("CL1", 7, "2024-01-01");
    esterna = Value(true);
    EXPECT_EQ(verifica("CL1"), 1);  // arrears mode 0: no fee is read
    modo = Value(1);
    EXPECT_EQ(esito(), "0|0|1");
    c.impostazione("Tolleranza5=100");
    EXPECT_EQ(verifica("CL1"), 1);
    c.sql("UPDATE Anagrafica_Clienti SET Controlli_Cliente=3");
    EXPECT_EQ(verifica("CL1"), 0);
}

TEST_F(Terminale, AwkwardCodesNeverBreakAStatement) {
    inRegola();
    const std::string codici[] = {
        "CL" + std::string(298, 'x'), "CL'; DELETE FROM Anagrafica_Clienti; --", std::string("CL\x01\x7f\t\r\n", 7),
        "CLàèìòù€", "CL'", "CL",
    };
    for (const std::string& codice : codici) {
        EXPECT_EQ(verifica(codice), 0) << codice;
    }
    EXPECT_EQ(c.scalar("SELECT Count(*) FROM Anagrafica_Clienti"), Value(1));
    for (const std::string& l : c.x.f.logLines) EXPECT_EQ(l.find("Error: 1"), std::string::npos) << l;
    EXPECT_EQ(verifica("CL1"), 1);
}

TEST_F(Terminale, MissingMemberDataStillGetsAVerdict) {
    c.sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Stato, Fido_Cliente, Controlli_Cliente) VALUES ('CL7', 9, -5, 7)");
    c.sql("INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Data_Inizio, Data_Fine) "
          "VALUES ('X', 'CL7', 'NOPE', '2024-03-01 00:00:00', '2024-02-01 00:00:00')");
    c.sql("INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Descrizione, Data_Inizio, Data_Fine) "
          "VALUES ('X', 'CL7', NULL, '2024-03-01 00:00:00', NULL)");
    EXPECT_EQ(esito("CL7"), "1|1|0");  // its only line ends before it starts
    EXPECT_EQ(c.righe("SELECT TOP 1 DesStato, Scadenza IS NULL FROM wTmp_DatiAccessi ORDER BY ID DESC"), "|1");
    bool nome = false;
    for (const std::string& l : c.x.f.logLines) nome = nome || l.find("CL7 has no name") != std::string::npos;
    EXPECT_TRUE(nome);
}

TEST_F(Terminale, DatabaseFailurePartWayLeavesNoVerdict) {
    inRegola();
    c.sql("DROP TABLE Messaggi_Clienti");
    EXPECT_THROW(verifica("CL1"), DbError);
    ASSERT_FALSE(c.x.f.logLines.empty());
    EXPECT_NE(c.x.f.logLines.back().find(" - Function Verifica_Abbonamenti_Terminali"), std::string::npos);
    EXPECT_EQ(c.scalar("SELECT Count(*) FROM wTmp_DatiAccessi"), Value(0));
}

namespace {

struct Personale : Terminale {
    void SetUp() override {
        c.sql("INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Cognome, Nome, Ingresso) VALUES ('IS1', 'VERDI', 'LUCA', -1)");
        c.sql("INSERT INTO Anagrafica_Medici (Codice_Medico, Cognome, Nome, Ingresso) VALUES ('ME1', 'NERI', 'ANNA', 0)");
    }
    // Passage recording is a terminal setting, read when the terminals start.
    void registra() {
        c.sql("UPDATE Dettaglio_Terminali SET Personale=-1");
        Inizializza_Terminali(c.x.s);
        c.sql("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
        c.x.s.registro.trova(1);
    }
};

}  // namespace


TEST_F(Personale, StaffWithoutEntryRightOrAtAnotherTerminalIsRefused) {
    EXPECT_EQ(verifica("IS999"), 0);  // not in its table: no display, no text
    EXPECT_TRUE(c.x.queued(1).empty());
    EXPECT_EQ(verifica("ME1"), 2);
    EXPECT_EQ(c.x.queued(1), std::vector<std::string>{"\fSTOP|NON ABILITATO"});
    EXPECT_EQ(c.righe("SELECT TOP 1 Entrata, DesStato FROM wTmp_DatiAccessi ORDER BY ID DESC"),
              "INGRESSO NON CONSENTITO|MEDICO");
    EXPECT_EQ(c.scalar("SELECT DesIrregolari FROM Log_Entrate"), Value("MEDICO"));
    // The marker row: now plus the waiting time (2 seconds when blank).
    EXPECT_EQ(c.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0").toText(), "1900-01-01 10:30:02");

    // A code bound to other terminals passes only there.
    c.x.terminale(2, 1);
    c.sql("INSERT INTO Biglietti_Terminali (Codice_Biglietto, ID_Terminale) VALUES ('IS1', 2)");
    EXPECT_EQ(verifica("IS1"), 2);
    EXPECT_EQ(display("Entrata"), Value("INGRESSO NON CONSENTITO"));
    c.sql("INSERT INTO Biglietti_Terminali (Codice_Biglietto, ID_Terminale) VALUES ('IS1', 1)");
    verifica("IS1");
    EXPECT_EQ(display("Entrata"), Value("INGRESSO CONSENTITO"));
}

TEST_F(Personale, PassagesAlternateEntryAndExit) {
    registra();
    EXPECT_EQ(verifica("IS1"), 2);
    EXPECT_EQ(c.x.queued(1), (std::vector<std::string>{"\fOK|ABILITATO", "ENTRATA|REGISTRATA"}));
    EXPECT_EQ(display("Entrata"), Value("ENTRATA PERSONALE INTERNO"));
    c.alle(2024, 3, 7, 12, 0);
    verifica("IS1");
    EXPECT_EQ(display("Entrata"), Value("USCITA PERSONALE INTERNO"));
    c.alle(2024, 3, 7, 14, 0);
    verifica("IS1");
    // Two stays: the first closed at 12:00, the second open (a null exit).
    EXPECT_EQ(c.righe("SELECT ID, Ora_UscitaEntrata, Tipologia FROM Gestione_Personale ORDER BY ID"),
              "1|1900-01-01 12:00:00|2; 2||2");
    EXPECT_EQ(c.scalar("SELECT Count(*) FROM Log_Entrate WHERE DesIrregolari='ISTRUTTORE'"), Value(3));
    // An open entry of yesterday does not turn today's first passage into an exit.
    c.alle(2024, 3, 8, 8, 0);
    verifica("IS1");
    EXPECT_EQ(display("Entrata"), Value("ENTRATA PERSONALE INTERNO"));
}


TEST_F(Personale, PushTerminalGetsItsGateReplyOnlyWhenAdmitted) {
    c.x.collega(3);
    c.x.s.corrente.Tipo_Corrente = 6;
    c.x.s.corrente.Indice_Socket = c.x.conn.connect("1");
    EXPECT_EQ(verifica("ME1"), 2);
    EXPECT_TRUE(c.x.bodies(1).empty());
    EXPECT_EQ(verifica("IS1"), 2);
    EXPECT_EQ(c.x.bodies(1).size(), 1u);
    EXPECT_EQ(c.x.queued(1), (std::vector<std::string>{"\fSTOP|NON ABILITATO", "\fOK|ABILITATO"}));
}
