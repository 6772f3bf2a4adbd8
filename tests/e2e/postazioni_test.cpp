// Two workstations, two server processes with their own terminals, on one embedded
// database: every admission is recorded once with its own presence number, no lock row
// stays behind, and neither server's rows carry the other's reads.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iostream>
#include <thread>

#include "base/clock.h"
#include "database_cli.h"
#include "harness/child_process.h"
#include "support/terminale_http.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;

namespace {

const std::string kExe = VELARIS_ACCESSI_EXE;
constexpr int kLetturePerPostazione = 500;

std::string sql(const std::string& db, const std::string& statement) { return test::sqlCli(db, statement); }
using test::unico;

int numero(const std::string& db, const std::string& statement) { return std::stoi(unico(sql(db, statement))); }

}  // namespace

TEST(Postazioni, TwoServersOnOneDatabaseRecordEveryAdmissionOnce) {
    test::TempDir dir;
    const std::string db = (dir / "centro.db").string();
    ASSERT_EQ(test::runCommand(kExe, {"database", "demo", db}).first, 0);

    // Each workstation drives its own main entrance; the demo's members CL000001 and
    // CL000002 enter there as often as they like, CL000005 too but only in the morning:
    // both clocks start at 10:00 today, whatever the hour the test runs.
    struct Postazione {
        const char* nome;
        int terminale;
        std::vector<std::string> codici;
        int porta = test::freePort();
        std::filesystem::path cartella = {};
        ChildProcess server = {};
    };
    Postazione postazioni[2] = {{"POSTAZIONE_A", 31, {"0001234501", "0001234502"}},
                                {"POSTAZIONE_B", 32, {"0001234505"}}};
    for (Postazione& p : postazioni) {
        const std::string t = std::to_string(p.terminale);
        sql(db, "INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Stop, Vai, "
                "TempoStop, TempoVai, NReleStop, NReleVai, Intervallo_Presenze, Postazione) VALUES (" + t + ", " + t +
                    ", 'INGRESSO " + p.nome + "', -1, '127.0.0." + t + "', 6, 0, -1, -1, 1, 3, 1, 1, 0, '" + p.nome + "')");
    }
    const int prima = numero(db, "SELECT Count(*) AS N FROM Presenze");
    const std::string alle10 = Clock::systemNow().datePart().addSeconds(10 * 3600).canonical();
    for (Postazione& p : postazioni) {
        p.cartella = dir / p.nome;
        std::filesystem::create_directories(p.cartella);
        std::ofstream(p.cartella / "Velaris.ini")
            << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << p.porta << "\n[Web]\nPort=0\n";
        p.server.start(kExe, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (p.cartella / "Velaris.ini").string(),
                              "--log-dir", p.cartella.string(), "--workstation", p.nome, "--clock", alle10});
        ASSERT_TRUE(p.server.waitFor("in servizio", 30s)) << p.server.output();
    }

    // Both entrances read at the same time, each waiting for its gate before the next card.
    const auto inizio = std::chrono::steady_clock::now();
    std::vector<std::thread> terminali;
    int aperture[2] = {0, 0};
    for (int i = 0; i < 2; ++i)
        terminali.emplace_back([&, i] {
            Postazione& p = postazioni[i];
            test::TerminaleHttp t(p.porta, p.terminale);
            ASSERT_TRUE(t.ok());
            ASSERT_TRUE(t.presenta());
            for (int n = 0; n < kLetturePerPostazione; ++n) {
                t.leggi(p.codici[n % p.codici.size()]);
                if (!t.attendi("relay1=", 10s)) break;  // the counts below say what went wrong
                ++aperture[i];
            }
        });
    for (auto& t : terminali) t.join();
    const double secondi = std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();
    for (Postazione& p : postazioni) EXPECT_EQ(p.server.stop(SIGTERM), 0) << p.server.output();

    EXPECT_EQ(aperture[0], kLetturePerPostazione);
    EXPECT_EQ(aperture[1], kLetturePerPostazione);
    EXPECT_EQ(numero(db, "SELECT Count(*) AS N FROM Presenze") - prima, 2 * kLetturePerPostazione);
    EXPECT_EQ(numero(db, "SELECT Count(*) - Count(DISTINCT ID_Presenza) AS N FROM Presenze"), 0);
    EXPECT_EQ(numero(db, "SELECT Count(*) AS N FROM Semafori"), 0);
    // Each entrance's rows are its own workstation's reads.
    EXPECT_EQ(numero(db, "SELECT Count(*) AS N FROM Presenze WHERE IndTerminale=31 AND Codice_Cliente NOT IN "
                         "('CL000001', 'CL000002')"), 0);
    EXPECT_EQ(numero(db, "SELECT Count(*) AS N FROM Presenze WHERE IndTerminale=32 AND Codice_Cliente<>'CL000005'"), 0);
    EXPECT_EQ(numero(db, "SELECT Count(*) AS N FROM wTmp_DatiAccessi WHERE Terminale=32 AND Codice<>'CL000005'"), 0);
    std::cout << "[ figures  ] " << 2 * kLetturePerPostazione << " admissions over two servers in " << secondi
              << " s (" << 2 * kLetturePerPostazione / secondi << " a second)\n";

    for (Postazione& p : postazioni) {
        std::ifstream in(p.cartella / "VelarisAccessi.log");
        const std::string log((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(log.find("Error:"), std::string::npos) << log.substr(0, 4000);
        EXPECT_EQ(log.find("locked"), std::string::npos);
    }
}
