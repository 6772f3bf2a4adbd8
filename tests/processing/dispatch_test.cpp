// Reads through Elabora_Messaggi at the steps of the dispatch that come before the member
// check, and the steps whose procedures the server does not have yet.
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Dispatch : Centro {
    // A keypad terminal at a general entrance and one bound to the facility.
    void dueTerminali(const std::string& extra1 = "", const std::string& extra2 = "") {
        x.terminale(1, 1, "", extra1);
        x.terminale(2, 1, "", "Codice_Struttura='ST001'" + (extra2.empty() ? "" : ", " + extra2));
        avvia();
    }
};

}  // namespace

TEST_F(Dispatch, GoCodeOpensTheGateWithoutAnyIdentity) {
    dueTerminali("Vai=-1, CodiceVai='9999', TempoVai=3");
    leggi(1, "9999");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x03"});
    EXPECT_EQ(x.queued(1), prompt());
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(x.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0").toText(), "1900-01-01 10:30:03");

    // The go code of a terminal whose go flag is off is an ordinary code.
    x.f.native("UPDATE Dettaglio_Terminali SET Vai=0 WHERE Indirizzo=2");
    x.net92.sent.clear();
    leggi(2, "9999");
    EXPECT_TRUE(inviati(2).empty());
}

// Keypads are told "CODICE NON ASSEGNATO" (HostileCodesAreReportedAsUnassigned); a turnstile
// without display gets nothing but its stop relay.
TEST_F(Dispatch, UnassignedCodeAtATurnstileGetsOnlyItsStopRelay) {
    x.terminale(3, 3, "", "Codice_Struttura='ST001', Stop=-1, TempoStop=5, NReleStop=2");
    avvia();
    leggi(3, "0000000000");
    EXPECT_TRUE(x.queued(3).empty());
    EXPECT_EQ(inviati(3), std::vector<std::string>{"%O2\x05"});
}

TEST_F(Dispatch, FullZoneRefusesTheEntryAtOnce) {
    dueTerminali();
    x.f.native("INSERT INTO Tabella_Zone_Terminali (ID_Zona, Descrizione, MaxPresenze) VALUES (1, 'VASCA', 1);"
               "INSERT INTO Gestione_Zone_Terminali (ID_Zona, ID_Terminale, Uscita) VALUES (1, 2, 0), (1, 1, -1);"
               "INSERT INTO Gestione_Entrate (ID_Entrata, Codice_Cliente, Data_Entrata, Ora_Entrata, IndTerminale) VALUES "
               "  (7, 'CL000009', '2024-03-07 00:00:00', '1900-01-01 09:00:00', 2);");
    leggi(2, "0001234501");
    EXPECT_EQ(inviati(2), std::vector<std::string>{"\fRAGGIUNTO LIMITE PRESENZE CONSENTITE"});
    EXPECT_EQ(x.queued(2), prompt());
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);

    // Once that member has left, there is room again and the member check runs.
    x.f.native("INSERT INTO Gestione_Uscite (Codice_Cliente, Data_Uscita, Ora_Uscita, ID_Entrata) VALUES "
               "('CL000009', '2024-03-07 00:00:00', '1900-01-01 10:00:00', 7)");
    x.net92.sent.clear();
    x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
    leggi(2, "0001234501");
    EXPECT_TRUE(inviati(2).empty());
    EXPECT_FALSE(x.queued(2).empty());
}

TEST_F(Dispatch, ReaderReadsOnlyInsideTodaysWindows) {
    dueTerminali();
    // Thursday is day 4.
    x.f.native("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita) "
               "VALUES (2, 4, 4, '1900-01-01 07:00:00', '1900-01-01 09:00:00', '2024-01-01 00:00:00'),"
               "       (2, 4, 1, '1900-01-01 00:00:00', '1900-01-01 23:59:00', '2024-01-01 00:00:00');");
    leggi(2, "0001234501");
    EXPECT_EQ(inviati(2), std::vector<std::string>{"\fLETTORE NON ATTIVO"});

    x.net92.sent.clear();
    x.at(8, 59, 0);
    leggi(2, "0001234501");
    EXPECT_TRUE(inviati(2).empty());

    // Windows that are no longer valid do not count; codes of non-members are not subject.
    x.at(10, 30, 0);
    x.f.native("UPDATE Dettaglio_Terminali_Punti SET Fine_Validita='2024-03-06 00:00:00'");
    x.net92.sent.clear();
    leggi(2, "0001234501");
    EXPECT_TRUE(inviati(2).empty());
}

TEST_F(Dispatch, CompanionCardUsedTodayInTheGroupIsNotActive) {
    dueTerminali("Gruppo=5", "Gruppo=5");
    x.f.native("INSERT INTO Log_Terminali_Presenze (Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale, Codice_Tessera, "
               "Accompagnatore) VALUES ('CL000001', '2024-03-07 00:00:00', '1900-01-01 10:20:00', 1, '0001234501', 1)");
    leggi(2, "0001234501");  // another terminal of the same group
    EXPECT_EQ(inviati(2), std::vector<std::string>{"\fCODICE NON ATTIVO"});
    EXPECT_EQ(x.queued(2), prompt());

    // Outside the terminal's interval of minutes, or in another group, the card is active again.
    for (const char* cambio : {"Intervallo_Presenze=5", "Intervallo_Presenze=0, Gruppo=6"}) {
        SCOPED_TRACE(cambio);
        x.f.native(std::string("UPDATE Dettaglio_Terminali SET ") + cambio + " WHERE Indirizzo=2");
        x.s.registro.Rs_Terminali.clear();
        avvia();
        leggi(2, "0001234501");
        EXPECT_TRUE(inviati(2).empty());
    }
}

