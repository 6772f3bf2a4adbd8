// Two workstations, two server processes on one embedded database, debit the same money
// card at the same time from their own terminals: the card never goes below zero, and
// every cent taken from it has exactly one movement row.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iostream>
#include <thread>

#include "db/money.h"
#include "database_cli.h"
#include "harness/child_process.h"
#include "support/terminale_http.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;

namespace {

const std::string kExe = VELARIS_ACCESSI_EXE;
constexpr int kDebitiPerTerminale = 25;  // 0.30 each, 15.00 in all against 10.00 of credit

std::string sql(const std::string& db, const std::string& statement) { return test::sqlCli(db, statement); }
using test::unico;

}  // namespace

TEST(MoneyCardConcorrenza, TwoServersDebitingOneCardNeverOverdrawIt) {
    test::TempDir dir;
    const std::string db = (dir / "centro.db").string();
    ASSERT_EQ(test::runCommand(kExe, {"database", "demo", db}).first, 0);
    // Gallo's card holds exactly 10.00; terminals 21 and 22 charge typed amounts.
    sql(db, "UPDATE Gestione_MoneyCard SET Importo=10, Importo_Usato=0, Importo_Omaggio=0 WHERE "
            "Codice_Cliente='CL000010'");
    for (int t : {21, 22})
        sql(db, "INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, MoneyCard) "
                "VALUES (" + std::to_string(t) + ", " + std::to_string(t) + ", 'CASSA', -1, '127.0.0." +
                    std::to_string(t) + "', 6, -1)");

    struct Postazione {
        int porta = test::freePort();
        int terminale;
        std::filesystem::path cartella;
        ChildProcess server;
    };
    Postazione postazioni[2];
    for (int i = 0; i < 2; ++i) {
        Postazione& p = postazioni[i];
        p.terminale = 21 + i;
        p.cartella = dir / ("postazione" + std::to_string(i + 1));
        std::filesystem::create_directories(p.cartella);
        std::ofstream(p.cartella / "Velaris.ini")
            << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << p.porta << "\n[Web]\nPort=0\n";
        // One after the other: each start-up rebuilds the terminals' state rows.
        p.server.start(kExe, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (p.cartella / "Velaris.ini").string(),
                              "--log-dir", p.cartella.string()});
        ASSERT_TRUE(p.server.waitFor("in servizio", 30s)) << p.server.output();
    }

    // Each terminal badges and types 30 (cents), over and over, without waiting for the
    // answers; then a staff card with no client of its own, which leaves a display row
    // once every read before it has been processed.
    const auto inizio = std::chrono::steady_clock::now();
    std::vector<std::thread> terminali;
    for (Postazione& p : postazioni)
        terminali.emplace_back([&p] {
            test::TerminaleHttp t(p.porta, p.terminale);
            ASSERT_TRUE(t.ok());
            ASSERT_TRUE(t.presenta());
            for (int n = 0; n < kDebitiPerTerminale; ++n) {
                t.leggi("0001234510");
                t.leggi("30");
            }
            t.leggi("IS0001");
        });
    for (auto& t : terminali) t.join();
    const std::string fatto = "SELECT Count(*) AS N FROM wTmp_DatiAccessi WHERE Codice_Tessera='IS0001'";
    test::eventually([&] { return unico(sql(db, fatto)) == "2"; }, 60s, 100ms);
    ASSERT_EQ(unico(sql(db, fatto)), "2");
    const double secondi = std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();

    const Money residuo = *Money::parse(unico(sql(db, "SELECT Importo-Importo_Usato+Importo_Omaggio AS R FROM "
                                                      "Gestione_MoneyCard WHERE Codice_Cliente='CL000010'")));
    const Money usato =
        *Money::parse(unico(sql(db, "SELECT Importo_Usato AS U FROM Gestione_MoneyCard WHERE Codice_Cliente='CL000010'")));
    const int movimenti = std::stoi(unico(sql(db, "SELECT Count(*) AS N FROM PN_Movimenti WHERE Tipologia=13")));
    const Money movimentato = *Money::parse(unico(sql(db, "SELECT Sum(Importo) AS S FROM PN_Movimenti WHERE Tipologia=13")));
    EXPECT_GE(residuo, Money());
    EXPECT_EQ(movimenti, 33);                  // as many 0.30 as 10.00 holds, and no more
    EXPECT_EQ(residuo, Money::fromCents(10));
    EXPECT_EQ(usato, movimentato);             // every cent taken has its movement row
    EXPECT_EQ(unico(sql(db, "SELECT Count(*) AS N FROM PN_Movimenti WHERE Tipologia=13 AND Importo<>0.3")), "0");
    std::cout << "[ figures  ] " << 2 * kDebitiPerTerminale << " debits of 0.30 against 10.00 from two servers in "
              << secondi << " s: " << movimenti << " applied (" << formatMoney(movimentato) << "), "
              << 2 * kDebitiPerTerminale - movimenti << " refused, residual " << formatMoney(residuo) << "\n";

    for (Postazione& p : postazioni) {
        EXPECT_EQ(p.server.stop(SIGTERM), 0) << p.server.output();
        std::ifstream in(p.cartella / "VelarisAccessi.log");
        const std::string log((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(log.find("Error:"), std::string::npos) << log;
    }
}
