// Visitor cards through Elabora_Messaggi: visits opened, restarted and closed within the
// card's maximum stay, overstays, the card freed at the end, codes of nobody.
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Visitatori : Centro {
    void SetUp() override {
        Centro::SetUp();
        const std::string rele = "Vai=-1, TempoVai=3, Stop=-1, TempoStop=1";
        sql("INSERT INTO Anagrafica_Strutture (Codice_Struttura, Esterna) VALUES ('STX', -1);"
            "INSERT INTO Anagrafica_Visitatori (Codice_Visitatore, Codice_Bis, Cognome, Nome, Cd_Motivo) VALUES "
            "  ('VR000001', 'V1', 'NERI', 'ADA', 3), ('VR000002', 'V2', 'BLU', 'EVA', 1), "
            "  ('VR000003', 'V3', 'ROSA', 'IDA', 1);"
            "INSERT INTO Tabella_Tessere_Visitatori (Codice_Tessera, Max_Permanenza) VALUES ('V1', 90), ('V2', 0), "
            "  ('V3', 90);");
        // 1 the entrance, 3 the exit, 5 both ways, 6 an exit of an external facility.
        x.terminale(1, 1, "", rele);
        x.terminale(3, 1, "", "Uscita=2, " + rele);
        x.terminale(5, 1, "", "Uscita=1, " + rele);
        x.terminale(6, 1, "", "Uscita=2, Codice_Struttura='STX', " + rele);
        avvia();
    }
    std::vector<std::string> passa(int terminale, const std::string& codice, int h, int m) {
        x.at(h, m, 0);
        return rilegge(terminale, codice);
    }
    static std::vector<std::string> vai(const char* testo) { return {"%O1\x03", std::string("\f") + testo}; }
    static std::vector<std::string> stop(const char* testo) { return {"%O1\x01", std::string("\f") + testo}; }
};

}  // namespace

TEST_F(Visitatori, EntryOpensTheVisitASecondBadgeRestartsItAndTheExitFreesTheCard) {
    EXPECT_EQ(passa(1, "V1", 10, 0), vai("ENTRATA|CONSENTITA"));
    EXPECT_EQ(righe("SELECT Codice_Visitatore, Data_Entrata, Ora_Entrata, Cd_Motivo, Ora_Uscita FROM Gestione_Visitatori"),
              "VR000001|2024-03-07 00:00:00|1900-01-01 10:00:00|3|");
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE DesStato='VISITATORE' AND Entrata='INGRESSO CONSENTITO' AND Cognome='NERI'"), 1);
    EXPECT_EQ(conta("Log_Entrate WHERE Codice_Cliente='VR000001' AND DesIrregolari_Att='INGRESSO' AND Uscita=0"), 1);
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_EQ(x.queued(1), prompt("gio 07 mar 10:00"));

    passa(1, "V1", 10, 20);
    EXPECT_EQ(righe("SELECT Ora_Entrata FROM Gestione_Visitatori"), "1900-01-01 10:20:00");

    // The exit within the stay closes the visit and frees the card.
    EXPECT_EQ(passa(3, "V1", 11, 50), vai("USCITA|CONSENTITA"));  // 90 minutes to the second
    EXPECT_EQ(conta("Gestione_Visitatori WHERE Ora_Uscita='1900-01-01 11:50:00' AND Fuori_Orario=0"), 1);
    EXPECT_EQ(conta("Anagrafica_Visitatori WHERE Codice_Visitatore='VR000001' AND Codice_Bis IS NULL"), 1);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Entrata='USCITA CONSENTITA ORE: 11:50' AND CheckOut=1"), 1);
    EXPECT_EQ(conta("Log_Entrate WHERE Uscita=1 AND DesIrregolari_Att='USCITA'"), 1);
    EXPECT_EQ(stato(3), Value(2));

    // The freed card belongs to nobody until the desk gives it out again.
    passa(3, "V1", 11, 55);
    EXPECT_EQ(x.queued(3).at(0), "\fCODICE NON ASSEGNATO");
}

