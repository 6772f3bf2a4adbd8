// The real server on the NET92 and controller links, with the simulator playing the
// gateway and the controller on loopback.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

#include "harness/child_process.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;

namespace {

const std::string kServer = VELARIS_ACCESSI_EXE;
const std::string kSimulator = VELARIS_TERMINALE_EXE;

struct ServerLinks : ::testing::Test {
    test::TempDir dir;
    std::string db = (dir / "centro.db").string();

    void SetUp() override {
        ASSERT_EQ(test::runCommand(kServer, {"database", "create", db}).first, 0);
    }
    void terminal(const std::string& ip) {
        auto [status, out] = test::runCommand(
            kServer, {"sql", "--database", db,
                      "INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP, Attivato_Operatore, "
                      "Codice_Attivazione) VALUES (1, -1, 1, '" + ip + "', -1, '9999')"});
        ASSERT_EQ(status, 0) << out;
    }
    void startServer(ChildProcess& server, const std::string& comm) {
        std::ofstream(dir / "Velaris.ini") << "[Comm]\n" << comm << "\n[Web]\nPort=0\n";
        server.start(kServer, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (dir / "Velaris.ini").string(),
                               "--log-dir", dir.path().string()});
    }
};

}  // namespace

TEST_F(ServerLinks, Net92TerminalIsProbedAnsweredAndSaidGoodbye) {
    terminal("");
    const int gateway = test::freePort();
    ChildProcess sim, server;
    sim.start(kSimulator, {"--kind", "1", "--server", "127.0.0.1:" + std::to_string(gateway), "--id", "1", "-c",
                           "read 1 1234", "-c", "wait 6", "--linger", "4"});
    std::this_thread::sleep_for(300ms);  // the gateway must be bound before the server probes
    startServer(server, "Dispositivo=1\nNet92_Device=127.0.0.1:" + std::to_string(gateway) + "\n");
    ASSERT_TRUE(server.waitFor("in servizio", 20s)) << server.output();
    // A wrong unlock code: the terminal shows the refusal at once.
    EXPECT_TRUE(sim.waitFor("CODICE ERRATO", 10s)) << sim.output();
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    EXPECT_TRUE(sim.waitFor("DISABILITATO", 5s)) << sim.output();
    sim.wait(15s);
}

TEST_F(ServerLinks, ControllerTerminalGetsItsMessagesThroughTheQueue) {
    terminal("127.0.0.2");
    const int port = test::freePort();
    ChildProcess sim, server;
    sim.start(kSimulator, {"--kind", "2", "--server", "127.0.0.1:" + std::to_string(port), "--controller-port",
                           std::to_string(port), "--id", "1@127.0.0.2", "-c", "wait 3", "-c", "read 1 1234", "-c",
                           "wait 8", "--linger", "2"});
    startServer(server, "Dispositivo=2\nListen_Address=127.0.0.1\nController_Port=" + std::to_string(port) + "\n");
    ASSERT_TRUE(server.waitFor("in servizio", 20s)) << server.output();
    EXPECT_TRUE(sim.waitFor("[PROBE]", 10s)) << sim.output();  // the start-up probe came through the queue
    EXPECT_TRUE(sim.waitFor("CODICE ERRATO", 15s)) << sim.output();
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    sim.wait(20s);
}
