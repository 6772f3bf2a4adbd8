// The reply of a verdict: relay, texts and their order, refusal reasons, the display
// record completion and the marker row.
#include "processing/risposte.h"

#include "attendance/righe.h"
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Risposte : Centro {
    Messaggio m;
    // Keypad terminal 1 configured with `extra`, started and made current.
    void uno(const std::string& extra = "") {
        x.terminale(1, 1, "", extra);
        avvia();
        su(1);
    }
    // Positions the terminal and the message as Elabora_Messaggi would.
    void su(int address) {
        ASSERT_TRUE(x.s.registro.trova(address));
        m = Messaggio{};
        m.terminale = x.s.registro.corrente();
        caricaParametriTerminale(x.s, *m.terminale);
        x.s.corrente.Indirizzo_Corrente = address;
        m.oggi = DateTime::fromParts(2024, 3, 7);
        m.Codice_Proprietario = "CL000001";
        m.Cognome = Value("ROSSI ");
        m.Nome = Value("MARIO");
        x.s.corrente.Filtro_Irregolarita = costruisciFiltroIrregolarita(x.s, m.oggi, true);
    }
    void irregolarita(const char* cliente, int modalita) {
        x.f.native(std::string("INSERT INTO wTmp_Presenze_Irregolarita (Codice_Cliente, Modalita, Data_Scadenza) VALUES ('") +
                   cliente + "', " + std::to_string(modalita) + ", '2024-01-01 00:00:00')");
    }
};

}  // namespace

TEST_F(Risposte, RefusalReasonsInTheirOrderFromTheMembersOwnRows) {
    uno();
    irregolarita("CL000009", 5);  // left by the previous member
    EXPECT_EQ(Motivo_Rifiuto(x.s, m, "CL000001"), "");
    irregolarita("CL000001", 5);
    m.verdetto.Esito = 4;
    EXPECT_EQ(Motivo_Rifiuto(x.s, m, "CL000001"), "RATA SCADUTA");
    m.verdetto.NessunIngresso = true;
    EXPECT_EQ(Motivo_Rifiuto(x.s, m, "CL000001"), "NESSUN INGRESSO");
    m.verdetto.FuoriFascia = true;
    EXPECT_EQ(Motivo_Rifiuto(x.s, m, "CL000001"), "FASCIA ORARIA");

    // The reason is still found while a centre filter is in force.
    m.verdetto = {};
    m.verdetto.Esito = 4;
    x.s.corrente.Filtro_Centro = " AND Codice_Centro='C1'";
    x.s.corrente.Filtro_Irregolarita = costruisciFiltroIrregolarita(x.s, m.oggi, true);
    EXPECT_EQ(Motivo_Rifiuto(x.s, m, "CL000001"), "RATA SCADUTA");
    EXPECT_TRUE(errori().empty());
}

// The keypad's stop text and relay, and the display-less turnstile, are shown through whole
// reads in membri_test; terminals that manage activities word the refusal their own way.
TEST_F(Risposte, ActivityTerminalsWordTheRefusalTheirOwnWay) {
    x.terminale(3, 6, "", "Gestisci_Attivita=1");
    avvia();
    su(3);
    m.verdetto.Esito = 2;
    m.verdetto.FuoriFascia = true;
    Rispondi_Verdetto(x.s, m, "CL000001");
    m.verdetto.FuoriFascia = false;
    m.verdetto.NessunIngresso = true;
    Rispondi_Verdetto(x.s, m, "CL000001");
    EXPECT_EQ(x.queued(3), (std::vector<std::string>{"UTENTE|NON ABILITATO||FASCIA ORARIA",
                                                     "UTENTE|NON ABILITATO||NESSUN INGRESSO"}));
}

TEST_F(Risposte, SuspendedAndCreditTexts) {
    uno();
    for (int esito : {3, 5, 6}) {
        m.verdetto.Esito = esito;
        Rispondi_Verdetto(x.s, m, "CL000001");
    }
    EXPECT_EQ(x.queued(1), (std::vector<std::string>{"\fCLIENTE|SOSPESO", "\fSTOP|NON ABILITATO",
                                                     "CREDITO PUNTI|INSUFFICIENTE", "\fSTOP|NON ABILITATO",
                                                     "CREDITO MONEY CARD|INSUFFICIENTE"}));
    EXPECT_TRUE(inviati(1).empty());  // no stop relay configured
}

TEST_F(Risposte, AdmissionWithNamesAndInformationLinesInOrder) {
    uno("Vai=-1, TempoVai=3");
    m.verdetto.Info = {"RESIDUO| 4", "DATA SCADENZA:|dom 31 mar 2024"};
    m.verdetto.Info_Ulteriore = "CREDITO RESIDUO:| 12,50";
    Rispondi_Verdetto(x.s, m, "CL000001");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x03"});
    EXPECT_EQ(x.queued(1), (std::vector<std::string>{"\fOK|ABILITATO|ROSSI|MARIO", "RESIDUO| 4",
                                                     "DATA SCADENZA:|dom 31 mar 2024", "CREDITO RESIDUO:| 12,50"}));
    // That a recorded entry had its gate opened by the recording, and gets no second go
    // command, is shown by the whole reads in membri_test.
}

TEST_F(Risposte, ReceiptOnTerminalsThatPrintThem) {
    uno("Stampa_Scontrino=-1");
    m.verdetto.Registrato = true;
    m.verdetto.Servizio = "SALA ATTREZZI";
    m.verdetto.Residui = Value("4");
    Rispondi_Verdetto(x.s, m, "CL000001");
    const auto sent = inviati(1);
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_NE(sent[2].find("ROSSI  MARIO"), std::string::npos);
    EXPECT_NE(sent[4].find("SALA ATTREZZI"), std::string::npos);
    EXPECT_NE(sent[5].find("Ingressi residui: 4"), std::string::npos);
}

TEST_F(Risposte, EndOfAVerdictCompletesTheDisplayRowAndWritesTheMarker) {
    uno("Visualizza_Dett=-1");
    x.f.native("INSERT INTO wTmp_DatiAccessi (Completo, Codice, TestoIrr) VALUES (0, 'CL000001', 'OLD'), (0, 'CL000001', 'X: ')");
    x.s.esiti.EsitoT_FuoriOrario = true;
    x.s.esiti.EsitoT_Sospeso = true;
    m.verdetto.Esito = 5;
    Fine_Verdetto(x.s, m, "CL000001", false);
    // Only the newest row is completed.
    EXPECT_EQ(righe("SELECT Completo, Sem1, Sem2, Sem3, Sospeso, TestoIrr, Entrata FROM wTmp_DatiAccessi ORDER BY ID"),
              "0|0|0|0|0|OLD|; 1|1|0|1|1|X: CREDITO PUNTI INSUFFICIENTE|INGRESSO NON CONSENTITO");
    EXPECT_EQ(x.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0").toText(), "1900-01-01 10:30:03");
}

TEST_F(Risposte, NoMarkerWhenEntriesAreManagedElsewhereOrMoneyCardCreditIsShort) {
    uno();
    m.verdetto.Esito = 6;
    Fine_Verdetto(x.s, m, "CL000001", false);
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 0);
    x.f.native("UPDATE Impostazioni_Funzionamento SET Gestione_Entrate=1");
    x.s.settings.Defaults_DopoAggiornamento();
    m.verdetto.Esito = 0;
    Fine_Verdetto(x.s, m, "CL000001", true);
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 0);
}
