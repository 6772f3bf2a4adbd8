// Tickets through Elabora_Messaggi with the ticket check switched on: where and when a
// ticket enters, how its entries are counted and expired, and its exit.
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

const std::vector<std::string> kOk = {"%O1\x03", "\fOK|ABILITATO"};

struct Tickets : Centro {
    void SetUp() override {
        Centro::SetUp();
        x.s.Opzione_Avvio = true;
        sql("UPDATE Impostazioni_Funzionamento SET AnticipoPren=15, TolleranzaU=5, Struttura_Biglietti='0042';"
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione, Esterna) VALUES ('STX', 'LIDO', -1)");
        x.s.settings.Defaults_DopoAggiornamento();
        // 1 and 4 external entrances, 2 inside the gym, 3 the exit.
        const std::string rele = "Vai=-1, TempoVai=3, Stop=-1, TempoStop=1";
        x.terminale(1, 1, "", "Codice_Struttura='STX', Descrizione='LIDO NORD', " + rele);
        x.terminale(2, 1, "", "Codice_Struttura='ST001', " + rele);
        x.terminale(3, 1, "", "Uscita=2, " + rele);
        x.terminale(4, 1, "", "Codice_Struttura='STX', " + rele);
        avvia();
    }
    // A ticket type (rule of repeated entries, use on other days, time rule) and one ticket
    // of it on card `tessera`.
    void biglietto(const std::string& tipo, int accessi, int sedute, int fatte, const std::string& tessera = "TK1",
                   const std::string& extra = "", const std::string& acquisto = "2024-03-07") {
        sql("INSERT OR IGNORE INTO Anagrafica_Biglietti (Codice_Biglietto, Codice_Struttura, Descrizione, "
            "Accessi_Multipli, Utilizzo_AltriGiorni, Tempo_Permanenza) VALUES ('" + tipo + "', 'STX', 'INGRESSO " +
                   tipo + "', " + std::to_string(accessi) + ", 0, 60)");
        if (!extra.empty()) sql("UPDATE Anagrafica_Biglietti SET " + extra + " WHERE Codice_Biglietto='" + tipo + "'");
        sql("INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Acquisto, Data_Inizio, Sedute, "
            "SeduteFatte, Scaduta) VALUES ('" + tipo + "', '" + tessera + "', '" + acquisto + " 00:00:00', '" +
                   acquisto + " 00:00:00', " + std::to_string(sedute) + ", " + std::to_string(fatte) + ", 0)");
    }
    // A read; true when the ticket admitted it.
    bool entra(int terminale, const std::string& codice = "TK1") {
        return rilegge(terminale, codice) == kOk;
    }
    int64_t fatte(int id = 1) { return x.scalar("SELECT SeduteFatte FROM Gestione_Biglietti WHERE ID=" + std::to_string(id)).toInt(); }
};

}  // namespace

TEST_F(Tickets, EntryAtAnAllowedTerminalIsRecordedWithItsDeadline) {
    biglietto("BG1", 1, 3, 0);
    sql("INSERT INTO Biglietti_Terminali (Codice_Biglietto, ID_Terminale) VALUES ('BG1', 1)");
    EXPECT_FALSE(entra(4));
    EXPECT_EQ(x.queued(4).at(0), "\fCODICE NON ASSEGNATO");  // not a ticket read: the dispatch went on

    EXPECT_TRUE(entra(1));
    EXPECT_EQ(x.queued(1), prompt());
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(conta("Presenze WHERE Codice_Cliente='TK1' AND Codice_Tessera='TK1' AND IndTerminale=1"), 1);
    EXPECT_EQ(conta("Presenze_Strutture WHERE Tipologia=4 AND ID_Biglietto=1 AND Codice_Struttura='STX' AND Pagato<>0"), 1);
    EXPECT_EQ(fatte(), 1);
    EXPECT_EQ(x.scalar("SELECT AOre FROM Controllo_Fascia_Oraria WHERE ID_Biglietto=1 AND Modalita=2").toDate()->canonical(),
              "1900-01-01 11:35:00");
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Struttura_Ingresso='ENTRATA BIGLIETTO LIDO NORD' AND "
                    "Entrata='INGRESSO CONSENTITO' AND DesAbbonamento='INGRESSO BG1'"),
              1);

    // A type without a facility enters the one of the setting: a code, kept as written.
    biglietto("BG2", 0, 0, 0, "TK2", "Codice_Struttura=NULL");
    EXPECT_TRUE(entra(4, "TK2"));
    EXPECT_EQ(conta("Presenze_Strutture WHERE ID_Biglietto=2 AND Codice_Struttura='0042'"), 1);
}

