// The real server on the demo centre with the simulator playing two terminals, on each
// link kind: a read that arrives while another terminal's read waits is answered after it
// and keeps its own answers, rows and receipt; hostile codes are answered and never reach
// a statement; at shutdown every farewell text arrives. The simulator plays the gateway,
// the controller and the terminals of each kind.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "harness/child_process.h"
#include "support/test_support.h"
#include "tools/simulator_process.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;

namespace {

const std::string kServer = VELARIS_ACCESSI_EXE;

// Codes of two demo members admitted at the pool (ST002): ROSSI MARIO and BIANCHI GIULIA.
const std::string kCodiceA = "0001234501", kCodiceB = "0001234502";

struct Turns : ::testing::TestWithParam<int> {
    test::TempDir dir;
    std::string db = (dir / "demo.db").string();
    int port = test::freePort();
    int terminalPort = test::freePort();
    EventLoop loop;
    ChildProcess server;
    std::unique_ptr<test::SimulatorProcess> sim;

    int kind() const { return GetParam(); }

    std::string sql(const std::string& statement) {
        auto [status, out] = test::runCommand(kServer, {"sql", "--database", db, statement});
        EXPECT_EQ(status, 0) << statement << "\n" << out;
        return out;
    }
    // The demo centre with terminals 1 and 2 of model `tipo` at the pool, printing receipts.
    void centro(int tipo) {
        ASSERT_EQ(test::runCommand(kServer, {"database", "demo", db}).first, 0);
        // Kind 4 tells its terminals apart by their addresses; kind 2 reaches both through
        // one controller that is not the server's own address.
        const std::string ip1 = kind() == 4 ? "127.0.0.1" : "127.0.0.2";
        sql("UPDATE Dettaglio_Terminali SET Attivo=0 WHERE Indirizzo=3");
        sql("UPDATE Dettaglio_Terminali SET Tipo=" + std::to_string(tipo) +
            ", Stampa_Scontrino=-1, Codice_Struttura='ST002', Indirizzo_IP='127.0.0.2' WHERE Indirizzo IN (1,2)");
        sql("UPDATE Dettaglio_Terminali SET Indirizzo_IP='" + ip1 + "' WHERE Indirizzo=1");
    }
    void avvia() {
        const std::string at = "127.0.0.1:" + std::to_string(port);
        std::vector<std::string> args{"-v", "--kind", std::to_string(kind()), "--server", at};
        std::string comm = "Dispositivo=" + std::to_string(kind()) + "\nListen_Address=127.0.0.1\n";
        switch (kind()) {
            case 1:
                args.insert(args.end(), {"--id", "1", "--id", "2"});
                comm += "Net92_Device=" + at + "\n";
                break;
            case 2:
                args.insert(args.end(), {"--controller-port", std::to_string(port), "--id", "1@127.0.0.2", "--id",
                                         "2@127.0.0.2"});
                comm += "Controller_Port=" + std::to_string(port) + "\n";
                break;
            case 3:
                args.insert(args.end(), {"--id", "1", "--id", "2"});
                comm += "Http_Port=" + std::to_string(port) + "\n";
                break;
            default:
                args.insert(args.end(), {"--terminal-port", std::to_string(terminalPort), "--id", "1@127.0.0.1", "--id",
                                         "2@127.0.0.2"});
                comm += "Tcp_Port=" + std::to_string(port) + "\nTerminal_Port=" + std::to_string(terminalPort) + "\n";
                break;
        }
        sim = std::make_unique<test::SimulatorProcess>(loop, args);
        ASSERT_TRUE(sim->started());
        loop.yieldFor(500ms);  // the simulator's sockets are bound before the server probes them
        std::ofstream(dir / "Velaris.ini") << "[Comm]\n" << comm << "[Web]\nPort=0\n";
        server.start(kServer, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (dir / "Velaris.ini").string(),
                               "--log-dir", dir.path().string()});
        ASSERT_TRUE(server.waitFor("in servizio", 30s)) << server.output();
        if (kind() == 3) {
            // The push terminals connect on their own; they are served once they have said who they are.
            ASSERT_TRUE(loop.waitUntil([&] { return log().find(" - Load: 2") != std::string::npos; }, 10s)) << log();
            loop.yieldFor(500ms);
        }
    }
    std::string log() const {
        std::ifstream in(dir / "VelarisAccessi.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Index of the first simulator line that begins with `start` and contains `text`, -1 if none.
    int riga(const std::string& start, const std::string& text) const {
        const auto& l = sim->lines();
        for (size_t i = 0; i < l.size(); ++i)
            if (l[i].rfind(start, 0) == 0 && l[i].find(text) != std::string::npos) return static_cast<int>(i);
        return -1;
    }
    int attendi(const std::string& start, const std::string& text = "", std::chrono::milliseconds bound = 20s) {
        loop.waitUntil([&] { return riga(start, text) >= 0; }, bound);
        return riga(start, text);
    }
    std::string output() const {
        std::string all;
        for (const auto& l : sim->lines()) all += l + "\n";
        return all;
    }
    void ferma() {
        // The server's output pipe and the simulator's are read while the server ends.
        EXPECT_EQ(server.stop(SIGTERM, 20s), 0) << server.output();
    }
};

std::string nomeRiga(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

TEST_P(Turns, AReadDuringAnotherTerminalsWaitIsAnsweredAfterItWithItsOwnContext) {
    // Type 5 answers through the client link (kind 4), type 6 on its HTTP connection
    // (kind 3); the others are keypad terminals.
    ASSERT_NO_FATAL_FAILURE(centro(kind() == 4 ? 5 : kind() == 3 ? 6 : 1));
    ASSERT_NO_FATAL_FAILURE(avvia());
    sim->write("read 1 " + kCodiceA);
    // B reads once A's gate has opened, while A's read waits: in the pauses between the
    // receipt lines that follow, or, on kind 4, while A's first receipt line waits for the
    // client connection of A's relay command. The controller's answers all go through
    // the queue: there B reads just after A.
    if (kind() == 2) {
        sim->write("wait 0.3");
    } else {
        const char* relay = kind() == 1 ? "1: [RELAY" : kind() == 3 ? "1: relay1=" : "1: [GO";
        ASSERT_GE(attendi(relay), 0) << output();
    }
    sim->write("read 2 " + kCodiceB);
    ASSERT_GE(attendi("2: ", "@P1", 40s), 0) << output() << server.output();

    // Each receipt printed whole at its own terminal, A's before B's began.
    const int nameA = riga("1: ", nomeRiga("ROSSI MARIO")), nameB = riga("2: ", nomeRiga("BIANCHI GIULIA"));
    EXPECT_GE(nameA, 0) << output();
    EXPECT_GE(nameB, 0) << output();
    EXPECT_LT(riga("2: ", nomeRiga("ROSSI MARIO")), 0) << output();
    EXPECT_LT(riga("1: ", nomeRiga("BIANCHI GIULIA")), 0) << output();
    if (kind() != 2) {
        EXPECT_LT(riga("1: ", "@P1"), riga("2: ", "[PRINT]")) << output();
    }
    if (kind() == 4) {
        EXPECT_GE(riga("2: [GO", ""), 0) << output();  // A's relay went to A, B's to B
        EXPECT_LT(riga("1: [GO", ""), riga("2: [GO", "")) << output();
    }
    ferma();

    // The rows of each read carry its own terminal and card, in the order of the reads.
    EXPECT_EQ(sql("SELECT Codice_Cliente, IndTerminale, Codice_Tessera FROM Presenze "
                  "WHERE Codice_Cliente IN ('CL000001','CL000002') ORDER BY ID_Presenza"),
              "Codice_Cliente\tIndTerminale\tCodice_Tessera\nCL000001\t1\t" + kCodiceA + "\nCL000002\t2\t" + kCodiceB +
                  "\n");
    EXPECT_EQ(sql("SELECT Codice_Cliente, IndTerminale FROM Log_Terminali_Presenze ORDER BY ID"),
              "Codice_Cliente\tIndTerminale\nCL000001\t1\nCL000002\t2\n");
    EXPECT_EQ(sql("SELECT Indirizzo, Codice_Cliente FROM Stato_Terminali WHERE Indirizzo IN (1,2) AND Messaggio IS NULL "
                  "ORDER BY Indirizzo"),
              "Indirizzo\tCodice_Cliente\n1\tCL000001\n2\tCL000002\n");
}

TEST_P(Turns, HostileCodesNeverReachAStatementAndEveryFarewellReachesEveryTerminal) {
    ASSERT_NO_FATAL_FAILURE(centro(1));
    ASSERT_NO_FATAL_FAILURE(avvia());
    // Both terminals are served (on kind 3 once their connections have said who they are).
    ASSERT_GE(attendi("1: ", "CODICE:"), 0) << output();
    ASSERT_GE(attendi("2: ", "CODICE:"), 0) << output();
    const std::string lungo(4000, '9');
    // Kind 4 frames carry numbers only: its hostile input is a broken frame.
    if (kind() != 4)
        for (const std::string& codice : {std::string("99'77"), std::string("1--2"), std::string("X';DELETE_FROM_Presenze;--"),
                                          std::string("caff\xc3\xa8"), lungo})
            sim->write("read 1 " + codice);
    switch (kind()) {
        case 1: sim->write("raw 1 AX\\x00Y';--\\xff -X"); break;
        case 2: sim->write("raw 1 AX\\x00Y';--\\xff"); break;
        case 3: sim->write("raw 1 GET /online?trsn=1,20240307,103000,0,X%00Y%27--%FF&id=1& HTTP/1.1\\r\\n\\r\\n"); break;
        default:
            sim->write("raw 1 \\x022M|01|H|0000000000|00|ZZ';--\\xff|00\\x03");
            sim->write("raw 1 \\x02" + lungo + "\\x03");
    }
    // The member after them is served as ever: everything before was answered in turn.
    sim->write("read 1 " + kCodiceA);
    ASSERT_GE(attendi("1: ", "ROSSI", 60s), 0) << output() << server.output();
    ferma();
    // Every farewell text reaches every terminal before the link closes.
    for (const char* t : {"1: ", "2: "}) {
        const int off = attendi(t, "%BxK0", 5s);
        EXPECT_GE(off, 0) << output();
        EXPECT_GT(attendi(t, "[CLS]TERMINALE |DISABILITATO", 5s), off) << output();
    }

    EXPECT_EQ(sql("SELECT Count(*) AS N FROM Presenze WHERE Codice_Cliente='CL000001' AND IndTerminale=1"), "N\n1\n");
    EXPECT_EQ(sql("SELECT Count(*) AS N FROM Anagrafica_Clienti WHERE Codice_Cliente='CL000001'"), "N\n1\n");
    const std::string testo = log();
    for (const char c : testo)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\r' || c == '\n') << static_cast<int>(c) << "\n" << testo;
    EXPECT_EQ(testo.find("syntax"), std::string::npos) << testo;
    EXPECT_EQ(testo.find("unrecognized token"), std::string::npos) << testo;
}

INSTANTIATE_TEST_SUITE_P(LinkKinds, Turns, ::testing::Values(1, 2, 3, 4),
                         [](const auto& info) { return "Link" + std::to_string(info.param); });
