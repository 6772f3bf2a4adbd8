// The money card: usable credit, debits to the cent with their movements, prices by
// terminal and band, time charges, article prices and the keypad sale's basket.
#include <gtest/gtest.h>

#include "attendance/money_card.h"
#include "db/setting_slots.h"
#include "righe.h"
#include "support/connessione_spia.h"
#include "support/fake_links.h"
#include "system/registry.h"

using namespace velaris;
using velaris::test::SystemFixture;

namespace {

Money eur(const char* text) { return *Money::parse(text); }

// Terminal 1 (ID 1) and member CL1; Thursday 2024-03-07 at 10:30.
struct Carte : ::testing::Test {
    SystemFixture x{1};
    void SetUp() override {
        x.at(10, 30, 0);
        x.terminale(1, 3);
        sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome, Nome, Stato) VALUES ('CL1','Gallo','Marta',1)");
    }
    void sql(const std::string& s) { x.f.native(s); }
    // A card: paid, used, bonus, end date, type.
    void carta(const char* importo, const char* usato, const char* omaggio, const char* fine = "NULL",
               const char* tipo = "NULL", const char* inizio = "'2024-01-01 00:00:00'") {
        sql(std::string("INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Importo_Usato, Importo_Omaggio, "
                        "Data_Fine, ID_TipoMC, Data_Inizio) VALUES ('CL1',") + importo + "," + usato + "," + omaggio +
            "," + fine + "," + tipo + "," + inizio + ")");
    }
    Money residuo(int carta) {
        return *Money::fromValue(x.scalar("SELECT Importo-Importo_Usato+Importo_Omaggio FROM Gestione_MoneyCard WHERE "
                                          "Cd_MoneyCard=" + std::to_string(carta)));
    }
    // Every card's residual, in card order.
    std::string residui() {
        std::string out;
        for (int carta = 1; carta <= x.scalar("SELECT Count(*) FROM Gestione_MoneyCard").toInt(); ++carta)
            out += residuo(carta).decimal() + " ";
        return out;
    }
    // The money-card movements as "card:amount[:type]", in order.
    std::string movimenti() {
        std::string out;
        auto rs = x.f.db.open("SELECT CodiceN, Importo, ID_TipoMC FROM PN_Movimenti WHERE Tipologia=13 ORDER BY ID");
        for (; !rs->eof(); rs->moveNext())
            out += rs->field(0).toText() + ":" + Money::fromValue(rs->field(1))->decimal() +
                   (rs->field(2).isNull() ? "" : ":" + rs->field(2).toText()) + " ";
        return out;
    }
    std::string righe(const std::string& sql) { return velaris::test::righe(x, sql); }
    Pagamento addebita(const char* importo, const char* articolo = "ST001") {
        return Addebita_MoneyCard(x.s, Value("CL1"), Value(articolo), eur(importo));
    }
};

}  // namespace

TEST_F(Carte, ResidualAndTheCardsThatAreUsableToday) {
    carta("50", "48", "5");                                // residual 7
    carta("10", "0", "0", "'2024-03-06 00:00:00'");        // ended yesterday
    carta("10", "0", "0", "NULL", "NULL", "'2024-03-08 00:00:00'");  // starts tomorrow
    EXPECT_EQ(Residuo_MoneyCard(x.s, Value("CL1")), eur("7"));
    EXPECT_EQ(Credito_MoneyCard(x.s, Value("CL1"), Value(), eur("100")), eur("7"));
    sql("UPDATE Gestione_MoneyCard SET Importo_Usato=55 WHERE Cd_MoneyCard=1");
    EXPECT_EQ(Residuo_MoneyCard(x.s, Value("CL1")), Money());  // used up: "CREDITO ESAURITO"
    EXPECT_FALSE(Residuo_MoneyCard(x.s, Value("CL9")));        // no card: "CLIENTE SENZA MONEYCARD"
    // A centre set in the settings admits only that centre's cards.
    x.s.settings.setSlot(impostazione::Codice_Centro, Value("C2"));
    sql("UPDATE Gestione_MoneyCard SET Importo_Usato=0, Codice_Centro='C1' WHERE Cd_MoneyCard=1");
    EXPECT_FALSE(Residuo_MoneyCard(x.s, Value("CL1")));
}

