// Member and staff reads at a facility terminal, through Elabora_Messaggi: what the
// terminal receives (relay commands, texts in order) and the rows the verdict leaves.
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Membri : Centro {
    void SetUp() override {
        Centro::SetUp();
        sql("INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST001', 'ST001');"
            "INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB001', 'ANNUALE');");
    }
    // The gym terminal: keypad, go relay 1 for 3 ticks, stop relay 1 for 1 tick, details shown.
    void palestra(const std::string& extra = "") {
        x.terminale(1, 1, "",
                    "Codice_Struttura='ST001', Vai=-1, TempoVai=3, Stop=-1, TempoStop=1, Visualizza_Dett=-1, Personale=-1" +
                        (extra.empty() ? "" : ", " + extra));
        avvia();
    }
};

}  // namespace

// A counter row that a desk program created empty: the visit gets number 1 all the same.
TEST_F(Membri, AdmittedMemberOpensTheGateAndIsRecorded) {
    palestra();
    abbonamento("CL000001", "I1");
    sql("INSERT INTO Contatori (Cd_Tipo, Contatore, ContatoreN) VALUES (22, 7, NULL)");
    leggi(1, "0001234501");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x03"});
    const auto q = x.queued(1);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0], "\fOK|ABILITATO|ROSSI|MARIO");
    EXPECT_EQ(q[1], "DATA SCADENZA:|mar 31 dic 2024");
    EXPECT_EQ(std::vector<std::string>(q.begin() + 2, q.end()), prompt());

    EXPECT_EQ(righe("SELECT ID_Presenza, Codice_Cliente, IndTerminale, Codice_Tessera FROM Presenze"),
              "1|CL000001|1|0001234501");
    EXPECT_EQ(righe("SELECT ID_Presenza, Codice_Struttura, Iscrizione FROM Presenze_Strutture"), "1|ST001|I1");
    EXPECT_EQ(righe("SELECT Cd_Tipo, Contatore, ContatoreN FROM Contatori"), "22|7|1");
    EXPECT_EQ(conta("Log_Terminali_Presenze WHERE Codice_Cliente='CL000001' AND IndTerminale=1 AND Accompagnatore=0"), 1);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Completo=1 AND Sem2=1 AND Sem3=0"), 1);
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    EXPECT_EQ(righe("SELECT Regolare, Codice_Cliente, Cognome FROM Stato_Terminali WHERE Indirizzo=1 AND "
                    "Messaggio IS NULL"), "1|CL000001|ROSSI ");
    EXPECT_EQ(conta("Semafori"), 0);
    EXPECT_TRUE(errori().empty());
}

// Each reason refuses with its text and the stop relay and writes no visit; the next card
// is judged on its own (a band refusal once carried over).
TEST_F(Membri, RefusalsGiveTheirReasonAndCarryNothingOver) {
    palestra();
    struct Caso {
        const char* dati;
        const char* testo;
        int regolare, fuoriOrario;
    };
    const Caso casi[] = {
        {"", "\fSTOP|NON ABILITATO|NESSUN INGRESSO", 1, 0},  // no entitlement: the activity check refuses
        {"INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza, Importo_DaPagare) VALUES "
         "(5, 'CL000001', '2024-02-01 00:00:00', 50)",
         "\fSTOP|NON ABILITATO|RATA SCADUTA", 0, 0},
        {"INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) VALUES "
         "('AB001', '1900-01-01 07:00:00', '1900-01-01 09:00:00');"
         "INSERT INTO FasceOrarie_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura, Fascia_Ini, Fascia_Fin) "
         "VALUES ('AB001', 'ST001', '1900-01-01 07:00:00', '1900-01-01 09:00:00')",
         "\fSTOP|NON ABILITATO|FASCIA ORARIA", 1, 1},
        {"INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Messaggio, Bloccante, Ricevuto) VALUES "
         "('CL000001', '2024-03-01 00:00:00', 'PASSARE IN SEGRETERIA', -1, 0)",
         "\fSTOP|NON ABILITATO", 0, 0},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.testo);
        sql(std::string("DELETE FROM Giornale; DELETE FROM FasceOrarie_Abbonamenti; DELETE FROM wTmp_DatiAccessi;"
                        "DELETE FROM FasceOrarie_Abbonamenti_Righe;") + c.dati);
        EXPECT_EQ(rilegge(1, "0001234501"), std::vector<std::string>{"%O1\x01"});
        EXPECT_EQ(x.queued(1).at(0), c.testo);
        EXPECT_EQ(conta("Presenze") + conta("Log_Terminali_Presenze"), 0);
        EXPECT_EQ(stato(1, "Regolare"), Value(c.regolare));
        EXPECT_EQ(stato(1, "FuoriOrario"), Value(c.fuoriOrario));
        EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Completo=1 AND Sem2=0 AND "
                        "Entrata='INGRESSO NON CONSENTITO'"), 1);
        rilegge(1, "0009999999");
        EXPECT_EQ(x.queued(1).at(1), "\fSTOP|NON ABILITATO");
        EXPECT_EQ(stato(1, "FuoriOrario"), Value(0));
        if (&c == casi) abbonamento("CL000001", "I1");
    }
}

