// Reads at a terminal that serves booked machines, through Elabora_Messaggi: the window of
// a slot, the relay of the booked machine, the member's standing, staff switching a
// machine on by number, and the way out of the machine-number dialogue.
#include "scenario.h"

#include "processing/dialogo.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

// Keypad terminal 5 (record ID 50), no facility, serving the squash court (machine 1 on
// relay 2 for 5 units, activation from 10 minutes before to 5 after the start) and the
// sauna (machine 2 on expansion output 3 for 8). Rossi booked the court today at 18:00
// (booking 100); his subscription line covers squash. Terminal 6 serves machine 3.
struct Prenotazioni : Centro {
    void SetUp() override {
        Centro::SetUp();
        x.terminale(5, 1, "", "ID=50, Vai=-1, Stop=-1");
        x.terminale(6, 1, "", "ID=60");
        sql("INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST010', 'SQUASH'), ('ST011', 'SAUNA');"
            "INSERT INTO Anagrafica_SubStrutture (Cd_SubStruttura, Codice_Struttura, Descrizione) VALUES "
            "  (1, 'ST010', 'CAMPO 1'), (2, 'ST011', 'SAUNA'), (3, 'ST010', 'CAMPO 2');"
            "INSERT INTO Dettaglio_Terminali_Sub (ID_Terminale, Cd_SubStruttura, NReleVai, TempoVai, IOX, TempoAnticipo, "
            "  TempoRitardo) VALUES (50, 1, 2, 5, 0, 10, 5), (50, 2, 4, 8, -1, 10, 5), (60, 3, 1, 5, 0, 10, 5);"
            "INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Cognome, Nome, Ingresso) VALUES ('IS0001', 'FERRARI', "
            "  'MARCO', -1)");
        abbonamento("CL000001", "I1", 10, 3, "ST010", "SQUASH 10");
        linea("CL000001", "I1", 2, 0, 0, 0, "ST011");
        prenota(100, 1, "2024-03-07", "18:00");
        avvia();
    }
    void prenota(int pivot, int macchina, const std::string& giorno, const std::string& ora,
                 const std::string& cliente = "CL000001") {
        sql("INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente) VALUES (" + std::to_string(pivot) +
            ", '" + cliente + "');"
            "INSERT INTO Agenda_Struttura (Cd_SubStruttura, Data_Prenotazione, DaOre, AOre, ID_PivotPrenotazione) VALUES (" +
            std::to_string(macchina) + ", '" + giorno + " 00:00:00', '1900-01-01 " + ora + ":00', '1900-01-01 23:59:00', " +
            std::to_string(pivot) + ")");
    }
    std::vector<std::string> leggiA(int h, int m, int sec, const std::string& code = "0001234501") {
        x.at(h, m, sec);
        rilegge(5, code);
        return inviati(5);
    }
    int64_t usi() { return conta("Presenze_Strutture WHERE Codice_Struttura='ST010'"); }
    int64_t fatte() { return x.scalar("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='I1'").toInt(); }
};

const std::vector<std::string> kAttivata = {"\fOK REGOLARE|ATTIVAZIONE:|05"};
const std::vector<std::string> kFuori = {"\fSTOP|FUORI ORARIO"};

}  // namespace

TEST_F(Prenotazioni, BookedMachineOpensInsideItsWindowToTheSecond) {
    EXPECT_EQ(leggiA(17, 49, 59), kFuori);
    EXPECT_EQ(leggiA(18, 5, 1), kFuori);
    EXPECT_EQ(usi(), 0);

    EXPECT_EQ(leggiA(18, 5, 0), kAttivata);
    EXPECT_EQ(x.queued(5).at(0), "%O2\x05");
    EXPECT_EQ(righe("SELECT ID_Prenotazione, Cd_SubStruttura FROM Stato_Terminali WHERE Messaggio='%O2\x05'"), "100|1");
    EXPECT_EQ(usi(), 1);
    EXPECT_EQ(fatte(), 4);
    EXPECT_EQ(righe("SELECT Stato, Codice_Cliente FROM Stato_Terminali WHERE Indirizzo=5 AND Messaggio IS NULL"),
              "2|CL000001");
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Sem2=1 AND Entrata='INGRESSO CONSENTITO' AND "
                    "Struttura_Ingresso='SQUASH'"), 1);
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    EXPECT_TRUE(errori().empty());

    // The opening edge, on a new process (activations are remembered by the process).
    x.s.attivazioni = {};
    sql("DELETE FROM Presenze_Strutture");
    EXPECT_EQ(leggiA(17, 50, 0), kAttivata);
}

