// The simulator binary against the real NET92 and controller links and against tiny
// in-test servers for the push and record kinds, all on 127.0.0.1 with bounded waits.

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "terminals/ethercontrol/ether_ctrl_link.h"
#include "terminals/net92/net92_link.h"
#include "tools/simulator_process.h"

using namespace velaris;
using namespace std::chrono_literals;
using asio::ip::tcp;
using asio::ip::udp;

namespace {

struct TerminaleRun : ::testing::Test {
    test::TempDir dir;
    Clock clock;
    EventLog log{dir.path(), clock};
    EventLoop loop;
    // A loop that runs out of work stops, and a stopped loop no longer waits: keep it busy
    // as the server's timers do.
    asio::executor_work_guard<asio::io_context::executor_type> busy = asio::make_work_guard(loop.io());
};

// One accepted connection of an in-test server, with everything it received so far.
struct InTestServer {
    explicit InTestServer(EventLoop& l) : loop(l), acceptor(l.io(), tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
        acceptor.async_accept([this](const asio::error_code& e, tcp::socket s) {
            if (e) return;
            socket.emplace(std::move(s));
            read();
        });
    }
    unsigned short port() const { return acceptor.local_endpoint().port(); }
    bool waitFor(const std::string& text, std::chrono::milliseconds bound = 5s) {
        return loop.waitUntil([&] { return received.find(text) != std::string::npos; }, bound);
    }
    void send(const std::string& bytes) { asio::write(*socket, asio::buffer(bytes)); }
    void read() {
        socket->async_read_some(asio::buffer(rx), [this](const asio::error_code& e, std::size_t n) {
            if (e) return;
            received.append(rx.data(), n);
            read();
        });
    }
    EventLoop& loop;
    tcp::acceptor acceptor;
    std::optional<tcp::socket> socket;
    std::string received;
    std::array<char, 4096> rx{};
};

std::string httpResponse(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nServer: Microsoft-HTTPAPI/1.0\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nDate: gio, 07 mar 2024 10:30:00 GMT\r\n\r\n" + body;
}

}  // namespace

TEST_F(TerminaleRun, Net92GatewayAnswersProbesSendsReadsAndPrintsMessages) {
    const auto gatewayPort = test::freePort<udp>();
    test::SimulatorProcess sim(loop, {"--kind", "1", "--server", "127.0.0.1:" + std::to_string(gatewayPort), "--id", "5",
                                      "--linger", "0.2"});
    ASSERT_TRUE(sim.started());
    Net92Link link(loop, log, "127.0.0.1:" + std::to_string(gatewayPort));
    ASSERT_EQ(link.InitN92(2, 2, 10, 0), 1);

    // Probe until the simulator is up and answers, as start-up does for a terminal.
    const std::string kTemplate = std::string(255, '-') + '\0';
    std::string buffer = kTemplate;
    ASSERT_TRUE(loop.waitUntil(
        [&] {
            link.SendMsg(5, "%%");
            loop.yieldFor(100ms);
            return link.PollTerm(5, buffer) == 1;
        },
        5s));
    EXPECT_TRUE(sim.has("5: [PROBE]"));
    link.SendMsg(6, "%%");
    loop.yieldFor(200ms);
    EXPECT_EQ(link.PollTerm(6, buffer), 0) << "a terminal the simulator does not play stays silent";

    sim.write("read 5 12345");
    ASSERT_TRUE(loop.waitUntil([&] { return link.PollTerm(5, buffer) == 2; }, 5s));
    ASSERT_EQ(link.PollTerm(255, buffer), 3);
    EXPECT_EQ(Net92BufferAddress(buffer), 5);
    EXPECT_EQ(Net92BufferText(buffer), "12345 -X");

    const auto acked = link.stats().acked;
    link.SendMsg(5, "\fOK|ABILITÀ");
    link.SendMsg(5, std::string("%O1") + '\x05');
    EXPECT_TRUE(sim.waitForLine("5: [CLS]OK|ABILITÀ"));
    EXPECT_TRUE(sim.waitForLine("5: [RELAY 1 time 5]"));
    EXPECT_TRUE(loop.waitUntil([&] { return link.stats().acked == acked + 2; }, 5s)) << "both messages acknowledged";

    sim.closeInput();
    EXPECT_EQ(sim.exitStatus(5s), 0);
}