TEST_F(Membri, TurnstileWithoutDisplayGetsOnlyItsRelays) {
    x.terminale(1, 3, "", "Codice_Struttura='ST001', Vai=-1, TempoVai=3, Stop=-1, TempoStop=1, NReleVai=2");
    avvia();
    abbonamento("CL000001", "I1");
    leggi(1, "0001234501");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O2\x03"});
    EXPECT_TRUE(x.queued(1).empty());
    EXPECT_EQ(rilegge(1, "0009999999"), std::vector<std::string>{"%O\x01"});
    EXPECT_TRUE(x.queued(1).empty());
}

TEST_F(Membri, ActivationChoiceWaitsInStateTenThenRecordsOnConfirmation) {
    palestra("Gestisci_Attivita=1");
    abbonamento("CL000001", "I1", 10, 6);
    leggi(1, "0001234501");
    EXPECT_EQ(x.queued(1), (std::vector<std::string>{"INGRESSI RESIDUI 4|1 ATTIVARE|2 NON ATTIVARE|SCELTA:_", "%K1", "%KN"}));
    EXPECT_EQ(stato(1), Value(10));
    EXPECT_EQ(stato(1, "Codice_Cliente"), Value("CL000001"));
    EXPECT_EQ(conta("Presenze"), 0);

    rilegge(1, "1");
    EXPECT_EQ(conta("Presenze WHERE Codice_Cliente='CL000001'"), 1);
    EXPECT_EQ(x.queued(1).at(0), "\fOK|ABILITATO|ROSSI|MARIO");
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(x.scalar("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='I1'"), Value(7));
}

TEST_F(Membri, MembersWithMissingOrContradictoryDataGetAVerdict) {
    palestra();
    sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Stato) VALUES ('CL000002', '0002', 1);"
        "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Data_Inizio, "
        "  Data_Fine, Scaduta) VALUES ('I2', 'CL000002', 'AB404', NULL, '2023-01-01 00:00:00', 0);"
        "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
        "  Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES "
        "  ('I2', 1, 'CL000002', 'AB404', 'ST001', 1, '2024-05-01 00:00:00', '2024-02-01 00:00:00', 2, 3, 9)");
    leggi(1, "0002");
    const auto q = x.queued(1);
    ASSERT_GE(q.size(), 3u);
    EXPECT_EQ(q[0].rfind("\fSTOP|NON ABILITATO", 0), 0u) << q[0];
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(conta("Presenze"), 0);
}

