// Reads at exit terminals through Elabora_Messaggi: the member's stay found and judged
// against its deadline, the rows an exit leaves, staff passages, and what the terminal is
// told. Stays are inserted as the entry recording leaves them.
#include "scenario.h"

#include "attendance/uscite.h"
#include "db/database.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

const std::vector<std::string> kVai = {"%O1\x03", "\fUSCITA|CONSENTITA"};

struct Uscite : Centro {
    // Terminals 1 and 2 are entrances of the gym; 3 is the exit, paired with `abbinate`.
    void terminali(const std::string& extra3 = "", std::initializer_list<int> abbinate = {1, 2}) {
        x.terminale(1, 1, "", "Codice_Struttura='ST001'");
        x.terminale(2, 1, "", "Codice_Struttura='ST001'");
        x.terminale(3, 1, "", "Uscita=2, Descrizione='USCITA EST', Vai=-1, TempoVai=3, Stop=-1, TempoStop=1, "
                              "Personale=-1" + (extra3.empty() ? "" : ", " + extra3));
        for (int e : abbinate)
            sql("INSERT INTO Dettaglio_Terminali_Uscita (ID_Terminale, ID_Terminale_Entrata) VALUES (3, " +
                       std::to_string(e) + ")");
        avvia();
    }
    // A stay as the entry recording leaves it: the deadline row of Modalita 2.
    void soggiorno(int terminale, const std::string& ora, const std::string& aOre, int idEntrata,
                   const std::string& tessera = "0001234501", const std::string& data = "2024-03-07",
                   const std::string& cliente = "CL000001") {
        sql("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, AOre, Ora_Presenza, "
            "IndTerminale, ID_Presenza, Codice_Bis, ID_Entrata) VALUES (2, '" + cliente + "', '" + data +
            " 00:00:00', " + (aOre.empty() ? "NULL" : "'1900-01-01 " + aOre + "'") + ", '1900-01-01 " + ora +
            "', " + std::to_string(terminale) + ", 40, '" + tessera + "', " + std::to_string(idEntrata) + ")");
    }
    std::string display(const char* col = "Entrata") {
        return x.scalar(std::string("SELECT ") + col + " FROM wTmp_DatiAccessi ORDER BY ID DESC").toText();
    }
};

}  // namespace

TEST_F(Uscite, MemberLeavesInTimeAndTheExitServesTheNextCard) {
    terminali();
    soggiorno(1, "09:00:00", "12:15:00", 7);
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3), kVai);
    EXPECT_EQ(x.queued(3), prompt());
    EXPECT_EQ(righe("SELECT Codice_Cliente, Data_Uscita, Ora_Uscita, ID_Entrata, IndTerminale, Fuori_Orario "
                    "FROM Gestione_Uscite"), "CL000001|2024-03-07 00:00:00|1900-01-01 10:30:00|7|3|0");
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 0);
    EXPECT_EQ(righe("SELECT Uscita, ID_Presenza, DesIrregolari, DesIrregolari_Att, Cognome, Semaforo3 FROM Log_Entrate"),
              "1|40|OK|USCITA USCITA EST|ROSSI |0");
    EXPECT_EQ(righe("SELECT Entrata, Ora_Ultima_Entrata, CheckOut, Sem2, Terminale FROM wTmp_DatiAccessi"),
              "USCITA CONSENTITA ORE: 10:30|1900-01-01 09:00:00|1|1|3");
    EXPECT_EQ(conta("Log_Terminali_Presenze WHERE IndTerminale=3"), 1);
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    // The terminal is left idle, not in the exit's outcome: the next card is served.
    EXPECT_EQ(righe("SELECT Stato, Codice_Cliente FROM Stato_Terminali WHERE Indirizzo=3 AND Messaggio IS NULL"),
              "2|CL000001");

    sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome) VALUES ('CL000002', '0001234502', "
        "'VERDI')");
    soggiorno(2, "09:30:00", "", 8, "0001234502", "2024-03-07", "CL000002");
    EXPECT_EQ(rilegge(3, "0001234502"), kVai);
    EXPECT_EQ(conta("Gestione_Uscite WHERE Codice_Cliente='CL000002' AND ID_Entrata=8"), 1);
}