TEST_F(Carte, ExactCreditIsDebitedAndOneCentShortWritesNothing) {
    carta("12.34", "0", "0");
    Pagamento p = addebita("12.35");
    EXPECT_EQ(p.esito, EsitoAddebito::CreditoInsufficiente);
    EXPECT_EQ(movimenti(), "");
    EXPECT_EQ(righe("SELECT Importo_Usato, Ultimo_Utilizzo IS NULL FROM Gestione_MoneyCard"), "0|1");

    p = addebita("12.34");
    EXPECT_EQ(p.esito, EsitoAddebito::Eseguito);
    EXPECT_EQ(p.addebitato, eur("12.34"));
    EXPECT_EQ(p.residuo, Money());
    EXPECT_EQ(movimenti(), "1:12.34 ");
    EXPECT_EQ(righe("SELECT Importo_Usato, Ultimo_Utilizzo FROM Gestione_MoneyCard"), "12.34|2024-03-07 00:00:00");
    EXPECT_EQ(righe("SELECT Codice_Cliente, Codice_Struttura, Qta, DareAvere, Pagato<>0, Automatico<>0, Data_Mov "
                    "FROM PN_Movimenti"), "CL1|ST001|1|1|1|1|2024-03-07 00:00:00");
    // Nothing to pay is no debit at all; a negative amount is refused.
    EXPECT_EQ(addebita("0").esito, EsitoAddebito::Eseguito);
    EXPECT_EQ(addebita("-1").esito, EsitoAddebito::CreditoInsufficiente);
    EXPECT_EQ(movimenti(), "1:12.34 ");
}

TEST_F(Carte, SeveralCardsPayInTheirFixedOrderSplittingTheAmount) {
    carta("5", "0", "0");                                // no end: last
    carta("3", "0", "0", "'2024-06-30 00:00:00'");
    carta("2", "0.5", "0.5", "'2024-04-30 00:00:00'");   // ends first: drawn first
    EXPECT_EQ(addebita("10.01").esito, EsitoAddebito::CreditoInsufficiente);  // none covers it all
    EXPECT_EQ(movimenti(), "");
    const Pagamento p = addebita("6.5");
    EXPECT_EQ(p.esito, EsitoAddebito::Eseguito);
    EXPECT_EQ(movimenti(), "3:2 2:3 1:1.5 ");
    EXPECT_EQ(p.residuo, eur("3.5"));
    EXPECT_EQ(residui(), "3.5 0 0 ");
}

TEST_F(Carte, CardTypesPayTheirArticlesFirstAndNeverAnotherArticle) {
    sql("INSERT INTO Tabella_MoneyCard (ID_TipoMC, Descrizi) VALUES (1, 'INGRESSI'), (2, 'BAR'), (3, 'LIBERA');"
        "INSERT INTO Gestione_MoneyCard_Associa (ID_TipoMC, Codice) VALUES (1, 'ST001'), (2, 'AR1');");
    carta("2", "0", "0", "NULL", "1");
    carta("10", "0", "0", "NULL", "2");
    carta("3", "0", "0", "NULL", "3");
    carta("1", "0", "0");  // no type: pays like a type without articles
    EXPECT_EQ(Credito_MoneyCard(x.s, Value("CL1"), Value("ST001"), eur("100")), eur("6"));
    EXPECT_EQ(addebita("6.01").esito, EsitoAddebito::CreditoInsufficiente);
    EXPECT_EQ(addebita("4").esito, EsitoAddebito::Eseguito);
    EXPECT_EQ(movimenti(), "1:2:1 3:2:3 ");
    EXPECT_EQ(residuo(2), eur("10"));
    EXPECT_EQ(Credito_MoneyCard(x.s, Value("CL1"), Value("AR1"), eur("100")), eur("12"));
}

