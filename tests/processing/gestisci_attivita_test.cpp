// The activity dialogue at a keypad terminal, through Elabora_Messaggi: the member badges,
// types the code of the activity, and is admitted for it; codes that name nothing usable,
// cancellation, charge mode with its confirmation, and the ways out of the dialogue.
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

// Gym terminal 1 (keypad, go relay 1 for 3) manages activities: spinning (CS002, typed
// "22", a lesson from 10:00 to 11:00 on Thursdays) is admitted through the gym, which
// also controls the pool (ST002, "12"); the spa (ST003) and its yoga course (CS003,
// "23") are not controlled here. Rossi holds the gym ("11") and spinning.
struct Attivita : Centro {
    void SetUp() override {
        Centro::SetUp();
        sql("UPDATE Anagrafica_Strutture SET Codice_Bis='11' WHERE Codice_Struttura='ST001';"
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione) VALUES "
            "  ('ST002', '12', 'PISCINA'), ('ST003', '13', 'SPA');"
            "INSERT INTO Strutture_Associate (Codice_Struttura, Codice_Struttura_Associata, Priorita) VALUES "
            "  ('ST001', 'ST002', 1);"
            "INSERT INTO Anagrafica_Corsi (Codice_Corso, Codice_Bis, Descrizione, APrenotazione) VALUES "
            "  ('CS002', '22', 'SPINNING', 1), ('CS003', '23', 'YOGA', 1);"
            "INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('CS002', 'ST001'), ('CS003', 'ST003');"
            "INSERT INTO Attivita_Terminali (Codice, Codice_Struttura) VALUES ('CS002', 'ST001');"
            "INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, "
            "  AOre) VALUES ('CS002', 'ST001', 4, '2024-01-01 00:00:00', '2024-12-31 00:00:00', '1900-01-01 10:00:00', "
            "  '1900-01-01 11:00:00');"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
            "  Data_Inizio, Data_Fine, Scaduta) VALUES ('I1', 'CL000001', 'AB1', 'OPEN', '2024-01-01 00:00:00', "
            "  '2024-12-31 00:00:00', 0);"
            "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "  Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES "
            "  ('I1', 1, 'CL000001', 'AB1', 'ST001', 1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 1, 0, 0), "
            "  ('I1', 2, 'CL000001', 'AB1', 'CS002', 2, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 1, 0, 0)");
    }
    void palestra(const std::string& extra = "") {
        x.terminale(1, 1, "",
                    "Codice_Struttura='ST001', Gestisci_Attivita=1, Vai=-1, TempoVai=3, Stop=-1, TempoStop=1, "
                    "Visualizza_Dett=-1" + (extra.empty() ? "" : ", " + extra));
        avvia();
    }
    void sql(const std::string& s) { x.f.native(s); }
    // A read at the gym; what was queued for it.
    std::vector<std::string> a(const std::string& code) {
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL OR Indirizzo=0");
        x.net92.sent.clear();
        leggi(1, code);
        return x.queued(1);
    }
    int64_t presenze(const std::string& attivita) {
        return conta("Presenze_Strutture WHERE Codice_Cliente='CL000001' AND Codice_Struttura='" + attivita + "'");
    }
};

// The queue's quoting turns the apostrophe into a double quote, as for every queued text.
const std::vector<std::string> kPrompt = {"\fgio 07 mar 10:30|ATTIVITA\":______", "%K1"};

}  // namespace

TEST_F(Attivita, TheTypedActivityIsAdmittedAndRecorded) {
    palestra();
    EXPECT_EQ(a("0001234501"), kPrompt);
    EXPECT_EQ(stato(1), Value(8));
    EXPECT_EQ(stato(1, "Codice_Cliente"), Value("CL000001"));
    EXPECT_EQ(conta("Presenze"), 0);

    EXPECT_EQ(a("11").at(0), "\fUTENTE|ABILITATO");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x03"});
    EXPECT_EQ(presenze("ST001"), 1);
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Completo=1 AND Sem2=1"), 1);

    // A course held now, admitted through the gym.
    a("0001234501");
    EXPECT_EQ(a("22").at(0), "\fUTENTE|ABILITATO");
    EXPECT_EQ(presenze("CS002"), 1);
    EXPECT_TRUE(errori().empty());
}

TEST_F(Attivita, CodesThatNameNothingUsableHere) {
    palestra();
    a("0001234501");
    // Unknown, and a course of a facility this terminal does not control: asked again.
    EXPECT_EQ(a("99"), kPrompt);
    EXPECT_EQ(inviati(1), std::vector<std::string>{"\fCODICE|ERRATO"});
    EXPECT_EQ(x.scalar("SELECT Min(Ora_Invio) FROM Stato_Terminali WHERE Indirizzo=1").toText(), "1900-01-01 10:30:02");
    EXPECT_EQ(a("23"), kPrompt);
    EXPECT_EQ(inviati(1), std::vector<std::string>{"\fATTIVITA'|NON CONTROLLATA"});
    EXPECT_EQ(stato(1), Value(8));
    // The associated pool, for which the member holds nothing.
    EXPECT_EQ(a("12").at(0), "UTENTE|NON ABILITATO||NESSUN INGRESSO");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"%O1\x01"});
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(conta("Presenze"), 0);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Completo=1 AND Sem2=0 AND Entrata='INGRESSO NON CONSENTITO'"), 1);
}