TEST_F(Uscite, LateExitIsAllowedOrRefusedByTheSetting) {
    terminali();
    soggiorno(1, "08:00:00", "10:00:00", 7);
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3), (std::vector<std::string>{"%O1\x03", "\fUSCITA|FUORI ORARIO"}));
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata=7 AND Fuori_Orario=1"), 1);
    EXPECT_EQ(display(), "USCITA CONSENTITA ORE: 10:30");
    EXPECT_EQ(conta("Log_Entrate WHERE Semaforo3=1 AND DesIrregolari='USCITA CONSENTITA ORE: 10:30'"), 1);

    impostazione("NoExit=-1");
    soggiorno(1, "08:00:00", "10:00:00", 9);
    EXPECT_EQ(rilegge(3, "0001234501"), (std::vector<std::string>{"%O1\x01", "\fUSCITA|FUORI ORARIO"}));
    // Refused, the desk sees it so; the late exit is on record for the desk to settle.
    EXPECT_EQ(display(), "USCITA NON CONSENTITA. FUORI ORARIO");
    EXPECT_EQ(display("Sem2"), "0");
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata=9 AND Fuori_Orario=1"), 1);
}

TEST_F(Uscite, WithoutARecordedEntryNothingIsWrittenButTheLog) {
    terminali();
    soggiorno(1, "09:00:00", "12:00:00", 7, "0009999999");  // entered with another card
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3), (std::vector<std::string>{"%O1\x01", "\fUSCITA NON REGISTRATA"}));
    EXPECT_EQ(conta("Gestione_Uscite"), 0);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 1);
    EXPECT_EQ(display(), "ENTRATA NON REGISTRATA");
    EXPECT_EQ(conta("Log_Entrate WHERE Uscita=1 AND DesIrregolari='ENTRATA NON REGISTRATA'"), 1);
    EXPECT_EQ(stato(3), Value(2));

    // A stay recorded with a code longer than 20 characters is closed by any card of the member.
    soggiorno(1, "09:10:00", "12:00:00", 8, std::string(24, '9'));
    EXPECT_EQ(rilegge(3, "0001234501"), kVai);
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata=8"), 1);
}

TEST_F(Uscite, OneExitRowPerStayFoundByItsNumber) {
    terminali();
    // Two stays in one day leave two rows; a stay that already has its row gets the time.
    soggiorno(1, "11:00:00", "", 8);
    x.at(12, 0, 0);
    leggi(3, "0001234501");
    sql("INSERT INTO Gestione_Uscite (Codice_Cliente, Data_Uscita, Ora_Uscita, ID_Entrata) VALUES "
        "('CL000001', '2024-03-07 00:00:00', '1900-01-01 13:00:00', 9)");
    soggiorno(2, "13:00:00", "", 9);
    x.at(14, 0, 0);
    leggi(3, "0001234501");
    EXPECT_EQ(righe("SELECT ID_Entrata, Ora_Uscita FROM Gestione_Uscite ORDER BY 1"),
              "8|1900-01-01 12:00:00; 9|1900-01-01 14:00:00");

    // A stay recorded without its number takes the one of the accompanied band.
    soggiorno(1, "14:30:00", "", 0);
    sql("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, DaOre, AOre, IndTerminale, "
        "Codice_Bis, ID_Entrata) VALUES (1, 'CL000001', '2024-03-07 00:00:00', '1900-01-01 14:30:00', "
        "'1900-01-01 16:00:00', 1, '0001234501', 5)");
    x.at(15, 0, 0);
    leggi(3, "0001234501");
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata=5"), 1);
}

TEST_F(Uscite, PairedExitClosesOnlyStaysOfItsEntrances) {
    terminali("", {1});
    soggiorno(2, "09:00:00", "", 7);
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3).back(), "\fUSCITA NON REGISTRATA");

    // Without pairing rows every stay of the day is the exit's.
    sql("DELETE FROM Dettaglio_Terminali_Uscita");
    EXPECT_EQ(rilegge(3, "0001234501"), kVai);
}

TEST_F(Uscite, StaysAcrossMidnightAreJudgedAgainstTheirDeadline) {
    terminali("", {});
    soggiorno(1, "23:30:00", "23:59:59", 7, "0001234501", "2024-03-06");
    x.at(0, 10, 0);
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3), (std::vector<std::string>{"%O1\x03", "\fUSCITA|FUORI ORARIO"}));
    EXPECT_EQ(conta("Gestione_Uscite WHERE Data_Uscita='2024-03-07 00:00:00' AND ID_Entrata=7 AND Fuori_Orario=1"), 1);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 0);

    // Without a deadline the stay of the evening before leaves in time.
    soggiorno(1, "23:40:00", "", 8, "0001234501", "2024-03-06");
    EXPECT_EQ(rilegge(3, "0001234501"), kVai);
}