TEST_F(Carte, EntryAndTimePricesByWeekdayBandAndValidity) {
    auto tariffa = [&](int id, int tipo, int giorno, const char* ini, const char* fin, const char* importo,
                       const char* da = "2024-01-01") {
        sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
            "Data_Validita, Importo) VALUES (" + std::to_string(id) + "," + std::to_string(tipo) + "," +
            std::to_string(giorno) + ",'1900-01-01 " + ini + "','1900-01-01 " + fin + "','" + da + " 00:00:00'," +
            importo + ")");
    };
    tariffa(1, 2, 4, "10:00:00", "12:00:00", "2.5");
    tariffa(1, 2, 4, "10:00:00", "12:00:00", "3", "2024-03-01");  // newer: wins
    tariffa(1, 2, 4, "10:00:00", "12:00:00", "9", "2024-03-08");  // not valid yet
    tariffa(1, 2, 5, "00:00:00", "23:59:59", "1");
    const DateTime giovedi = DateTime::fromParts(2024, 3, 7, 12, 0, 0);
    EXPECT_EQ(Prezzo_MoneyCard(x.s, 1, giovedi), eur("3"));
    EXPECT_FALSE(Prezzo_MoneyCard(x.s, 1, giovedi.addSeconds(1)));
    EXPECT_FALSE(Prezzo_MoneyCard(x.s, 2, giovedi));
    sql("UPDATE Dettaglio_Terminali_Punti SET Importo=-1 WHERE Importo=3");
    EXPECT_FALSE(Prezzo_MoneyCard(x.s, 1, giovedi));  // a negative price never credits the card
    EXPECT_EQ(x.f.logLines.size(), 1u);

    // The exit paired with entry terminal 1 is terminal ID 2 at address 7: found by its ID.
    x.terminale(7, 3);
    sql("INSERT INTO Dettaglio_Terminali_Uscita (ID_Terminale, ID_Terminale_Entrata) VALUES (2, 1)");
    tariffa(2, 3, 4, "08:00:00", "20:00:00", "1.2");
    EXPECT_EQ(Prezzo_Tempo_MoneyCard(x.s, Value(1), giovedi), eur("1.2"));
    const auto t = Tariffa_Tempo(x.s, 7, 4, DateTime::fromParts(1900, 1, 1, 9, 0, 0));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Importo, eur("1.2"));
}

TEST(Permanenza, UnitsFractionsAndTolerance) {
    const TariffaTempo t{eur("2"), 60, 15, eur("0.5"), 5};
    EXPECT_EQ(Importo_Permanenza(t, 0), Money());
    EXPECT_EQ(Importo_Permanenza(t, 5), Money());          // within the tolerance
    EXPECT_EQ(Importo_Permanenza(t, 6), eur("2"));         // at least one unit
    EXPECT_EQ(Importo_Permanenza(t, 65), eur("2"));        // remainder within the tolerance
    EXPECT_EQ(Importo_Permanenza(t, 66), eur("2.5"));      // one fraction
    EXPECT_EQ(Importo_Permanenza(t, 81), eur("3"));        // one fraction and a remainder beyond tolerance
    const TariffaTempo senzaFrazioni{eur("2"), 60, 0, eur("0.7"), 0};
    EXPECT_EQ(Importo_Permanenza(senzaFrazioni, 61), eur("2.7"));
    const TariffaTempo forfait{eur("4.99"), 0, 0, Money(), 0};
    EXPECT_EQ(Importo_Permanenza(forfait, 500), eur("4.99"));
}