TEST_F(Prenotazioni, ASlotIsActivatedOnceAndEveryReadStartsFresh) {
    EXPECT_EQ(leggiA(18, 0, 0), kAttivata);
    EXPECT_EQ(leggiA(18, 1, 0), std::vector<std::string>{"\fSEDUTA|GIA' ATTIVATA|"});
    EXPECT_EQ(x.queued(5), (std::vector<std::string>{"\fgio 07 mar 18:01|CODICE:_______", "%K2BXM2", "%Kn"}));
    EXPECT_EQ(usi(), 1);
    EXPECT_EQ(fatte(), 4);

    // A member without a booking here gets no relay left over from the previous one.
    sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis) VALUES ('CL000002', '0002')");
    EXPECT_EQ(leggiA(18, 2, 0, "0002"), std::vector<std::string>{"\fSTOP|NESSUNA PRENOTAZIONE"});
    EXPECT_EQ(x.queued(5).size(), 3u);
    // No display row to light: the marker and the state write still follow.
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    EXPECT_EQ(stato(5, "Codice_Cliente"), Value("CL000002"));

    // A booking on another terminal's machine opens nothing here.
    prenota(101, 3, "2024-03-07", "18:00", "CL000002");
    EXPECT_EQ(leggiA(18, 3, 0, "0002"), std::vector<std::string>{"\fSTOP|NESSUNA PRENOTAZIONE"});
}

TEST_F(Prenotazioni, SlotsAreWalkedByStartTime) {
    // An activated slot and a later usable one on the sauna: the usable one wins.
    prenota(102, 2, "2024-03-07", "18:10");
    EXPECT_EQ(leggiA(18, 0, 0), kAttivata);
    EXPECT_EQ(leggiA(18, 4, 0), std::vector<std::string>{"\fOK REGOLARE|ATTIVAZIONE:|08"});
    // The sauna sits on expansion output 3 (relay 4 less one).
    EXPECT_EQ(x.queued(5).at(0), "O38");
    EXPECT_EQ(x.scalar("SELECT ID_Prenotazione FROM Stato_Terminali WHERE Messaggio='O38'"), Value(102));
    EXPECT_EQ(leggiA(18, 4, 30), std::vector<std::string>{"\fSEDUTA|GIA' ATTIVATA|"});
}

TEST_F(Prenotazioni, WindowsCrossMidnightAsDatesAndTimes) {
    prenota(103, 1, "2024-03-08", "00:05");
    EXPECT_EQ(leggiA(23, 55, 0), kAttivata);
    x.f.clock.setFixed(DateTime::fromParts(2024, 3, 8, 0, 3, 0));
    EXPECT_EQ(rilegge(5, "0001234501"), std::vector<std::string>{"\fSEDUTA|GIA' ATTIVATA|"});
    // Yesterday's 23:58 slot may still be activated at 00:03.
    prenota(104, 1, "2024-03-07", "23:58");
    EXPECT_EQ(rilegge(5, "0001234501"), kAttivata);
}

TEST_F(Prenotazioni, MemberStandingDecidesTheUse) {
    // An instalment overdue: refused, the display row says why.
    sql("INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza) VALUES (5, 'CL000001', '2024-02-01 00:00:00')");
    EXPECT_EQ(leggiA(18, 0, 0), std::vector<std::string>{"\fSTOP|IRREGOLARE"});
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Sem2=0 AND Sem1=1 AND Entrata='INGRESSO NON CONSENTITO' AND "
                    "TestoIrr='RATA SCADUTA'"), 1);
    EXPECT_EQ(x.queued(5).size(), 3u);  // the idle prompt only: no relay
    // The member's own setting admits in any case.
    sql("UPDATE Anagrafica_Clienti SET Controlli_Cliente=2");
    EXPECT_EQ(leggiA(18, 0, 10), kAttivata);

    // A blocking message refuses; so does the lack of any entitlement for the machine.
    x.s.attivazioni = {};
    sql("UPDATE Anagrafica_Clienti SET Controlli_Cliente=0; DELETE FROM Giornale;"
        "INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Bloccante) VALUES ('CL000001', "
        "'2024-03-01 00:00:00', -1)");
    EXPECT_EQ(leggiA(18, 0, 20), std::vector<std::string>{"\fSTOP|IRREGOLARE"});
    sql("DELETE FROM Messaggi_Clienti; UPDATE Iscrizioni_Strutture SET Codice_Struttura='ST001'");
    EXPECT_EQ(leggiA(18, 0, 30), std::vector<std::string>{"\fSTOP|IRREGOLARE"});
    // An add-on for squash pays instead.
    sql("INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_Struttura, Prog_Riga, Data_Inizio, Sedute, SeduteFatte) "
        "VALUES ('CL000001', 'ST010', 1, '2024-01-01 00:00:00', 5, 1)");
    EXPECT_EQ(leggiA(18, 0, 40), kAttivata);
    EXPECT_EQ(x.scalar("SELECT SeduteFatte FROM Gestione_Aggiunte"), Value(2));
}