TEST_F(Tickets, DayOfPurchaseTimeBandsAndTheirAdvance) {
    biglietto("BG1", 0, 0, 0, "TK1", "", "2024-03-06");
    EXPECT_FALSE(entra(1));
    sql("UPDATE Anagrafica_Biglietti SET Utilizzo_AltriGiorni=-1");
    EXPECT_TRUE(entra(1));

    // One daily band from 10:00, opened 15 minutes early.
    sql("UPDATE Anagrafica_Biglietti SET Tipo_Gestione=1, Ingresso_Da='1900-01-01 10:00:00', "
        "Ingresso_A='1900-01-01 12:00:00'");
    x.at(9, 44, 0);
    EXPECT_FALSE(entra(1));
    x.at(9, 45, 0);
    EXPECT_TRUE(entra(1));
    x.at(12, 1, 0);
    EXPECT_FALSE(entra(1));

    // Weekly bands: none at all admits at any hour; Thursday (4) has none of its own.
    sql("UPDATE Anagrafica_Biglietti SET Tipo_Gestione=2");
    x.at(23, 0, 0);
    EXPECT_TRUE(entra(1));
    sql("INSERT INTO Biglietti_FasceOrarie (Codice_Biglietto, DDSettimana, Ingresso_Da, Ingresso_A) VALUES "
        "('BG1', 1, '1900-01-01 08:00:00', '1900-01-01 23:30:00')");
    EXPECT_FALSE(entra(1));
}

TEST_F(Tickets, RepeatedEntriesCountAndRefuseByTheirRule) {
    // Each step: terminal, admitted, entries used after it.
    struct Passo { int terminale; bool ammesso; int fatte; };
    struct Caso { int regola, sedute, fatte; std::vector<Passo> passi; };
    const std::vector<Caso> casi = {
        {0, 3, 2, {{1, true, 3}, {1, false, 3}}},             // a used-up ticket is refused
        {0, 0, 9, {{1, true, 10}, {4, true, 11}}},            // unlimited
        {2, 2, 0, {{1, true, 1}, {4, true, 1}, {1, true, 2}, {1, false, 2}}},
        {3, 5, 0, {{1, true, 1}, {1, true, 1}, {4, true, 2}}},
        {4, 5, 0, {{1, true, 1}, {4, true, 1}, {1, true, 1}}},
        {7, 1, 1, {{1, true, 1}}},                            // unknown rule: never counted
    };
    for (const Caso& c : casi) {
        sql("DELETE FROM Gestione_Biglietti; DELETE FROM Anagrafica_Biglietti; DELETE FROM Presenze_Strutture;"
            "DELETE FROM sqlite_sequence WHERE name='Gestione_Biglietti'");
        biglietto("BG1", c.regola, c.sedute, c.fatte);
        for (const Passo& p : c.passi) {
            EXPECT_EQ(entra(p.terminale), p.ammesso) << "rule " << c.regola << " at " << p.terminale;
            EXPECT_EQ(fatte(), p.fatte) << "rule " << c.regola;
        }
        EXPECT_EQ(x.scalar("SELECT Scaduta FROM Gestione_Biglietti").toInt(), 0) << "rule " << c.regola;
    }
}

TEST_F(Tickets, LastEntryExpiresOnlyThisTicket) {
    biglietto("BG1", 1, 3, 2);
    biglietto("BG1", 1, 2, 2, "TK9");  // another customer's, used up but not yet expired
    EXPECT_TRUE(entra(1));
    EXPECT_EQ(righe("SELECT ID, SeduteFatte, Scaduta, Data_Scadenza FROM Gestione_Biglietti ORDER BY ID"),
              "1|3|-1|2024-03-07 00:00:00; 2|2|0|");
    EXPECT_FALSE(entra(1));
}