TEST_F(TerminaleRun, ControllerSendsMessagesAndAcknowledgesWhatItReceives) {
    const auto controllerPort = test::freePort<udp>();
    EtherCtrlLink link(loop, log, {"127.0.0.1", 0, controllerPort});
    std::vector<std::pair<std::string, int>> received;
    std::vector<int> acked;
    EtherCtrl::Events ev;
    ev.messageRecv = [&](const std::string& ip, const std::string& data, int, int address) {
        EXPECT_EQ(ip, "127.0.0.1");
        received.emplace_back(data, address);
    };
    ev.acknowledged = [&](const std::string&) { acked.push_back(link.AckAddress()); };
    link.setEvents(ev);
    ASSERT_EQ(link.StartService(), 0);

    test::SimulatorProcess sim(loop, {"--kind", "2", "--server", "127.0.0.1:" + std::to_string(link.localEndpoint()->port()),
                                      "--controller-port", std::to_string(controllerPort), "--id", "3@127.0.0.1",
                                      "--linger", "0.2"});
    sim.write("read 3 12345");
    sim.write("raw 3 A#1");
    ASSERT_TRUE(loop.waitUntil([&] { return received.size() == 2; }, 5s));
    EXPECT_EQ(received[0], (std::pair<std::string, int>{"A12345", 3}));
    EXPECT_EQ(received[1], (std::pair<std::string, int>{"A#1", 3}));

    const std::string text = "\fOK|ABILITATO";
    ASSERT_EQ(link.SendMessage("127.0.0.1", 3, text, static_cast<int>(text.size())), 0);
    EXPECT_TRUE(sim.waitForLine("3: [CLS]OK|ABILITATO"));
    ASSERT_TRUE(loop.waitUntil([&] { return !acked.empty(); }, 5s));
    EXPECT_EQ(acked[0], 3);

    sim.closeInput();
    EXPECT_EQ(sim.exitStatus(5s), 0);
}

TEST_F(TerminaleRun, PushTerminalKeepsAliveReadsAndPrintsUnsolicitedResponses) {
    InTestServer server(loop);
    test::SimulatorProcess sim(loop, {"--kind", "3", "--server", "127.0.0.1:" + std::to_string(server.port()), "--id", "1",
                                      "--keepalive", "30", "--linger", "0.2"});
    ASSERT_TRUE(server.waitFor("GET /keepalive?id=1 HTTP/1.1\r\n"));
    // The answer sets a one-second period: the next keepalive follows soon, not in 30 s.
    server.send(httpResponse("VELARIS Accessi\r\ndate=20240307\r\ntime=103000\r\nkeepaliveperiod=1\r\n"));
    server.received.clear();
    ASSERT_TRUE(server.waitFor("GET /keepalive?id=1 ", 4s));

    sim.write("read 1 CL0001");
    ASSERT_TRUE(server.waitFor("GET /online?trsn=0,0,0,0,CL0001&id=1& HTTP/1.1\r\n"));
    // The verdict and a queued message, the second unsolicited, in one write.
    server.send(httpResponse("VELARIS. Accessi\r\nbeep=1\r\nscreen=\x18\r\nrelay1=5\r\nkeepaliveperiod=5\r\n") +
                httpResponse("VELARIS. Accessi\r\nscreen=\fOK|ABILITATO\r\nkeepaliveperiod=5\r\n"));
    EXPECT_TRUE(sim.waitForLine("1: screen=[CLS]OK|ABILITATO"));
    const std::vector<std::string> expected{"1: beep=1", "1: screen=[CAN]", "1: relay1=5", "1: screen=[CLS]OK|ABILITATO"};
    EXPECT_EQ(sim.lines(), expected) << "keepalive answers print nothing";

    sim.write("quit");
    EXPECT_EQ(sim.exitStatus(5s), 0);
}

