// The real server on the demo centre with the simulator playing the pool-lanes terminal
// (a booked lane, a second badge, staff switching a lane on by number) and the courses
// room, where a member types her activity.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <fstream>

#include "harness/child_process.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;

namespace {

const std::string kServer = VELARIS_ACCESSI_EXE;
const std::string kSimulator = VELARIS_TERMINALE_EXE;

std::string oggiAlle(const char* ora) {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d ", &tm);
    return buf + std::string(ora);
}

}  // namespace

TEST(DemoPrenotazioniAttivita, LanesAndCoursesRoomAnswerTheSimulator) {
    test::TempDir dir;
    const std::string db = (dir / "demo.db").string();
    ASSERT_EQ(test::runCommand(kServer, {"database", "demo", db}).first, 0);
    const int port = test::freePort();
    std::ofstream(dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << port << "\n[Web]\nPort=0\n";
    ChildProcess server, sim;
    server.start(kServer, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (dir / "Velaris.ini").string(),
                           "--log-dir", dir.path().string(), "--clock", oggiAlle("10:00:00")});
    ASSERT_TRUE(server.waitFor("in servizio", 30s)) << server.output();

    sim.start(kSimulator, {"--kind", "3", "--server", "127.0.0.1:" + std::to_string(port), "--id", "8", "--id", "9",
                           "-c", "wait 2", "-c", "read 8 0001234501", "-c", "wait 3", "-c", "read 8 0001234501", "-c",
                           "wait 3", "-c", "read 8 0004512001", "-c", "wait 4", "-c", "read 8 2", "-c", "wait 3", "-c",
                           "read 9 0001234512", "-c", "wait 3", "-c", "read 9 99", "-c", "wait 4", "-c", "read 9 15",
                           "-c", "wait 4", "--linger", "2"});
    // Rossi's lane 1: switched on once.
    EXPECT_TRUE(sim.waitFor("8: screen=[CLS]OK REGOLARE|ATTIVAZIONE:|05", 20s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("8: relay1=5", 10s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("8: screen=[CLS]SEDUTA|GIA' ATTIVATA|", 10s)) << sim.output();
    // The instructor types lane 2.
    EXPECT_TRUE(sim.waitFor("|MACCHINA:_", 10s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("8: screen=[CLS]MACCHINA|ATTIVATA", 15s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("8: relay2=5", 10s)) << sim.output();
    // Lombardi types a wrong code, then the courses room.
    EXPECT_TRUE(sim.waitFor("|ATTIVITA\":______", 15s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("9: screen=[CLS]CODICE|ERRATO", 15s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("9: relay1=3", 15s)) << sim.output();
    EXPECT_TRUE(sim.waitFor("9: screen=[CLS]UTENTE|ABILITATO", 15s)) << sim.output();
    EXPECT_EQ(sim.wait(30s), 0) << sim.output();
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();

    auto query = [&](const std::string& sql) {
        auto [status, out] = test::runCommand(kServer, {"sql", "--database", db, sql});
        EXPECT_EQ(status, 0) << out;
        return out;
    };
    EXPECT_EQ(query("SELECT Codice, Cd_SubStruttura FROM Utilizzo_Manuale_Strutture"),
              "Codice\tCd_SubStruttura\nIS0001\t2\n");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Presenze WHERE Codice_Cliente='CL000001' AND IndTerminale=8"), "N\n1\n");
    EXPECT_EQ(query("SELECT Codice_Struttura FROM Presenze_Strutture WHERE Codice_Cliente='CL000012'"),
              "Codice_Struttura\nST005\n");
    std::ifstream in(dir / "VelarisAccessi.log");
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}
