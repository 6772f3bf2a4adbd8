#include <gtest/gtest.h>

#include "attendance/dati_accessi.h"
#include "../righe.h"
#include "support/fake_links.h"

using namespace velaris;
using velaris::test::righe;
using velaris::test::SystemFixture;

namespace {

struct DisplayRecord : ::testing::Test {
    SystemFixture x{1};
    void SetUp() override { x.at(10, 30, 0); }
    Value ultima(const std::string& colonna) {
        return x.scalar("SELECT TOP 1 " + colonna + " FROM wTmp_DatiAccessi ORDER BY ID DESC");
    }
    DatiAccessi riga() {
        DatiAccessi d;
        d.Codice_Tessera = Value("0012345");
        d.Codice = Value("CL1");
        d.Cognome = Value("D'AMICO");
        d.Nome = Value("ANNA");
        d.Data_Entrata = Value(DateTime::fromParts(2024, 3, 7));
        d.Ora_Entrata = Value(DateTime::fromParts(1900, 1, 1, 10, 30, 0));
        d.Stato = Value(1);
        d.Terminale = Value(4);
        return d;
    }
};

}  // namespace


TEST_F(DisplayRecord, RowWithBlanksAndQuotes) {
    DatiAccessi d = riga();
    d.Stato = Value::null();
    d.Scadenza = Value("not a date");
    VisualizzaDatiForm(x.s, d);
    EXPECT_TRUE(x.f.logLines.empty()) << x.f.logLines.front();
    // A quote can never close the literal; blanks and a bad date are written as nulls.
    EXPECT_EQ(righe(x, "SELECT Cognome, Stato, Completo, Ora_Entrata, Terminale FROM wTmp_DatiAccessi WHERE "
                       "Data_Ultima_Entrata IS NULL AND Ora_Ultima_Entrata IS NULL AND Scadenza IS NULL"),
              "D\"AMICO|0|1|1900-01-01 10:30:00|4");
}

TEST_F(DisplayRecord, LongSubscriptionTextKeepsItsFirst255Characters) {
    DatiAccessi d = riga();
    const std::string lungo = std::string(255, 'A') + std::string(45, 'B');  // the first 255 kept, not the last
    d.DesAbbonamento = Value(lungo);
    VisualizzaDatiForm(x.s, d);
    EXPECT_EQ(ultima("DesAbbonamento"), Value(lungo.substr(0, 255)));
    // Characters beyond ASCII count as one each and are never cut in half.
    std::string accentato;
    for (int i = 0; i < 300; ++i) accentato += "è";
    d.DesAbbonamento = Value(accentato);
    VisualizzaDatiForm(x.s, d);
    EXPECT_EQ(ultima("DesAbbonamento").toText().size(), 255u * 2);
}



// Completing the newest row with its lights and texts is covered through the end of a verdict.
TEST_F(DisplayRecord, CompletingTheNewestIncompleteRowOfTheMemberOnly) {
    DatiAccessi d = riga();
    d.Completo = Value(0);
    VisualizzaDatiForm(x.s, d);
    VisualizzaDatiForm(x.s, d);
    EXPECT_EQ(Completa_DatiAccessi(x.s, Value("CL2"), true, false, false), 0);
    EXPECT_EQ(Completa_DatiAccessi(x.s, Value("CL1"), true, true, true), 2);
    EXPECT_EQ(righe(x, "SELECT ID, Sem2, Sem3, Sospeso FROM wTmp_DatiAccessi WHERE Completo=1"), "2|1|1|1");
    Semafori_DatiAccessi(x.s, 1, 1, 0);
    EXPECT_EQ(x.scalar("SELECT Sem2 FROM wTmp_DatiAccessi WHERE ID=1"), Value(1));
}

TEST_F(DisplayRecord, MarkerRowIsReplacedAndDueAfterTheWait) {
    Marker_DatiAccessi(x.s);
    x.f.native("INSERT INTO Impostazioni_Funzionamento (Tempo_Attesa) VALUES (5)");
    x.s.settings.Defaults_DopoAggiornamento();
    Marker_DatiAccessi(x.s);
    EXPECT_EQ(righe(x, "SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0"), "1900-01-01 10:30:05");
    Marker_DatiAccessi(x.s, Value(3));
    EXPECT_EQ(righe(x, "SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0"), "1900-01-01 10:30:03");
}