TEST_F(TerminaleRun, RecordTerminalSendsReadsAnswersTheProbeAndPrintsFrames) {
    InTestServer server(loop);
    const auto terminalPort = test::freePort<tcp>();
    test::SimulatorProcess sim(loop, {"--kind", "4", "--server", "127.0.0.1:" + std::to_string(server.port()), "--id",
                                      "1@127.0.0.1", "--terminal-port", std::to_string(terminalPort), "--linger", "0.2"});
    sim.write("read 1 305419896");
    ASSERT_TRUE(server.waitFor("\x02" "2M|01|H|0000000000|00|78563412|00" "\x03"));

    // The server's client link: one connection per frame; the terminal answers the probe
    // and hangs up once the server has said its piece.
    auto exchange = [&](const std::string& frame) {
        tcp::socket s(loop.io());
        EXPECT_TRUE(loop.waitUntil(
            [&] {
                asio::error_code ec;
                s.close(ec);
                s.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), terminalPort), ec);
                return !ec;
            },
            5s));
        asio::write(s, asio::buffer(frame));
        std::string answer;
        std::array<char, 256> buf;
        bool closed = false;
        s.non_blocking(true);
        loop.waitUntil(
            [&] {
                asio::error_code ec;
                const auto n = s.read_some(asio::buffer(buf), ec);
                if (!ec) answer.append(buf.data(), n);
                closed = ec && ec != asio::error::would_block;
                return closed;
            },
            3s);
        EXPECT_TRUE(closed) << "the terminal closes the connection";
        return answer;
    };
    const std::string answer = exchange("\x02" "17" "\x03");
    ASSERT_GE(answer.size(), 4u);
    EXPECT_EQ(answer.substr(0, 3), "\x02" "27");
    EXPECT_EQ(answer.back(), '\x03');
    EXPECT_TRUE(sim.waitForLine("1: [PROBE]"));

    EXPECT_EQ(exchange("\x02" "06|000255000|020|3|0005" "\x03"), "");
    EXPECT_TRUE(sim.waitForLine("1: [GO time 0005]"));
    EXPECT_EQ(exchange("S00000000"), "");
    EXPECT_TRUE(sim.waitForLine("1: [OUTPUTS S00000000]"));

    sim.closeInput();
    EXPECT_EQ(sim.exitStatus(5s), 0);
}

TEST_F(TerminaleRun, OneShotReadExitsOnItsOwn) {
    const auto controllerPort = test::freePort<udp>();
    EtherCtrlLink link(loop, log, {"127.0.0.1", 0, controllerPort});
    std::vector<std::string> received;
    EtherCtrl::Events ev;
    ev.messageRecv = [&](const std::string&, const std::string& data, int, int) { received.push_back(data); };
    link.setEvents(ev);
    ASSERT_EQ(link.StartService(), 0);
    test::SimulatorProcess sim(loop, {"--kind", "2", "--server", "127.0.0.1:" + std::to_string(link.localEndpoint()->port()),
                                      "--controller-port", std::to_string(controllerPort), "--id", "7", "--read", "CL0001",
                                      "--linger", "0.1"});
    EXPECT_EQ(sim.exitStatus(5s), 0);
    loop.waitUntil([&] { return !received.empty(); }, 2s);
    EXPECT_EQ(received, std::vector<std::string>{"ACL0001"});
}

TEST_F(TerminaleRun, UnusableSetUpIsAnErrorExit) {
    // The gateway port is taken: the simulator cannot play the gateway.
    udp::socket taken(loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    test::SimulatorProcess busy(loop, {"--kind", "1", "--server", "127.0.0.1:" + std::to_string(taken.local_endpoint().port()),
                                       "--id", "5"});
    EXPECT_EQ(busy.exitStatus(5s), 1);
    test::SimulatorProcess badId(loop, {"--kind", "1", "--id", "300"});
    EXPECT_EQ(badId.exitStatus(5s), 1);
    test::SimulatorProcess badSpec(loop, {"--kind", "3", "--id", "1@"});
    EXPECT_EQ(badSpec.exitStatus(5s), 2);
}