TEST_F(Carte, ArticlePricesPromotionsGroupsAndRounding) {
    sql("INSERT INTO Anagrafica_Articoli (Codice_Articolo, Descrizione, Prezzo_Unitario, Prezzo_Unitario_Abb) VALUES "
        "('AR1','ACQUA',1.25,0), ('AR2','BARRETTA',2.5,2), ('AR3','SALI',3,0);"
        "INSERT INTO Tabella_Gruppi_Articoli (Codice_Padre, Codice_Figlio) VALUES ('GR1','GR2'), ('GR2','AR1'), "
        "('GR2','GR1');"
        "INSERT INTO Anagrafica_Articoli (Codice_Articolo, Descrizione) VALUES ('GR1','GRUPPO BEVANDE'), "
        "('GR2','ACQUE');"
        "INSERT INTO Anagrafica_Promozioni (Codice_Promo, Data_Inizio, Data_Fine) VALUES "
        "('P1','2024-03-01 00:00:00','2024-03-31 00:00:00');"
        "INSERT INTO Promozioni_Abbonamenti (Codice_Promo, Tipologia, Sconto, Codice_Articolo) VALUES "
        "('P1', 3, 10.5, 'GR1');");
    // AR1 lies in GR2 inside GR1 (whose bill loops back on itself): 1.25 less 10.5% is 1.11875.
    EXPECT_EQ(Imposta_Prezzo_Articolo(x.s, "AR1", Value("CL1")), eur("1.12"));
    EXPECT_EQ(Imposta_Prezzo_Articolo(x.s, "AR3", Value("CL1")), eur("3"));  // not in the group
    EXPECT_EQ(Imposta_Prezzo_Articolo(x.s, "AR2", Value("CL1")), eur("2"));  // subscriber price, status 1
    EXPECT_FALSE(Imposta_Prezzo_Articolo(x.s, "AR9", Value("CL1")));
    int cicli = 0;
    for (const auto& l : x.f.logLines) cicli += l.find("contains itself") != std::string::npos;
    EXPECT_GE(cicli, 1);

    EXPECT_EQ(Conversione_Euro_Dett(Value(1.2349)), eur("1.23"));
    EXPECT_EQ(Conversione_Euro_Dett(Value(1.235)), eur("1.24"));
    EXPECT_EQ(Conversione_Euro_Dett(Value(-3)), Money());
    EXPECT_EQ(Conversione_Euro_Dett(Value::null()), Money());
}

TEST_F(Carte, BasketSoldByCardOrCashWithEveryRowToTheCent) {
    auto carrello = [&] {
        sql("INSERT INTO wTmp_ArticoliTerminali (Indirizzo, Codice_Cliente, Codice_Articolo, Qta, Prezzo_Unitario) "
            "VALUES (1,'CL1','AR1',2,1.25), (1,'CL1','AR2',1,0.8), (2,'CL1','AR9',1,50)");
    };
    carta("3.29", "0", "0");
    carrello();
    EXPECT_EQ(Movimenta_MoneyCard(x.s, 1, Value("CL1"), ModoVendita::MoneyCard), -2);  // 3.30 due
    EXPECT_EQ(velaris::test::conti(x, "Gestione_Bar wTmp_ArticoliTerminali"), "0|3");  // nothing sold, basket kept

    sql("UPDATE Gestione_MoneyCard SET Importo_Omaggio=0.01");
    carta("10", "0", "0");  // a second card pays nothing: the total is taken once
    EXPECT_EQ(Movimenta_MoneyCard(x.s, 1, Value("CL1"), ModoVendita::MoneyCard), 1);
    EXPECT_EQ(residui(), "0 10 ");
    EXPECT_EQ(movimenti(), "1:2.5 1:0.8 ");
    EXPECT_EQ(righe("SELECT Sum(Importo), Count(*) FROM Gestione_Bar WHERE Pagato<>0 AND Codice_Cliente='CL1'"),
              "3.3|2");
    EXPECT_EQ(righe("SELECT Count(*) FROM PN_Movimenti WHERE Tipologia=4 AND Pagato<>0 AND CodiceN IN "
                    "(SELECT ID FROM Gestione_Bar)"), "2");
    EXPECT_EQ(righe("SELECT Indirizzo FROM wTmp_ArticoliTerminali"), "2");  // the other terminal's basket stays

    EXPECT_EQ(Movimenta_MoneyCard(x.s, 1, Value("CL1"), ModoVendita::MoneyCard), -3);  // empty basket
    carrello();
    EXPECT_EQ(Movimenta_MoneyCard(x.s, 1, Value("CL1"), ModoVendita::ContantiNonPagato), 1);
    EXPECT_EQ(righe("SELECT (SELECT Count(*) FROM Gestione_Bar WHERE Pagato=0), Count(*) FROM PN_Movimenti "
                    "WHERE Tipologia=4 AND Pagato=0 AND Data_Pagamento IS NULL"), "2|2");
    EXPECT_EQ(movimenti(), "1:2.5 1:0.8 ");  // cash touches no card
}