TEST_F(Prenotazioni, StaffSwitchesAMachineOnByItsNumber) {
    leggiA(10, 0, 0, "IS0001");
    EXPECT_EQ(x.queued(5), (std::vector<std::string>{"\fgio 07 mar 10:00|MACCHINA:_", "%KN", "%K1BX"}));
    EXPECT_EQ(stato(5), Value(4));
    EXPECT_EQ(leggiA(10, 0, 5, "2"), std::vector<std::string>{"\fMACCHINA|ATTIVATA"});
    EXPECT_EQ(x.queued(5).at(0), "%O2\x05");
    EXPECT_EQ(conta("Utilizzo_Manuale_Strutture WHERE Codice='IS0001' AND Tipologia=2 AND Cd_SubStruttura=1 AND "
                    "Data_Utilizzo='2024-03-07 00:00:00' AND Ora_Utilizzo='1900-01-01 10:00:05'"), 1);
    EXPECT_EQ(stato(5), Value(2));

    // A number this terminal does not serve.
    leggiA(10, 1, 0, "IS0001");
    EXPECT_EQ(leggiA(10, 1, 5, "3"), std::vector<std::string>{"\fNUMERO MACCHINA|ERRATO"});
    EXPECT_EQ(stato(5), Value(2));

    // A badge or too many digits at the prompt: no number; the read is served as a new one.
    for (const char* code : {"0001234501", "1234", "2A"}) {
        leggiA(17, 59, 0, "IS0001");
        rilegge(5, code);
        const auto q = x.queued(5);
        ASSERT_FALSE(q.empty()) << code;
        EXPECT_EQ(q[0], "\fNUMERO MACCHINA|ERRATO") << code;
        EXPECT_EQ(stato(5), Value(2)) << code;
    }
    EXPECT_EQ(conta("Utilizzo_Manuale_Strutture"), 1);
    EXPECT_EQ(usi(), 1);  // the badge switched the member's booked court on

    // Unknown staff codes get no prompt; one longer than any owner code owns nothing.
    EXPECT_EQ(leggiA(10, 2, 0, "IS9999"), std::vector<std::string>{"\fSTOP|NON ABILITATO"});
    EXPECT_EQ(stato(5), Value(2));
    x.f.logLines.clear();
    leggiA(10, 3, 0, "IS" + std::string(38, '7'));
    EXPECT_EQ(stato(5), Value(2));  // no machine prompt
    EXPECT_TRUE(Nullo_Vuoto(stato(5, "Codice_Cliente")));
    EXPECT_EQ(x.f.logLines.size(), 1u);
}

TEST_F(Prenotazioni, AForgottenDialogueExpiresToTheIdlePrompt) {
    // The state writes concern the state row only, never a read injected for the terminal.
    pulisci();
    sql("INSERT INTO Stato_Terminali (Indirizzo, Stato, Messaggio) VALUES (5, 500, '7')");
    x.at(10, 0, 0);
    leggi(5, "IS0001");
    EXPECT_EQ(stato(5), Value(4));
    x.at(10, 1, 0);
    Scadenza_Dialoghi(x.s);
    EXPECT_EQ(stato(5), Value(4));
    x.at(10, 1, 1);
    Scadenza_Dialoghi(x.s);
    EXPECT_EQ(stato(5), Value(2));
    EXPECT_EQ(stato(5, "Codice_Cliente"), Value::null());
    EXPECT_EQ(conta("Stato_Terminali WHERE Stato=500"), 1);
    sql("DELETE FROM Stato_Terminali WHERE Stato=500");
    const auto q = x.queued(5);
    ASSERT_GE(q.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(q.end() - 2, q.end()),
              (std::vector<std::string>{"\fgio 07 mar 10:01|CODICE:_______", "%K2BXM2"}));

    // A number typed later is an ordinary code: nothing switches on.
    leggiA(10, 2, 0, "2");
    EXPECT_EQ(conta("Utilizzo_Manuale_Strutture"), 0);
}

TEST_F(Prenotazioni, DatabaseFailureLeavesTheTerminalIdleAndTheNextReadIsServed) {
    {
        velaris::test::TabellaGuasta guasto(x.f.engineHandle(), "Agenda_Struttura");
        EXPECT_TRUE(leggiA(18, 0, 0).empty());
    }
    EXPECT_EQ(errori().size(), 1u);
    EXPECT_EQ(stato(5), Value(2));
    EXPECT_EQ(usi(), 0);
    EXPECT_EQ(leggiA(18, 0, 5), kAttivata);
}

// A subscription whose squash lines are one used up (not yet marked expired) and one
// open, in either order: the booking is paid by the open line and counted on it.
TEST_F(Prenotazioni, TheUseIsCountedOnTheLineThatPaysIt) {
    for (const auto& [cliente, bis, iscrizione, piena] :
         {std::tuple{"CL000002", "0002", "I2", 1}, std::tuple{"CL000003", "0003", "I3", 2}}) {
        const std::string c = cliente, i = iscrizione;
        sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis) VALUES ('" + c + "', '" + bis + "')");
        abbonamento(c, i, 10, piena == 1 ? 10 : 0, "ST010", "SQUASH 20");
        linea(c, i, 2, 10, piena == 2 ? 10 : 0, 0, "ST010");
        prenota(piena == 1 ? 102 : 103, 1, "2024-03-07", "18:00", c);
        EXPECT_EQ(leggiA(18, 0, 0, bis), kAttivata) << c;
        EXPECT_EQ(righe("SELECT Prog_Riga, SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='" + i +
                        "' ORDER BY 1"), piena == 1 ? "1|10; 2|1" : "1|1; 2|10") << c;
    }
    EXPECT_TRUE(errori().empty());
}