TEST_F(Uscite, BothWaysTerminalExitsOnlyStaysEnteredThere) {
    x.terminale(1, 1, "", "Codice_Struttura='ST001', Uscita=1, Vai=-1, TempoVai=3");
    avvia();
    leggi(1, "0001234501");  // no stay here: an entry, refused by the gym check
    EXPECT_EQ(x.queued(1).at(0).rfind("\fSTOP|NON ABILITATO", 0), 0u);
    EXPECT_EQ(conta("Gestione_Uscite"), 0);

    soggiorno(1, "09:00:00", "", 7);
    EXPECT_EQ(rilegge(1, "0001234501"), kVai);
    EXPECT_EQ(conta("Gestione_Uscite WHERE IndTerminale=1"), 1);
}

TEST_F(Uscite, StaffTogglesItsStayAndLeavesThroughTheRegister) {
    terminali("Codice_Struttura='ST001'");
    sql("INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome, Ingresso) VALUES "
        "('IS0001', '0004512001', 'FERRARI', 'MARCO', -1)");
    // No staff stay here: it opens one and the read is an entry (the staff check records it).
    leggi(3, "0004512001");
    EXPECT_EQ(conta("Controllo_Fascia_Oraria WHERE Codice_Cliente='IS0001' AND IndTerminale=3"), 1);
    EXPECT_EQ(conta("Gestione_Personale WHERE Codice='IS0001' AND Ora_UscitaEntrata IS NULL"), 1);
    EXPECT_EQ(conta("Log_Entrate WHERE Codice_Cliente='IS0001'"), 1);
    EXPECT_EQ(conta("Presenze"), 0);
    EXPECT_EQ(stato(3, "Regolare"), Value(2));
    EXPECT_EQ(x.queued(3).at(0).rfind("\fOK|ABILITATO", 0), 0u);
    EXPECT_EQ(x.queued(3).back(), "%K2BXM2");

    x.at(12, 0, 0);
    EXPECT_EQ(rilegge(3, "IS0001"), (std::vector<std::string>{"%O1\x03", "\fUSCITA|REGISTRATA"}));
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 0);
    EXPECT_EQ(conta("Gestione_Personale WHERE Ora_UscitaEntrata='1900-01-01 12:00:00'"), 1);
    EXPECT_EQ(conta("Log_Entrate WHERE Uscita=1 AND DesIrregolari='USCITA ISTRUTTORE'"), 1);
    EXPECT_EQ(display(), "USCITA PERSONALE REGISTRATA");
    EXPECT_EQ(stato(3), Value(2));

    // A staff code that no table holds is nobody's.
    EXPECT_EQ(rilegge(3, "IS9999"), (std::vector<std::string>{"%O1\x01", "\fCODICE NON ASSEGNATO"}));
    EXPECT_EQ(conta("Log_Entrate WHERE Codice_Cliente='IS9999'"), 0);
}

// Time on the premises paid at the exit. The charge, its movement rows and the exit's rows
// are on the books together or not at all; the gate opens once, after them.
struct UsciteAPagamento : Uscite {
    const std::vector<std::string> kCreditoEsaurito = {"%O1\x01", "\fUSCITA|NON CONSENTITA|CREDITO ESAURITO"};

    // Thursday (4) at exit 3, for stays entered from 08:00: 2.00 an hour, 0.50 for what is
    // left beyond 10 minutes of tolerance.
    void tariffaDenaro() {
        terminali();
        sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
            "Data_Validita, Importo, Unita_Min, Importo_Fraz, Tolleranza) VALUES (3, 3, 4, '1900-01-01 08:00:00', "
            "'1900-01-01 22:00:00', '2024-01-01 00:00:00', 2, 60, 0.5, 10)");
    }
    void carta(const std::string& importo) {
        sql("DELETE FROM Gestione_MoneyCard; INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, "
            "Importo_Omaggio, Data_Inizio) VALUES ('CL000001', " + importo + ", 0, '2024-01-01 00:00:00')");
    }
    Value residuo() { return x.scalar("SELECT Importo-Importo_Usato+Importo_Omaggio FROM Gestione_MoneyCard"); }

    // Exit 3 charges points: 2 for each half hour beyond the first half hour the entry paid.
    void tariffaPunti() {
        terminali("Gestione_Punti=-1");
        sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
            "Data_Validita, Punti, Validita) VALUES (3, 1, 4, '1900-01-01 08:00:00', '1900-01-01 20:00:00', "
            "'2024-01-01 00:00:00', 2, 30);"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Data_Inizio, Punti, Punti_Uti) "
            "VALUES ('IS1', 'CL000001', '2024-01-01 00:00:00', 10, 5);"
            "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Codice_Cliente, Codice_Struttura) VALUES "
            "('IS1', 'CL000001', 'ST001')");
    }
    // A stay that paid points at its entry.
    void soggiornoPunti(const std::string& ora, int idEntrata) {
        soggiorno(1, ora, "", idEntrata);
        sql("UPDATE Controllo_Fascia_Oraria SET Punti=2");
    }
    int64_t puntiUsati() { return x.scalar("SELECT Punti_Uti FROM Gestione_Iscrizioni").toInt(); }
};

