// The simulator binary against a tiny in-test server on 127.0.0.1, with bounded waits: what
// the server-level tests of every link kind do not show (the keepalive period it adopts,
// one-shot runs, unusable set-ups). Each link kind's exchanges with the real server are
// shown by the server-level turn tests.

#include <gtest/gtest.h>

#include "tools/simulator_process.h"

using namespace velaris;
using namespace std::chrono_literals;
using asio::ip::tcp;
using asio::ip::udp;

namespace {

struct TerminaleRun : ::testing::Test {
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
