// The real server, started as a process on an embedded database and driven on loopback.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
    }
    void sql(const std::string& statement) {
        auto [status, out] = test::runCommand(kExe, {"sql", "--database", db, statement});
        ASSERT_EQ(status, 0) << statement << "\n" << out;
    }
    std::string query(const std::string& statement) {
        auto [status, out] = test::runCommand(kExe, {"sql", "--database", db, statement});
        EXPECT_EQ(status, 0) << out;
        return out;
    }
    void config(const std::string& comm) {
        std::ofstream(dir / "Velaris.ini") << "[Comm]\n" << comm << "\n[Web]\nPort=0\n";
    }
    void start(const std::string& option = ";0") {
        server.start(kExe, {"Provider=SQLite;Data Source=" + db + option, "--config", (dir / "Velaris.ini").string(),
                            "--log-dir", dir.path().string(), "--clock", "2024-03-07 10:30:00"});
    }
    std::string log() {
        std::ifstream in(dir / "VelarisAccessi.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

std::string get(const std::string& path) { return "GET " + path + " HTTP/1.1\r\nHost: velaris\r\n\r\n"; }

}  // namespace

TEST_F(Server, StartUpFailuresEndTheProcessWithAReason) {
    {
        ChildProcess p;
        p.start(kExe, {"--log-dir", dir.path().string()});
        EXPECT_NE(p.wait(10s), 0);
        EXPECT_NE(p.output().find("Impossibile avviare il controllo accessi"), std::string::npos);
    }
    {
        ChildProcess p;
        p.start(kExe, {"Provider=SQLite;Data Source=" + (dir / "missing.db").string() + ";1", "--log-dir",
                       dir.path().string()});
        EXPECT_NE(p.wait(10s), 0);
        EXPECT_NE(p.output().find("Errore nell'avvio del controllo accessi"), std::string::npos);
    }
    config("Dispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" + std::to_string(httpPort) + "\n");
    start();
    EXPECT_NE(server.wait(10s), 0);
    EXPECT_NE(server.output().find("Nessun terminale trovato"), std::string::npos);
}

// The service's way: no password on the command line, the connection string in the
// environment; an argument given still wins over it.
TEST_F(Server, TheConnectionStringMayComeFromTheEnvironment) {
    config("Dispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" + std::to_string(httpPort) + "\n");
    sql("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP) VALUES (1, -1, 6, '127.0.0.1')");
    ::setenv("VELARIS_CONNECTION", ("Provider=SQLite;Data Source=" + db + ";0").c_str(), 1);
    server.start(kExe, {"--config", (dir / "Velaris.ini").string(), "--log-dir", dir.path().string()});
    {
        ChildProcess p;
        p.start(kExe, {"Provider=SQLite;Data Source=" + (dir / "missing.db").string() + ";1", "--log-dir",
                       dir.path().string()});
        EXPECT_NE(p.wait(10s), 0);
    }
    ::unsetenv("VELARIS_CONNECTION");
    ASSERT_TRUE(server.waitFor("in servizio", 30s)) << server.output();
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
}

TEST_F(Server, HttpPushKeepaliveQueueInjectedRowsAndShutdown) {
    sql("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP) VALUES (1, -1, 6, '127.0.0.1'), "
        "(2, -1, 6, '127.0.0.1')");
    config("Dispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" + std::to_string(httpPort) + "\n");
    start();
    ASSERT_TRUE(server.waitFor("in servizio", 20s)) << server.output();
    EXPECT_NE(query("SELECT Indirizzo, Stato FROM Stato_Terminali ORDER BY Indirizzo").find("1\t2\n2\t2\n"),
              std::string::npos);

    Tcp t(httpPort);
    ASSERT_TRUE(t.ok());
    // A request split over two writes is answered once it is complete.
    t.send("GET /keepalive?id=1&x=y HTTP/1.1\r\n");
    t.send("Host: velaris\r\n\r\n");
    std::string reply = t.readUntil("keepaliveperiod=5\r\n", 5s);
    ASSERT_EQ(reply.rfind("HTTP/1.1 200 OK\r\nServer: Microsoft-HTTPAPI/1.0\r\nContent-Type: text/plain\r\n", 0), 0u)
        << reply;
    const std::string body = reply.substr(reply.find("\r\n\r\n") + 4);
    EXPECT_EQ(body, "VELARIS Accessi\r\ndate=20240307\r\ntime=" + body.substr(body.find("time=") + 5, 6) +
                        "\r\nkeepaliveperiod=5\r\n");
    EXPECT_NE(reply.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    t.clear();

    // Another program queues a message for terminal 1: it arrives on its connection.
    sql("INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Ora_Invio) VALUES (1, 'BENVENUTI', '1900-01-01 00:00:00')");
    EXPECT_NE(t.readUntil("screen=BENVENUTI", 5s).find("screen=BENVENUTI"), std::string::npos);
    // The sent row is deleted at the end of the pass, a moment after the write.
    const std::string pending = "SELECT Count(*) AS N FROM Stato_Terminali WHERE Messaggio IS NOT NULL AND Stato IS NULL";
    EXPECT_TRUE(eventually([&] { return query(pending) == "N\n0\n"; })) << query(pending);

    // Injected inbound rows are processed and deleted, a blank one too (with a log line).
    sql("INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Stato) VALUES (1, '', 500), (2, 'CL0001', 500)");
    EXPECT_TRUE(eventually([&] { return query("SELECT Count(*) AS N FROM Stato_Terminali WHERE Stato=500") == "N\n0\n"; }));

    // Garbage and an /online without a usable id crash nothing.
    {
        Tcp g(httpPort);
        g.send(std::string("\x00\xff\x01garbage\r\n\r\n", 14));
        g.send(get("/online?trsn=0,0,0,0,CL1&id=abc&"));
    }
    Tcp again(httpPort);
    again.send(get("/keepalive?id=2"));
    EXPECT_NE(again.readUntil("keepaliveperiod", 5s).find("200 OK"), std::string::npos);

    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    const std::string l = log();
    EXPECT_NE(l.find(" - Load: 1"), std::string::npos) << l;
    EXPECT_NE(l.find("deleted"), std::string::npos) << l;
}

TEST_F(Server, TcpRecordsAndTheClientLinkToTheTerminal) {
    // The test plays terminal 1 (type 1, locked by an operator code) on its own port.
    const int terminalPort = test::freePort();
    const int tcpPort = test::freePort();
    const int ls = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(ls, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(terminalPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(ls, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    listen(ls, 8);
    auto acceptOne = [&](std::chrono::milliseconds timeout) -> int {
        pollfd p{ls, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return -1;
        return accept(ls, nullptr, nullptr);
    };

    sql("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP, Attivato_Operatore, "
        "Codice_Attivazione) VALUES (1, -1, 1, '127.0.0.1', -1, '9999')");
    config("Dispositivo=4\nListen_Address=127.0.0.1\nTcp_Port=" + std::to_string(tcpPort) +
           "\nTerminal_Port=" + std::to_string(terminalPort) + "\n");
    start();

    // Start-up probes the terminal with STX "17" ETX; it answers STX "27" ETX.
    const int probe = acceptOne(10s);
    ASSERT_GE(probe, 0);
    {
        Tcp p(probe, true);
        EXPECT_EQ(p.readUntil("\x03", 5s), std::string("\x02" "17" "\x03"));
        p.send(std::string("\x02" "27" "\x03"));
        ASSERT_TRUE(server.waitFor("in servizio", 20s)) << server.output();
    }
    // The idle prompt queued at start-up comes over the client link, one connection per message.
    std::string received;
    for (int i = 0; i < 3 && received.find("SBLOCCO") == std::string::npos; ++i) {
        const int c = acceptOne(5s);
        if (c < 0) break;
        Tcp m(c, true);
        received += m.readUntil("\x7f", 500ms);
    }
    EXPECT_NE(received.find("|SBLOCCO:____"), std::string::npos) << received;

    // A card read as an "H" record: 78563412 is the code 0305419896, a wrong unlock code.
    Tcp reader(tcpPort);
    ASSERT_TRUE(reader.ok());
    reader.send(std::string("\x02" "2M|01|H|x|x|78563412|x" "\x03"));
    received.clear();
    for (int i = 0; i < 4 && received.find("CODICE ERRATO") == std::string::npos; ++i) {
        const int c = acceptOne(5s);
        if (c < 0) break;
        Tcp m(c, true);
        received += m.readUntil("\x7f", 500ms);
    }
    EXPECT_NE(received.find("\fCODICE ERRATO"), std::string::npos) << received;
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    close(ls);
}

TEST_F(Server, TheEventLogRotatesUnderTheRunningServer) {
    sql("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP) VALUES (1, -1, 6, '127.0.0.1')");
    config("Dispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" + std::to_string(httpPort) + "\n");
    start();
    ASSERT_TRUE(server.waitFor("in servizio", 20s)) << server.output();
    {
        Tcp t(httpPort);
        t.send(get("/keepalive?id=1"));
        t.readUntil("keepaliveperiod", 5s);
    }
    eventually([&] { return log().find("Close: 1") != std::string::npos; });

    // What logrotate does: move the file away, then SIGHUP.
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