TEST_F(Membri, CodesLongerThanTheirColumnsAreCutWithALogLineOrOwnNothing) {
    palestra();
    abbonamento("CL000001", "I1");
    // A QR code of 48 characters admits; the attendance keeps its first 30, the pass log
    // (50 wide) all of it.
    const std::string qr(20, 'Q'), dispositivo(20, 'D');
    sql("INSERT INTO Gestione_QR_Code (Codice_Cliente, QR_Code, Disp_Code, Data_Reg, Usato) VALUES "
        "('CL000001', '" + qr + "', '" + dispositivo + "', '2024-03-07 00:00:00', 0)");
    const std::string lungo = "CL000001" + qr + dispositivo;
    leggi(1, lungo);
    EXPECT_EQ(x.queued(1).at(0), "\fOK|ABILITATO|ROSSI|MARIO");
    EXPECT_EQ(x.scalar("SELECT Codice_Tessera FROM Presenze"), Value(lungo.substr(0, 30)));
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Codice_Tessera='" + lungo.substr(0, 30) + "'"), 1);
    EXPECT_EQ(x.scalar("SELECT Codice_Bis FROM Log_Terminali_Presenze"), Value(lungo));
    EXPECT_TRUE(registrato("48 characters cut to 30 for Presenze.Codice_Tessera"));
    // A QR code admits once: read again, it is nobody's.
    rilegge(1, lungo);
    EXPECT_EQ(x.queued(1).at(0), "\fCODICE NON ASSEGNATO");
    EXPECT_EQ(x.queued(1).at(1), "\fSTOP|NON ABILITATO");
    EXPECT_EQ(conta("Presenze"), 1);

    // A magnetic track read with 60 characters of noise after its end sentinel: the member
    // is found by the stripped code, the raw read is logged cut to its column.
    sql("DELETE FROM Presenze; DELETE FROM Presenze_Strutture; DELETE FROM Log_Terminali_Presenze");
    const std::string traccia = ";0001234501?" + std::string(60, '7') + ">";
    rilegge(1, traccia);
    EXPECT_EQ(x.queued(1).at(0), "\fOK|ABILITATO|ROSSI|MARIO");
    EXPECT_EQ(x.scalar("SELECT Codice_Tessera FROM Log_Terminali_Presenze"), Value(traccia.substr(0, 50)));
    EXPECT_EQ(x.scalar("SELECT Codice_Tessera FROM Presenze"), Value("0001234501"));
    EXPECT_TRUE(registrato("cut to 50 for Log_Terminali_Presenze.Codice_Tessera"));

    // A staff code longer than any owner code belongs to nobody.
    rilegge(1, "IS" + std::string(25, '0'));
    EXPECT_EQ(x.queued(1).at(0), "\fCODICE NON ASSEGNATO");
    EXPECT_TRUE(registrato("Read code of 27 characters is longer than any owner code: not assigned"));
    EXPECT_EQ(conta("Gestione_Personale"), 0);
    EXPECT_EQ(stato(1), Value(2));
}

// The entry is counted on the line the check used, whichever order the lines were
// written in: a used-up line of the same subscription never hides it.
TEST_F(Membri, EntryIsCountedOnTheLineThatAdmitted) {
    palestra();
    sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome) VALUES "
        "('CL000002', '0001234502', 'BIANCHI', 'LUCA')");
    linea("CL000001", "I1", 1, 10, 10, -1);  // used up line first
    linea("CL000001", "I1", 2, 10, 0);
    linea("CL000002", "I2", 2, 10, 0);  // open line first
    linea("CL000002", "I2", 1, 10, 10, -1);
    sql("INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
        "Data_Inizio, Data_Fine) VALUES ('I1', 'CL000001', 'AB001', 'DIECI', '2024-01-01 00:00:00', "
        "'2024-12-31 00:00:00'), ('I2', 'CL000002', 'AB001', 'DIECI', '2024-01-01 00:00:00', '2024-12-31 00:00:00')");
    for (const std::string iscrizione : {"I1", "I2"}) {
        rilegge(1, iscrizione == "I1" ? "0001234501" : "0001234502");
        EXPECT_EQ(x.queued(1).at(1), "RESIDUO| 10") << iscrizione;
        EXPECT_EQ(righe("SELECT Prog_Riga, SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='" +
                        iscrizione + "' ORDER BY 1"), "1|10; 2|1") << iscrizione;
        EXPECT_EQ(conta("Presenze_Strutture WHERE Iscrizione='" + iscrizione + "'"), 1) << iscrizione;
    }
    EXPECT_TRUE(errori().empty());
}
