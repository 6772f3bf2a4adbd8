#include <gtest/gtest.h>

#include "attendance/dati_accessi.h"
#include "support/fake_links.h"

using namespace velaris;
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
    EXPECT_EQ(ultima("Cognome"), Value("D\"AMICO"));  // a quote can never close the literal
    EXPECT_EQ(ultima("Stato"), Value(0));
    EXPECT_EQ(ultima("Completo"), Value(1));
    EXPECT_TRUE(ultima("Data_Ultima_Entrata").isNull());
    EXPECT_TRUE(ultima("Ora_Ultima_Entrata").isNull());
    EXPECT_TRUE(ultima("Scadenza").isNull());
    EXPECT_EQ(ultima("Ora_Entrata").toDate(), DateTime::fromParts(1900, 1, 1, 10, 30, 0));
    EXPECT_EQ(ultima("Terminale"), Value(4));
}

TEST_F(DisplayRecord, LongSubscriptionTextKeepsItsFirst255Characters) {
    DatiAccessi d = riga();
    std::string lungo;
    for (int i = 0; i < 300; ++i) lungo += static_cast<char>('A' + i % 26);
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



TEST_F(DisplayRecord, CompletingTheNewestIncompleteRow) {
    DatiAccessi d = riga();
    d.Completo = Value(0);
    VisualizzaDatiForm(x.s, d);
    VisualizzaDatiForm(x.s, d);
    const int64_t id = Completa_DatiAccessi(x.s, Value("CL1"), true, true, true, ", Sem1 = 1 ");
    EXPECT_EQ(id, 2);
    EXPECT_EQ(ultima("Completo"), Value(1));
    EXPECT_EQ(ultima("Sem1"), Value(1));
    EXPECT_EQ(ultima("Sem2"), Value(1));
    EXPECT_EQ(ultima("Sem3"), Value(1));
    EXPECT_EQ(ultima("Sospeso"), Value(1));
    EXPECT_EQ(x.scalar("SELECT Completo FROM wTmp_DatiAccessi WHERE ID=1"), Value(0));
    EXPECT_EQ(Completa_DatiAccessi(x.s, Value("CL2"), true, false, false), 0);
    // Texts appended to the row, as the credit refusals do.
    Completa_DatiAccessi(x.s, Value("CL1"), false, false, false,
                         ", Entrata = 'INGRESSO NON CONSENTITO' , TestoIrr = TestoIrr + 'CREDITO PUNTI INSUFFICIENTE' ");
    EXPECT_EQ(x.scalar("SELECT TestoIrr FROM wTmp_DatiAccessi WHERE ID=1"), Value("CREDITO PUNTI INSUFFICIENTE"));
    EXPECT_EQ(x.scalar("SELECT Sem2 FROM wTmp_DatiAccessi WHERE ID=1"), Value(0));
    Semafori_DatiAccessi(x.s, 1, 1, 0);
    EXPECT_EQ(x.scalar("SELECT Sem2 FROM wTmp_DatiAccessi WHERE ID=1"), Value(1));
}

TEST_F(DisplayRecord, MarkerRowIsReplacedAndDueAfterTheWait) {
    Marker_DatiAccessi(x.s);
    x.f.native("INSERT INTO Impostazioni_Funzionamento (Tempo_Attesa) VALUES (5)");
    x.s.settings.Defaults_DopoAggiornamento();
    Marker_DatiAccessi(x.s);
    EXPECT_EQ(x.scalar("SELECT Count(*) FROM Stato_Terminali WHERE Indirizzo=0"), Value(1));
    EXPECT_EQ(x.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0").toDate(),
              DateTime::fromParts(1900, 1, 1, 10, 30, 5));
    Marker_DatiAccessi(x.s, Value(3));
    EXPECT_EQ(x.scalar("SELECT Ora_Invio FROM Stato_Terminali WHERE Indirizzo=0").toDate(),
              DateTime::fromParts(1900, 1, 1, 10, 30, 3));
}
