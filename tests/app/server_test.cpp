// The real server, started as a process on an embedded database: how it starts, where it
// takes its connection string from, and its event log under logrotate. What it does with
// the terminals of each link kind is shown by the simulator's turn tests and the
// end-to-end tests.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include <thread>

#include "harness/child_process.h"
#include "support/loopback_client.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;
using velaris::test::eventually;

namespace {

const std::string kExe = VELARIS_ACCESSI_EXE;

using Tcp = velaris::test::LoopbackClient;

struct Server : ::testing::Test {
    test::TempDir dir;
    std::string db = (dir / "centro.db").string();
    int httpPort = test::freePort();
    ChildProcess server;

    void SetUp() override {
        auto [status, out] = test::runCommand(kExe, {"database", "create", db});
        ASSERT_EQ(status, 0) << out;
        std::ofstream(dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << httpPort
                                           << "\n[Web]\nPort=0\n";
    }
    // Runs the server with `args` until it ends (it must fail); what it printed.
    std::string fails(const std::vector<std::string>& args) {
        ChildProcess p;
        p.start(kExe, args);
        EXPECT_NE(p.wait(10s), 0);
        return p.output();
    }
    std::string missingDb() const { return "Provider=SQLite;Data Source=" + (dir / "missing.db").string() + ";1"; }
    std::string log() {
        std::ifstream in(dir / "VelarisAccessi.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

std::string get(const std::string& path) { return "GET " + path + " HTTP/1.1\r\nHost: velaris\r\n\r\n"; }

}  // namespace

TEST_F(Server, StartUpFailuresEndTheProcessWithAReason) {
    const std::string logDir = dir.path().string();
    EXPECT_NE(fails({"--log-dir", logDir}).find("Impossibile avviare il controllo accessi"), std::string::npos);
    EXPECT_NE(fails({missingDb(), "--log-dir", logDir}).find("Errore nell'avvio del controllo accessi"),
              std::string::npos);
    EXPECT_NE(fails({"Provider=SQLite;Data Source=" + db + ";0", "--config", (dir / "Velaris.ini").string(), "--log-dir",
                     logDir})
                  .find("Nessun terminale trovato"),
              std::string::npos);
}

// The service's way: no password on the command line, the connection string in the
// environment (an argument given still wins over it). Under the running server logrotate
// moves the event log away and sends SIGHUP.
TEST_F(Server, TheConnectionStringMayComeFromTheEnvironmentAndTheEventLogRotates) {
    auto [status, out] = test::runCommand(kExe, {"sql", "--database", db, "INSERT INTO Dettaglio_Terminali "
                                                 "(Indirizzo, Attivo, Tipo, Indirizzo_IP) VALUES (1, -1, 6, '127.0.0.1')"});
    ASSERT_EQ(status, 0) << out;
    ::setenv("VELARIS_CONNECTION", ("Provider=SQLite;Data Source=" + db + ";0").c_str(), 1);
    server.start(kExe, {"--config", (dir / "Velaris.ini").string(), "--log-dir", dir.path().string()});
    fails({missingDb(), "--log-dir", dir.path().string()});
    ::unsetenv("VELARIS_CONNECTION");
    ASSERT_TRUE(server.waitFor("in servizio", 30s)) << server.output();
    {
        Tcp t(httpPort);
        t.send(get("/keepalive?id=1"));
        t.readUntil("keepaliveperiod", 5s);
    }
    eventually([&] { return log().find("Close: 1") != std::string::npos; });

    std::filesystem::rename(dir / "VelarisAccessi.log", dir / "VelarisAccessi.log.1");
    ASSERT_EQ(kill(server.pid(), SIGHUP), 0);
    std::this_thread::sleep_for(300ms);
    {
        Tcp t(httpPort);
        t.send(get("/keepalive?id=1"));
        EXPECT_NE(t.readUntil("keepaliveperiod", 5s).find("200 OK"), std::string::npos) << "SIGHUP ends nothing";
    }
    eventually([&] { return log().find("Load: ") != std::string::npos; });
    EXPECT_NE(log().find(" - Load: 1\r\n"), std::string::npos) << log();
    std::ifstream old(dir / "VelarisAccessi.log.1");
    const std::string before(std::istreambuf_iterator<char>(old), {});
    EXPECT_NE(before.find(" - Close: 1\r\n"), std::string::npos) << before;
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
}