TEST_F(UsciteAPagamento, TheMoneyCardPaysTheStayOnceWithItsExit) {
    tariffaDenaro();
    // Nothing to pay never asks for a card.
    soggiorno(1, "07:30:00", "", 6);  // entered before the tariff's band
    soggiorno(1, "10:25:00", "", 7);  // within the tolerance
    leggi(3, "0001234501");
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3).back(), "\fUSCITA|CONSENTITA");
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata IN (6, 7)"), 2);
    EXPECT_EQ(conta("PN_Movimenti"), 0);

    // 09:00 to 10:30: one hour and 30 minutes beyond the tolerance, 2.50.
    carta("5");
    soggiorno(1, "09:00:00", "", 8);
    EXPECT_EQ(rilegge(3, "0001234501"), kVai);
    EXPECT_EQ(x.queued(3), prompt());
    EXPECT_EQ(residuo(), Value(2.5));
    EXPECT_EQ(righe("SELECT Tipologia, Importo, Codice_Cliente FROM PN_Movimenti"), "13|2.5|CL000001");
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata=8 AND Ora_Uscita='1900-01-01 10:30:00' AND Fuori_Orario=0"), 1);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 0);
    EXPECT_EQ(conta("Log_Entrate WHERE Uscita=1 AND DesIrregolari='OK' AND Semaforo3=0"), 3);
    EXPECT_EQ(display(), "USCITA CONSENTITA ORE: 10:30");
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    EXPECT_EQ(stato(3), Value(2));

    // The stay is closed: a second badge finds nothing to charge.
    x.at(11, 0, 0);
    rilegge(3, "0001234501");
    EXPECT_EQ(inviati(3).back(), "\fUSCITA NON REGISTRATA");
    EXPECT_EQ(residuo(), Value(2.5));
    EXPECT_EQ(conta("PN_Movimenti") + conta("Gestione_Uscite WHERE ID_Entrata=8"), 2);
}

TEST_F(UsciteAPagamento, ACardShortOfTheChargeOrAFailureMidwayLeavesNothingOnTheBooks) {
    tariffaDenaro();
    carta("2.49");
    soggiorno(1, "09:00:00", "", 8);
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3), kCreditoEsaurito);
    EXPECT_EQ(residuo(), Value(2.49));
    EXPECT_EQ(conta("PN_Movimenti") + conta("Gestione_Uscite"), 0);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 1);  // the member may top up and try again
    EXPECT_EQ(display(), "USCITA NON CONSENTITA. CREDITO ESAURITO");
    EXPECT_EQ(conta("Log_Entrate WHERE DesIrregolari='USCITA NON CONSENTITA. CREDITO ESAURITO' AND Semaforo3=1"), 1);
    EXPECT_EQ(stato(3), Value(2));

    if (velaris::test::onSqlServer()) return;  // the failure is injected into SQLite
    carta("5");
    pulisci();
    leggiGuasto("Gestione_Uscite", 3);  // after the debit
    ASSERT_FALSE(errori().empty());
    EXPECT_NE(errori().back().find("Function Salva_Uscita"), std::string::npos);
    EXPECT_TRUE(inviati(3).empty());
    EXPECT_TRUE(x.queued(3).empty());
    EXPECT_EQ(residuo(), Value(5));
    EXPECT_EQ(conta("PN_Movimenti") + conta("Gestione_Uscite"), 0);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria") + conta("Log_Entrate"), 2);

    EXPECT_EQ(rilegge(3, "0001234501"), kVai);
    EXPECT_EQ(residuo(), Value(2.5));
    EXPECT_EQ(conta("PN_Movimenti") + conta("Gestione_Uscite"), 2);
}

