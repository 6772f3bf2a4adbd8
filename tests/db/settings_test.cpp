#include <gtest/gtest.h>

#include "db/settings.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {
struct SettingsTest : ::testing::Test {
    DbFixture f;
    Settings s{f.db};
    void SetUp() override {
        std::string noEntry;
        for (int i = 2; i <= 21; ++i) noEntry += ", NoEntry" + std::to_string(i) + " BIT DEFAULT 0";
        f.native("CREATE TABLE Impostazioni_Funzionamento (PrenComePres BIT, Verificato INTEGER, Tempo_Attesa INTEGER,"
                 " Path_Foto TEXT, DB_Unico BIT, Formato_Etichette INTEGER, Giorni_Sospensione INTEGER" + noEntry + ");"
                 "INSERT INTO Impostazioni_Funzionamento (PrenComePres, Verificato, Tempo_Attesa, Formato_Etichette,"
                 " DB_Unico) VALUES (-1, 1, NULL, 2, -1);"
                 "CREATE TABLE wCab_FormatoEtichette (Codice INTEGER, NomeReport TEXT);"
                 "INSERT INTO wCab_FormatoEtichette VALUES (1,'Piccola'),(2,'Grande');"
                 "CREATE TABLE Tabella_ScadenzeFisse (Tipo_Scadenza INTEGER, Scadenza TEXT, Gestisci INTEGER,"
                 " Importo FLOAT, Pagamento INTEGER, Cd_Iva TEXT, Durata_Std INTEGER);");
    }
    unsigned long statements() const { return f.sqlite->statementCount(); }
};
}  // namespace

TEST_F(SettingsTest, CachedSlotsAreReadOnceUnlessNullOrReloaded) {
    EXPECT_EQ(s.Leggi_Impostazione(188), Value(true));
    const auto before = statements();
    EXPECT_EQ(s.Leggi_Impostazione(188), Value(true));
    EXPECT_EQ(statements(), before);  // served from the cache
    s.Leggi_Impostazione(188, true);
    EXPECT_EQ(statements(), before + 1);

    EXPECT_TRUE(s.Leggi_Impostazione(17).isNull());  // a Null column is read again each time
    const auto afterNull = statements();
    s.Leggi_Impostazione(17);
    EXPECT_EQ(statements(), afterNull + 1);

    s.Leggi_Impostazione(19);  // Verificato is read every time
    f.native("UPDATE Impostazioni_Funzionamento SET Verificato = 7");
    EXPECT_EQ(s.Leggi_Impostazione(19), Value(7));
    EXPECT_EQ(s.Leggi_Impostazione(45), Value("Grande"));  // the label report, through the join
}

TEST_F(SettingsTest, UnmappedIndicesGiveEmptyWithoutAQueryAndAMissingColumnLogsAndReadsNull) {
    const auto before = statements();
    for (int i : {0, 14, 21, 22, 41, 70, 99, 189, 213, 215, -1, 1000}) EXPECT_TRUE(s.Leggi_Impostazione(i).isEmpty()) << i;
    EXPECT_EQ(statements(), before);
    EXPECT_TRUE(s.Leggi_Impostazione(100).isNull());  // Codice_Centro is not in this table
    ASSERT_FALSE(f.logLines.empty());
    EXPECT_NE(f.logLines.back().find("Function DLookUpQ"), std::string::npos);
}

TEST_F(SettingsTest, NoEntryFilterListsTheNonBlockingModalities) {
    f.native("UPDATE Impostazioni_Funzionamento SET NoEntry2 = -1");
    EXPECT_TRUE(s.Leggi_NoEntry(13) == Value(0));
    EXPECT_TRUE(s.Leggi_NoEntry(23).isEmpty());
    s.Defaults_DopoAggiornamento();
    const std::string& filter = s.Filtro_NoEntry();
    EXPECT_EQ(filter.rfind(" And (Modalita<>Convert(Float, 1))", 0), 0u);
    EXPECT_EQ(filter.find("Modalita<>Convert(Float, 2))"), std::string::npos);
    size_t terms = 0;
    for (size_t p = 0; (p = filter.find(" And (", p)) != std::string::npos; ++p) ++terms;
    EXPECT_EQ(terms, 21u);
    // Modality 17 reads column 16.
    f.native("UPDATE Impostazioni_Funzionamento SET NoEntry16 = -1");
    EXPECT_EQ(s.Leggi_NoEntry(17), Value(true));
    EXPECT_EQ(s.Leggi_NoEntry(16), Value(0));
}

TEST_F(SettingsTest, FixedFeesFillSixSlotsAndTheReloadGoesOn) {
    for (int t = 1; t <= 7; ++t)
        f.native("INSERT INTO Tabella_ScadenzeFisse VALUES (" + std::to_string(t) + ", 'Quota " + std::to_string(t) +
                 "', -1, 10.5, 1, '22', 12)");
    f.native("UPDATE Impostazioni_Funzionamento SET Path_Foto = '" + f.dir.path().string() + "'");
    s.Defaults_DopoAggiornamento();
    EXPECT_EQ(s.Scadenze_Fisse()[1].Scadenza, "Quota 1");
    EXPECT_EQ(s.Scadenze_Fisse()[6].Scadenza, "Quota 6");
    EXPECT_DOUBLE_EQ(s.Scadenze_Fisse()[6].Importo, 10.5);
    EXPECT_EQ(s.Scadenze_Fisse()[6].Durata_Std, 12);
    EXPECT_EQ(s.Scadenze_Fisse()[0].Scadenza, "");
    ASSERT_FALSE(f.logLines.empty());
    EXPECT_NE(f.logLines.back().find("Function Defaults_DopoAggiornamento"), std::string::npos);
    EXPECT_TRUE(s.dbUnico());
    EXPECT_TRUE(s.cartellaFoto());
}
