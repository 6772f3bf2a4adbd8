// The simulator binary against the real NET92 link and a tiny in-test server, on 127.0.0.1
// with bounded waits: what the server-level turn tests of every link kind do not show (the
// gateway's acknowledgements, the keepalive period it adopts, one-shot runs, unusable
// set-ups).

#include <gtest/gtest.h>

#include "support/test_support.h"
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

// The server's link only counts the gateway's acknowledgements: nothing else would miss them.
TEST_F(TerminaleRun, Net92GatewayAnswersProbesOfItsTerminalsOnlyAndAcknowledgesMessages) {
    const auto gatewayPort =
        udp::socket(loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0)).local_endpoint().port();
    test::SimulatorProcess sim(loop, {"--kind", "1", "--server", "127.0.0.1:" + std::to_string(gatewayPort), "--id", "5",
                                      "--linger", "0.2"});
    ASSERT_TRUE(sim.started());
    Net92Link link(loop, log, "127.0.0.1:" + std::to_string(gatewayPort));
    ASSERT_EQ(link.InitN92(2, 2, 10, 0), 1);
    // Probe until the simulator is up and answers, as start-up does for a terminal.
    std::string buffer = std::string(255, '-') + '\0';
    ASSERT_TRUE(loop.waitUntil(
        [&] {
            link.SendMsg(5, "%%");
            loop.yieldFor(100ms);
            return link.PollTerm(5, buffer) == 1;
        },
        5s));
    link.SendMsg(6, "%%");
    loop.yieldFor(200ms);
    EXPECT_EQ(link.PollTerm(6, buffer), 0) << "a terminal the simulator does not play stays silent";

    const auto acked = link.stats().acked;
    link.SendMsg(5, "\fOK|ABILITÀ");
    EXPECT_TRUE(sim.waitForLine("5: [CLS]OK|ABILITÀ"));
    EXPECT_TRUE(loop.waitUntil([&] { return link.stats().acked == acked + 1; }, 5s)) << "the message acknowledged";
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

TEST_F(TerminaleRun, OneShotReadExitsOnItsOwn) {
    InTestServer server(loop);
    test::SimulatorProcess sim(loop, {"--kind", "3", "--server", "127.0.0.1:" + std::to_string(server.port()), "--id", "7",
                                      "--read", "CL0001", "--linger", "0.1"});
    EXPECT_TRUE(server.waitFor("GET /online?trsn=0,0,0,0,CL0001&id=7& HTTP/1.1\r\n"));
    EXPECT_EQ(sim.exitStatus(5s), 0);
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
