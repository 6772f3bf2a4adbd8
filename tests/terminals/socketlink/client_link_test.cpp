#include <gtest/gtest.h>

#include "terminals/socketlink/client_link.h"
#include "terminals/socketlink/socket_peer.h"

using namespace velaris;
using namespace velaris::test;

namespace {

const std::string STX = "\x02", ETX = "\x03";

// A terminal on the far end: keeps every connection and what came on it; answers with
// `answer` after the first bytes; hangs up after answering when `closeAfter`.
struct FakeTerminal {
    explicit FakeTerminal(EventLoop& loop) : loop(loop), acceptor(loop.io(), {asio::ip::make_address("127.0.0.1"), 0}) {
        accept();
    }
    void accept() {
        acceptor.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket s) {
            if (ec) return;
            conns.push_back(std::make_unique<Peer>(loop, std::move(s), [this, first = true](Peer& p) mutable {
                if (std::exchange(first, false) && !answer.empty()) {
                    p.send(answer);
                    if (closeAfter) p.shutdown();
                }
            }));
            accept();
        });
    }
    uint16_t port() const { return acceptor.local_endpoint().port(); }
    EventLoop& loop;
    asio::ip::tcp::acceptor acceptor;
    std::vector<std::unique_ptr<Peer>> conns;
    std::string answer;
    bool closeAfter = true;
};

}  // namespace

// The probe's flag is set only by the terminal's own answer record, one ended by the close
// included, and the probe clears a flag left over from an earlier terminal.
TEST(ClientLinkTest, OnlyTheProbesAnswerRecordSetsTheFlag) {
    const struct {
        std::string answer;
        bool answered;
    } cases[] = {
        {STX + "27|OK" + ETX, true},
        {STX + "27" + ETX + STX + "99|busy" + ETX, false},  // any later record clears it
        {STX + "27", true},                                 // no ETX: the close ends the record
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        LinkFixture f;
        FakeTerminal t(f.loop);
        t.answer = c.answer;
        ClientLink link(f.loop, f.log, 500ms);
        link.Risposta_Winsock2 = true;
        const bool returned = link.probe("127.0.0.1", t.port());
        if (c.answered || c.answer.empty()) {
            EXPECT_EQ(returned, c.answered);  // a record after the answer may come after the return
        }
        // The terminal closed after answering: the socket follows.
        EXPECT_TRUE(f.loop.waitUntil([&] { return c.answer.empty() || link.state() == ClientLink::kClosed; }, 2s));
        EXPECT_EQ(link.Risposta_Winsock2, c.answered);
        ASSERT_EQ(t.conns.size(), 1u);
        EXPECT_EQ(t.conns[0]->received(), STX + "17" + ETX);
        EXPECT_TRUE(link.Comando_Connessione.empty());
    }
}

// Commands go one connection each: no wait when the terminal hangs up after answering;
// one that keeps its connection open is cut off by the next command after the wait.
TEST(ClientLinkTest, EachCommandOnItsOwnConnectionCuttingOffOneTheTerminalKeepsOpen) {
    LinkFixture f;
    FakeTerminal t(f.loop);
    t.answer = STX + "27" + ETX;
    ClientLink link(f.loop, f.log);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(link.sendCommand("127.0.0.1", t.port(), frameGo(Value(12340 + i))), 0);
    ASSERT_TRUE(f.loop.waitUntil([&] { return t.conns.size() == 3 && !t.conns[2]->received().empty(); }, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(t.conns[2]->received(), STX + "06|000255000|020|3|2342" + ETX);  // the time cut to four digits

    t.closeAfter = false;  // a device that never hangs up
    ASSERT_EQ(link.sendCommand("127.0.0.1", t.port(), frameGo(Value(5))), 0);
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(link.sendCommand("127.0.0.1", t.port(), frameStop()), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LE(waited, 3500ms);
    EXPECT_GE(waited, 2500ms);
    ASSERT_TRUE(f.loop.waitUntil([&] { return t.conns.size() == 5 && !t.conns[4]->received().empty(); }, 2s));
    EXPECT_EQ(t.conns[3]->received(), STX + "06|000255000|020|3|0005" + ETX);
    EXPECT_EQ(t.conns[4]->received(), STX + "06|255000000|010|4|0000" + ETX);
    EXPECT_TRUE(f.loop.waitUntil([&] { return t.conns[3]->closed(); }, 1s));
}

TEST(ClientLinkTest, RefusedConnectionLosesTheCommandWithALogLine) {
    LinkFixture f;
    uint16_t port;
    {
        asio::ip::tcp::acceptor a(f.loop.io(), {asio::ip::make_address("127.0.0.1"), 0});
        port = a.local_endpoint().port();
    }
    ClientLink link(f.loop, f.log);
    ASSERT_EQ(link.sendCommand("127.0.0.1", port, frameStop()), 0);
    ASSERT_TRUE(f.loop.waitUntil([&] { return link.state() == ClientLink::kClosed; }, 2s));
    EXPECT_TRUE(f.logged("Function Winsock2 Connect"));
    EXPECT_EQ(link.sendCommand(" ", port, frameStop()), -1);
    EXPECT_EQ(link.sendCommand("no.such.host", port, frameStop()), 0);
    EXPECT_TRUE(f.loop.waitUntil([&] { return link.state() == ClientLink::kClosed; }, 2s));
}

TEST(ClientLinkTest, ACommandIssuedWhileAnotherWaitsMakesTheWaiterGiveUp) {
    LinkFixture f;
    FakeTerminal t(f.loop);
    t.answer = STX + "27" + ETX;
    t.closeAfter = false;
    ClientLink link(f.loop, f.log, 400ms);
    ASSERT_EQ(link.sendCommand("127.0.0.1", t.port(), frameProbe()), 0);
    ASSERT_TRUE(f.loop.waitUntil([&] { return link.state() == ClientLink::kConnected; }, 2s));
    // While the next command waits, another verdict's command runs inside the wait.
    int nested = 99;
    asio::steady_timer timer(f.loop.io());
    timer.expires_after(100ms);
    timer.async_wait([&](const asio::error_code&) { nested = link.sendCommand("127.0.0.1", t.port(), frameStop()); });
    EXPECT_EQ(link.sendCommand("127.0.0.1", t.port(), frameGo(Value(1))), -1);
    EXPECT_EQ(nested, 0);
}