// Two workstations closing the same stay at once: the one that finds it gone charges nothing.
TEST_F(UsciteAPagamento, AStayClosedElsewhereMeanwhileIsNotChargedAgain) {
    tariffaDenaro();
    carta("5");
    soggiorno(1, "09:00:00", "", 8);
    x.s.corrente.Indirizzo_Corrente = 3;
    Uscita u(x.s, LetturaUscita{"CL000001", "0001234501", 3, DateTime::fromParts(2024, 3, 7, 0, 0, 0),
                                DateTime::fromParts(1900, 1, 1, 10, 30, 0), 4});
    ASSERT_EQ(u.decidi().via, DecisioneUscita::Via::Denaro);
    sql("DELETE FROM Controllo_Fascia_Oraria");
    Transaction t(x.s.db);
    const DecisioneUscita d = u.addebita();
    EXPECT_EQ(d.stato, StatoUscita::NonRegistrata);
    EXPECT_FALSE(d.consentita);
    EXPECT_EQ(residuo(), Value(5));
    EXPECT_EQ(conta("PN_Movimenti"), 0);
}

TEST_F(UsciteAPagamento, PointsPayTheStayOnceOrTheExitIsRefused) {
    tariffaPunti();
    // 09:00 to 10:30: the periods from 09:30 and 10:00, 4 points of the 5 left, in one debit.
    soggiornoPunti("09:00:00", 7);
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3), kVai);
    EXPECT_EQ(puntiUsati(), 9);
    EXPECT_EQ(righe("SELECT Punti, Codice_Cliente, Codice_Struttura FROM Log_Punti_Clienti"), "4|CL000001|ST001");
    EXPECT_EQ(conta("Gestione_Uscite WHERE ID_Entrata=7 AND Fuori_Orario=0"), 1);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 0);
    EXPECT_EQ(display(), "USCITA CONSENTITA ORE: 10:30");

    // The stay is closed: the next badges charge nothing more.
    rilegge(3, "0001234501");
    leggi(3, "0001234501");
    EXPECT_EQ(inviati(3).back(), "\fUSCITA NON REGISTRATA");
    EXPECT_EQ(puntiUsati(), 9);
    EXPECT_EQ(conta("Log_Punti_Clienti"), 1);

    // One point left for four due: refused, nothing taken, the stay kept.
    soggiornoPunti("09:00:00", 8);
    EXPECT_EQ(rilegge(3, "0001234501"), kCreditoEsaurito);
    EXPECT_EQ(puntiUsati(), 9);
    EXPECT_EQ(conta("Log_Punti_Clienti") + conta("Gestione_Uscite"), 2);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 1);
    EXPECT_EQ(display(), "USCITA NON CONSENTITA. CREDITO ESAURITO");

    if (velaris::test::onSqlServer()) return;  // the failure is injected into SQLite
    sql("UPDATE Gestione_Iscrizioni SET Punti=20");
    pulisci();
    leggiGuasto("Gestione_Uscite", 3);
    ASSERT_FALSE(errori().empty());
    EXPECT_TRUE(inviati(3).empty());
    EXPECT_EQ(puntiUsati(), 9);
    EXPECT_EQ(conta("Log_Punti_Clienti") + conta("Gestione_Uscite"), 2);
    EXPECT_EQ(conta("Controllo_Fascia_Oraria"), 1);

    EXPECT_EQ(rilegge(3, "0001234501"), kVai);
    EXPECT_EQ(puntiUsati(), 13);
    EXPECT_EQ(conta("Log_Punti_Clienti") + conta("Gestione_Uscite"), 4);
}

TEST_F(Uscite, UnknownAndHostileCodesAreUnassigned) {
    terminali();
    for (const std::string& c : {std::string(300, '7'), std::string("X' OR '1'='1"), std::string("';DROP TABLE x;--")}) {
        EXPECT_EQ(rilegge(3, c), std::vector<std::string>{"%O1\x01"}) << c;
        EXPECT_EQ(x.queued(3).at(0), "\fCODICE NON ASSEGNATO") << c;
        EXPECT_TRUE(errori().empty()) << c;
    }
    // Taken as their own owner, codes longer than any owner code own nothing: refused unwritten.
    impostazione("Utilizza_CodBis=0");
    EXPECT_EQ(rilegge(3, "CL" + std::string(40, '1')), std::vector<std::string>{"%O1\x01"});
    EXPECT_EQ(x.queued(3).at(0), "\fCODICE NON ASSEGNATO");
    EXPECT_EQ(conta("Gestione_Uscite") + conta("wTmp_DatiAccessi"), 0);
    EXPECT_TRUE(errori().empty());
}