TEST_F(Attivita, ZeroABadgeOrSilenceEndTheDialogue) {
    palestra();
    a("0001234501");
    a("0");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"\fOPERAZIONE|ANNULLATA"});
    EXPECT_EQ(stato(1), Value(2));

    // The next member's badge cancels the waiting dialogue and is served as a new read.
    a("0001234501");
    EXPECT_EQ(a("0001234501"), (std::vector<std::string>{"\fOPERAZIONE|ANNULLATA", kPrompt[0], kPrompt[1]}));
    EXPECT_EQ(stato(1), Value(8));

    // A code typed after the dialogue ran out is an ordinary read, even before the tick
    // has put the terminal back to its idle prompt.
    x.at(10, 31, 1);
    EXPECT_EQ(a("11").at(0), "\fCODICE NON ASSEGNATO");
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(conta("Presenze"), 0);
}

TEST_F(Attivita, ChargeModeAsksForConfirmation) {
    palestra("Addebito=-1");
    a("0001234501");
    EXPECT_EQ(a("11"), (std::vector<std::string>{"\fSALA ATTREZZI|1 PER CONFERMA|0 PER ANNULLARE", "%K1BX", "%KN"}));
    EXPECT_EQ(stato(1), Value(9));
    EXPECT_EQ(conta("wTmp_ArticoliTerminali WHERE Indirizzo=1 AND Codice_Articolo='ST001'"), 1);
    EXPECT_EQ(a("1").at(0), "\fUTENTE|ABILITATO");
    EXPECT_EQ(presenze("ST001"), 1);
    EXPECT_EQ(conta("wTmp_ArticoliTerminali"), 0);

    // 0 cancels and empties the basket; so does a basket emptied meanwhile.
    a("0001234501");
    a("11");
    a("0");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"\fOPERAZIONE|ANNULLATA"});
    EXPECT_EQ(conta("wTmp_ArticoliTerminali"), 0);
    a("0001234501");
    a("11");
    sql("DELETE FROM wTmp_ArticoliTerminali");
    a("1");
    EXPECT_EQ(inviati(1), std::vector<std::string>{"\fNESSUN SERVIZIO|SELEZIONATO|OPERAZIONE|ANNULLATA"});
    EXPECT_EQ(presenze("ST001"), 1);
    EXPECT_EQ(stato(1), Value(2));
}

TEST_F(Attivita, IrregularMembersAreNotAsked) {
    palestra();
    sql("INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza) VALUES (5, 'CL000001', '2024-02-01 00:00:00')");
    EXPECT_EQ(a("0001234501").at(0), "UTENTE|NON ABILITATO||UTENTE IRREGOLARE");
    EXPECT_EQ(stato(1), Value(2));
}

TEST_F(Attivita, ABadgeDuringTheActivationChoiceIsServedAsANewRead) {
    // Without typed activities the terminal offers the activation choice instead.
    sql("DELETE FROM Attivita_Terminali; UPDATE Iscrizioni_Strutture SET TipoSedute=2, Sedute=10, SeduteFatte=4");
    palestra();
    EXPECT_EQ(a("0001234501").at(0), "INGRESSI RESIDUI 6|1 ATTIVARE|2 NON ATTIVARE|SCELTA:_");
    EXPECT_EQ(stato(1), Value(10));
    const auto q = a("0001234501");
    EXPECT_EQ(q.at(0), "\fOPERAZIONE|ANNULLATA");
    EXPECT_EQ(q.at(1), "INGRESSI RESIDUI 6|1 ATTIVARE|2 NON ATTIVARE|SCELTA:_");
    EXPECT_EQ(stato(1), Value(10));
    // Any other code than the confirmation cancels the choice.
    EXPECT_EQ(a("2").at(0), "\fOPERAZIONE|ANNULLATA");
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(stato(1, "Codice_Cliente"), Value(""));
    EXPECT_EQ(conta("Presenze"), 0);
}

TEST_F(Attivita, DatabaseFailureInTheDialogueLeavesTheTerminalIdle) {
    palestra();
    a("0001234501");
    {
        velaris::test::TabellaGuasta guasto(x.f.engineHandle(), "Anagrafica_Corsi");
        a("11");
    }
    EXPECT_EQ(errori().size(), 1u);
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(stato(1, "Codice_Cliente"), Value(""));
    EXPECT_EQ(a("0001234501"), kPrompt);
}