TEST_F(Dispatch, SubTerminalAdmitsWhoPassedAMainTerminalToday) {
    x.terminale(1, 1, "", "Codice_Struttura='ST001'");
    x.terminale(2, 1, "", "SubTerminale=-1, TempoVai=4, Stop=-1, TempoStop=1");
    avvia();
    x.f.native("INSERT INTO Dettaglio_SubTerminali (ID_Terminale, ID_Terminale_Sub, Tipo_Verifica) VALUES (1, 2, 1)");
    leggi(2, "0001234501");
    EXPECT_EQ(inviati(2), std::vector<std::string>{"%O1\x01"});
    EXPECT_EQ(x.queued(2).at(0), "\fSTOP|NON ABILITATO");

    x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL;"
               "INSERT INTO Log_Terminali_Presenze (Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale) VALUES "
               "('CL000001', '2024-03-07 00:00:00', '1900-01-01 09:00:00', 1)");
    x.net92.sent.clear();
    leggi(2, "0001234501");
    EXPECT_EQ(inviati(2), std::vector<std::string>{"%O1\x04"});
    EXPECT_EQ(x.queued(2), (std::vector<std::string>{"\fOK|ABILITATO", prompt()[0], prompt()[1]}));
}

TEST_F(Dispatch, RemainingEntriesTerminalShowsThemAndEnds) {
    x.terminale(1, 1, "", "Codice_Struttura='ST001', Gestisci_Attivita=3");
    avvia();
    x.f.native("INSERT INTO Iscrizioni_Strutture (Codice_Cliente, Codice_Struttura, Codice_Iscrizione, TipoSedute, Sedute, "
               "SeduteFatte, Scaduta, Data_Inizio) VALUES ('CL000001', 'ST001', 'I1', 2, 10, 4, 0, '2024-01-01 00:00:00'),"
               "('CL000001', 'ST001', 'I2', 1, 10, 4, 0, '2024-01-01 00:00:00');"
               "INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_Struttura, Sedute, SeduteFatte, Scaduta, Data_Inizio) "
               "VALUES ('CL000001', 'ST001', 5, 4, 0, '2024-01-01 00:00:00')");
    leggi(1, "0001234501");
    EXPECT_EQ(x.queued(1), (std::vector<std::string>{"\fSALA ATTREZZI|ROSSI|MARIO|RESIDUO: 7", prompt()[0], prompt()[1]}));
    EXPECT_EQ(stato(1), Value(2));
}

TEST_F(Dispatch, TicketsAreLookedAtOnlyWhenTheServerStartedWithThem) {
    x.terminale(1, 1, "", "Codice_Struttura='ST001'");
    avvia();
    x.f.native("INSERT INTO Anagrafica_Biglietti (Codice_Biglietto, Codice_Struttura, Utilizzo_AltriGiorni) VALUES "
               "('B1', 'ST001', -1);"
               "INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Inizio, Scaduta) VALUES "
               "  ('B1', 'TK1', '2024-03-01 00:00:00', 0)");
    leggi(1, "TK1");
    EXPECT_EQ(conta("Presenze"), 0);
    x.s.Opzione_Avvio = true;
    leggi(1, "TK1");
    EXPECT_EQ(conta("Presenze_Strutture WHERE ID_Biglietto=1"), 1);
}

TEST_F(Dispatch, DatabaseFailureMidwayDropsTheReadAndTheNextIsServed) {
    if (velaris::test::onSqlServer()) GTEST_SKIP() << "the failure is injected into SQLite";
    dueTerminali();
    x.f.native("UPDATE Stato_Terminali SET Regolare=7 WHERE Indirizzo=2 AND Messaggio IS NULL");
    {
        velaris::test::TabellaGuasta guasto(x.f.engineHandle(), "Tabella_Zone_Terminali");
        leggi(2, "0001234501");
    }
    ASSERT_EQ(errori().size(), 1u);
    EXPECT_NE(errori()[0].find("Function Elabora_Messaggi"), std::string::npos);
    EXPECT_TRUE(x.queued(2).empty());
    EXPECT_TRUE(inviati(2).empty());
    EXPECT_EQ(stato(2, "Regolare"), Value(7));  // no state write

    leggi(2, "0001234501");
    EXPECT_FALSE(x.queued(2).empty());
    EXPECT_NE(stato(2, "Regolare"), Value(7));
}

TEST_F(Dispatch, HostileCodesAreReportedAsUnassigned) {
    dueTerminali();
    const std::vector<std::string> codes = {
        std::string(300, '7'), "X' OR '1'='1", "O\"Brien'", std::string("AB\x01\x02\t\r\nCD"), "ÀÉÎõü€日本",
        std::string("12\0" "34", 5), "'; DELETE FROM Anagrafica_Clienti; ",
    };
    for (const std::string& c : codes) {
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
        x.f.logLines.clear();
        leggi(1, c);
        const auto q = x.queued(1);
        ASSERT_FALSE(q.empty()) << c;
        EXPECT_EQ(q[0], "\fCODICE NON ASSEGNATO") << c;
        EXPECT_EQ(stato(1, "Regolare"), Value(0)) << c;
        EXPECT_TRUE(errori().size() <= 1u) << c;  // only the missing facility check is logged
        for (const std::string& l : errori()) EXPECT_EQ(l.find("\r"), std::string::npos);
        EXPECT_EQ(stato(1), Value(2)) << c;
    }
    EXPECT_EQ(conta("Anagrafica_Clienti"), 1);
}