// Exits paid by card are covered through the exit terminal's reads.
TEST_F(Carte, TheEntrancePaysWithTheCard) {
    x.terminale(3, 3);
    EXPECT_FALSE(Ingresso_MoneyCard(x.s, Value("CL1"), 3).ammesso);  // no tariff: not by card
    sql("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, "
        "Data_Validita, Importo) VALUES (2, 2, 4, '1900-01-01 00:00:00', '1900-01-01 23:59:59', '2024-01-01 00:00:00', 0)");
    EXPECT_TRUE(Ingresso_MoneyCard(x.s, Value("CL1"), 3).ammesso);  // a price of 0 admits without a card
    EXPECT_EQ(movimenti(), "");

    carta("7.5", "0", "0");
    sql("UPDATE Dettaglio_Terminali_Punti SET Importo=2.55");
    const IngressoMoneyCard i = Ingresso_MoneyCard(x.s, Value("CL1"), 3);
    EXPECT_TRUE(i.ammesso);
    EXPECT_EQ(i.residuo, eur("4.95"));
    sql("UPDATE Gestione_MoneyCard SET Importo_Usato=5.5");  // 2.00 left
    EXPECT_FALSE(Ingresso_MoneyCard(x.s, Value("CL1"), 3).ammesso);
    EXPECT_EQ(movimenti(), "1:2.55 ");
}

TEST_F(Carte, ACardDrainedBetweenTheCheckAndTheDebitIsNeverOverdrawn) {
    carta("5", "0", "0");
    auto& c = test::spia(x.f.db, x.f.dbPath().string(), x.f.clock);
    bool fatto = false;
    c.prima = [&](Connection& conn, std::string_view sql) {
        if (fatto || sql.rfind("UPDATE Gestione_MoneyCard", 0) != 0) return;
        fatto = true;  // another workstation takes 4.00 once this one has allocated its 2.00
        conn.execute("UPDATE Gestione_MoneyCard SET Importo_Usato = Importo_Usato + 4");
    };
    EXPECT_EQ(addebita("2").esito, EsitoAddebito::CreditoInsufficiente);
    EXPECT_TRUE(fatto);
    EXPECT_GE(residuo(1), Money());
    EXPECT_EQ(movimenti(), "");
}

TEST_F(Carte, ADebitWhoseMovementFailsIsUndone) {
    carta("5", "0", "0");
    auto& c = test::spia(x.f.db, x.f.dbPath().string(), x.f.clock);
    c.prima = [](Connection&, std::string_view sql) {
        if (sql.rfind("INSERT INTO PN_Movimenti", 0) == 0) throw DbError(1, "disk I/O error");
    };
    EXPECT_EQ(addebita("2").esito, EsitoAddebito::Errore);
    EXPECT_EQ(residuo(1), eur("5"));
    EXPECT_FALSE(x.f.db.inTransaction());
    ASSERT_EQ(x.f.logLines.size(), 1u);
    EXPECT_NE(x.f.logLines[0].find("disk I/O error - Function Credito_MoneyCard"), std::string::npos);
}