TEST_F(Visitatori, OverstayIsRefusedAndStaysMarked) {
    passa(1, "V3", 10, 0);
    EXPECT_EQ(passa(3, "V3", 11, 31), stop("USCITA|FUORI ORARIO"));
    EXPECT_EQ(conta("Gestione_Visitatori WHERE Ora_Uscita IS NULL AND Fuori_Orario=1"), 1);
    EXPECT_EQ(conta("Anagrafica_Visitatori WHERE Codice_Bis='V3'"), 1);

    // A badge at the entrance restarts the clock; the mark survives the exit.
    passa(1, "V3", 11, 40);
    EXPECT_EQ(passa(3, "V3", 11, 45), vai("USCITA|CONSENTITA"));
    EXPECT_EQ(conta("Gestione_Visitatori WHERE Ora_Uscita='1900-01-01 11:45:00' AND Fuori_Orario=1"), 1);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Entrata='USCITA CONSENTITA ORE: 13:10'"), 1);
}

TEST_F(Visitatori, ExitWithoutAVisitIsRefusedAndACardWithoutLimitNeverOverstays) {
    EXPECT_EQ(passa(3, "V2", 10, 0), stop("USCITA|NON CONSENTITA"));
    EXPECT_EQ(conta("Gestione_Visitatori"), 0);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Entrata='ENTRATA NON REGISTRATA'"), 1);

    passa(1, "V2", 8, 0);
    EXPECT_EQ(passa(3, "V2", 23, 0), vai("USCITA|CONSENTITA"));
}

TEST_F(Visitatori, VisitOfTheEveningLeavesAfterMidnight) {
    x.f.clock.setFixed(DateTime::fromParts(2024, 3, 6, 23, 30, 0));
    leggi(1, "V1");
    EXPECT_EQ(passa(3, "V1", 0, 10), vai("USCITA|CONSENTITA"));
    EXPECT_EQ(conta("Gestione_Visitatori WHERE Data_Entrata='2024-03-06 00:00:00' AND Ora_Uscita IS NOT NULL"), 1);
}

TEST_F(Visitatori, DirectionOfTerminalsThatServeBothWaysAndOfExternalFacilities) {
    EXPECT_EQ(passa(5, "V1", 10, 0), vai("ENTRATA|CONSENTITA"));
    EXPECT_EQ(passa(5, "V1", 10, 30), vai("USCITA|CONSENTITA"));
    EXPECT_EQ(passa(6, "V2", 10, 40), vai("ENTRATA|CONSENTITA"));
    EXPECT_EQ(conta("Gestione_Visitatori WHERE Ora_Uscita IS NULL"), 1);
}

TEST_F(Visitatori, CodesOfNoVisitorOpenNothing) {
    EXPECT_EQ(passa(1, "VR999999", 10, 0), stop("CODICE NON ASSEGNATO"));
    EXPECT_EQ(conta("Gestione_Visitatori") + conta("wTmp_DatiAccessi") + conta("Stato_Terminali WHERE Indirizzo=0"), 0);
    EXPECT_EQ(conta("Log_Entrate WHERE Codice_Cliente='VR999999' AND DesIrregolari='CODICE NON ASSEGNATO'"), 1);
    EXPECT_EQ(stato(1), Value(2));
    EXPECT_TRUE(Nullo_Vuoto(stato(1, "Codice_Cliente")));

    // Longer than any visitor code: it owns nothing, and nothing is opened.
    EXPECT_EQ(passa(1, "VR" + std::string(40, '9'), 10, 5), std::vector<std::string>{"%O1\x01"});
    EXPECT_EQ(x.queued(1).at(0), "\fCODICE NON ASSEGNATO");
    EXPECT_EQ(conta("Gestione_Visitatori") + conta("wTmp_DatiAccessi"), 0);
    EXPECT_TRUE(errori().empty());
}