TEST_F(Tickets, InsideTheFacilityATicketPassesAsOftenAsItEnteredOutside) {
    biglietto("BG1", 0, 5, 0, "TK1", "Tipo_Gestione=1, Ingresso_A='1900-01-01 08:00:00'");
    x.at(7, 0, 0);
    EXPECT_TRUE(entra(1));
    x.at(10, 30, 0);                // outside the band: not applied inside
    EXPECT_TRUE(entra(2));
    EXPECT_FALSE(entra(2));
    EXPECT_EQ(fatte(), 1);
}

TEST_F(Tickets, TicketLeavesBeforeItsDeadlineOnly) {
    biglietto("BG1", 0, 0, 0);
    ASSERT_TRUE(entra(1));          // deadline 11:35
    x.at(11, 35, 0);
    EXPECT_EQ(rilegge(3, "TK1"), (std::vector<std::string>{"%O1\x03", "\fUSCITA|CONSENTITA"}));
    EXPECT_EQ(conta("Gestione_Uscite WHERE Codice_Cliente='TK1' AND Ora_Uscita='1900-01-01 11:35:00' AND ID_Presenza=1"),
              1);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 0);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Entrata='USCITA CONSENTITA' AND CheckOut=1"), 1);

    ASSERT_TRUE(entra(1));          // 11:35, deadline 12:40
    x.at(12, 41, 0);
    rilegge(3, "TK1");
    // Refused once; the read ends there and the stay stays open for the desk.
    EXPECT_EQ(inviati(3), (std::vector<std::string>{"%O1\x01", "\fUSCITA|NON CONSENTITA"}));
    EXPECT_EQ(x.queued(3), prompt("gio 07 mar 12:41"));
    EXPECT_EQ(conta("Gestione_Uscite"), 1);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 1);

    // A card without a ticket stay gets no ticket answer: the member's exit answers it.
    rilegge(3, "0001234501");
    EXPECT_EQ(inviati(3).back(), "\fUSCITA NON REGISTRATA");
}

TEST_F(Tickets, ATicketStayOfTheEveningBeforeLeavesAfterMidnight) {
    biglietto("BG1", 0, 0, 0, "TK1", "", "2024-03-06");
    sql("INSERT INTO Controllo_Fascia_Oraria (Modalita, ID_Biglietto, Data_Presenza, Ora_Presenza, ID_Presenza, AOre) "
        "VALUES (2, 1, '2024-03-06 00:00:00', '1900-01-01 23:30:00', 5, NULL)");
    x.at(0, 10, 0);
    EXPECT_EQ(rilegge(3, "TK1"), (std::vector<std::string>{"%O1\x03", "\fUSCITA|CONSENTITA"}));
    EXPECT_EQ(conta("Gestione_Uscite WHERE Data_Uscita='2024-03-07 00:00:00' AND ID_Presenza=5"), 1);
}

TEST_F(Tickets, CandidatesAreTakenOldestFirstAndABlankCodeHasNone) {
    biglietto("BG1", 0, 5, 0, "TK1", "Utilizzo_AltriGiorni=-1", "2024-03-05");
    biglietto("BG2", 0, 5, 0, "TK1", "Utilizzo_AltriGiorni=-1", "2024-03-01");
    EXPECT_TRUE(entra(1));
    EXPECT_EQ(conta("Presenze_Strutture WHERE ID_Biglietto=2"), 1);

    sql("INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Acquisto, Data_Inizio, Scaduta) "
        "VALUES ('BG1', '', '2024-03-07 00:00:00', '2024-03-07 00:00:00', 0)");
    EXPECT_FALSE(entra(1, ";?"));
    EXPECT_FALSE(entra(1, "X' OR '1'='1"));
    EXPECT_EQ(conta("Presenze"), 1);
    EXPECT_TRUE(errori().empty());
}

TEST_F(Tickets, ACardLongerThanTheCustomerColumnsIsCutThereWithALogLine) {
    const std::string carta(26, '7');
    biglietto("BG1", 0, 0, 0, carta);
    EXPECT_TRUE(entra(1, carta));
    EXPECT_EQ(conta("Presenze WHERE Codice_Cliente='" + carta.substr(0, 20) + "' AND Codice_Tessera='" + carta + "'"), 1);
    ASSERT_EQ(x.f.logLines.size(), 1u);
    EXPECT_NE(x.f.logLines[0].find("cut to 20 for Presenze.Codice_Cliente"), std::string::npos);
}
