#include <gtest/gtest.h>

#include <stdexcept>

#include "terminals/socketlink/socket_peer.h"
#include "terminals/transport/listener.h"

using namespace velaris;
using namespace velaris::test;

namespace {

struct ListenerFixture : LinkFixture {
    explicit ListenerFixture(int kind = 3) : listener(loop, log, kind) {
        listener.setUnloadHandler([this](int i) { unloaded.push_back(i); });
    }
    uint16_t start() {
        EXPECT_TRUE(listener.listen("127.0.0.1", 0));
        return listener.localPort();
    }
    bool waitLoaded(size_t n) {
        return loop.waitUntil([&] { return listener.indices().size() == n; }, 2s);
    }
    // A terminal connecting on `port`, once the listener holds `n` connections.
    std::unique_ptr<Peer> join(uint16_t port, size_t n) {
        auto p = std::make_unique<Peer>(loop, port);
        EXPECT_TRUE(waitLoaded(n));
        return p;
    }
    TerminalListener listener;
    std::vector<int> unloaded;
};

}  // namespace

TEST(Listener, IndicesGrowFromTheHighestLoadedAreFreedOnlyByUnloadingAndCarryTags) {
    ListenerFixture x;
    const uint16_t port = x.start();
    EXPECT_EQ(x.listener.state(0), TerminalListener::kListening);

    auto p1 = x.join(port, 1);
    auto p2 = x.join(port, 2);
    auto p3 = x.join(port, 3);
    EXPECT_EQ(x.listener.indices(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(x.listener.state(2), TerminalListener::kConnected);

    // The highest goes: its index is the next one given.
    p3.reset();
    ASSERT_TRUE(x.waitLoaded(2));
    EXPECT_EQ(x.unloaded, (std::vector<int>{3}));
    auto p4 = x.join(port, 3);

    // A lower one goes: the new member still goes above the highest.
    p2.reset();
    ASSERT_TRUE(x.waitLoaded(2));
    EXPECT_FALSE(x.listener.loaded(2));
    EXPECT_EQ(x.listener.state(2), TerminalListener::kClosed);
    auto p5 = x.join(port, 3);
    EXPECT_EQ(x.listener.indices(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(x.listener.highestIndex(), 4);

    // Tags are looked up by terminal number, the first loaded or the last.
    x.listener.setTag(1, "12");
    x.listener.setTag(3, "abc");
    x.listener.setTag(4, " 12");
    EXPECT_EQ(x.listener.findByTag(12).value(), 1);
    EXPECT_EQ(x.listener.findByTag(12, true).value(), 4);
    EXPECT_FALSE(x.listener.findByTag(7));
    x.listener.close(1);
    EXPECT_FALSE(x.listener.loaded(1));
    EXPECT_EQ(x.listener.findByTag(12).value(), 4);
    EXPECT_TRUE(p1->waitClosed());
}

TEST(Listener, SendsKeepTheirOrder) {
    ListenerFixture x;
    auto a = x.join(x.start(), 1);

    std::string expected;
    for (int i = 0; i < 200; ++i) {
        const std::string chunk = "line " + std::to_string(i) + std::string(500, '.') + "\n";
        EXPECT_TRUE(x.listener.send(1, chunk));
        expected += chunk;
    }
    ASSERT_TRUE(a->waitBytes(expected.size()));
    EXPECT_EQ(a->received(), expected);
    EXPECT_FALSE(x.listener.send(9, "nobody"));
}

TEST(Listener, AllowedPeersRefuseOthersAtOnceInEachFormOfTheSetting) {
    ListenerFixture x;
    x.listener.setPeerFilter(PeerFilter::fromSetting("10.0.0.1, 10.0.0.2", {}));
    const uint16_t port = x.start();
    Peer refused(x.loop, port);
    EXPECT_TRUE(refused.waitClosed());
    EXPECT_TRUE(x.listener.indices().empty());
    EXPECT_TRUE(x.logged("Connessione rifiutata: 127.0.0.1"));
    EXPECT_FALSE(x.logged("Load:"));

    x.listener.setPeerFilter(PeerFilter::fromSetting("terminals", {"10.0.0.9", " 127.0.0.1 "}));
    EXPECT_FALSE(x.join(port, 1)->closed());

    // The setting's other forms: blank allows all; lists split on commas, semicolons and
    // spaces; "terminals" (any case) takes the terminals' addresses.
    EXPECT_FALSE(PeerFilter::fromSetting("  ", {"1.2.3.4"}).restricted());
    EXPECT_TRUE(PeerFilter::fromSetting("", {}).allows("8.8.8.8"));
    const auto list = PeerFilter::fromSetting("10.0.0.1;10.0.0.2 ::1", {});
    EXPECT_TRUE(list.allows("10.0.0.2"));
    EXPECT_TRUE(list.allows("::ffff:10.0.0.1"));  // an IPv4 peer seen on a dual-stack socket
    EXPECT_TRUE(list.allows("0:0:0:0:0:0:0:1"));
    EXPECT_FALSE(list.allows("10.0.0.3"));
    const auto terminals = PeerFilter::fromSetting("TERMINALS", {"192.168.1.10", ""});
    EXPECT_TRUE(terminals.allows("192.168.1.10"));
    EXPECT_FALSE(terminals.allows(""));
    EXPECT_FALSE(terminals.allows("192.168.1.11"));
}

TEST(Listener, ListenFailureIsReportedAndTheListenerCanBeReopened) {
    ListenerFixture x;
    const uint16_t port = x.start();
    ListenerFixture y;
    EXPECT_FALSE(y.listener.listen("127.0.0.1", port));
    EXPECT_FALSE(y.listener.isListening());
    EXPECT_TRUE(y.logged("index:0 - Function Winsock Error"));
    EXPECT_FALSE(y.listener.listen("not an address", 0));

    x.listener.stopListening();
    EXPECT_EQ(x.listener.state(0), TerminalListener::kClosed);
    ASSERT_TRUE(x.listener.listen("127.0.0.1", port));
    x.join(port, 1);
}

TEST(Listener, AFailingDataHandlerIsLoggedTheConnectionGoesOnUntilAResetUnloadsIt) {
    ListenerFixture x;
    Peer p(x.loop, x.start());
    int calls = 0;
    x.listener.setDataHandler([&](int, std::string_view) {
        if (++calls == 1) throw std::runtime_error("guasto");
    });
    p.send("one");
    ASSERT_TRUE(x.loop.waitUntil([&] { return calls == 1; }, 2s));
    p.settle(20ms);
    p.send("two");
    ASSERT_TRUE(x.loop.waitUntil([&] { return calls == 2; }, 2s));
    EXPECT_TRUE(x.logged(" - Error: guasto Index:1 - Function DataArrival"));
    EXPECT_TRUE(x.listener.connected(1));

    // A reset, not an orderly close, is logged as an error and unloads.
    p.abort();
    ASSERT_TRUE(x.waitLoaded(0));
    EXPECT_EQ(x.unloaded, (std::vector<int>{1}));
    EXPECT_TRUE(x.logged("index:1 - Function Winsock Error"));
}

TEST(Listener, BeyondTheBoundIsRefusedASilentConnectionClosedAndItsSlotFreedATalkingOneStays) {
    LinkFixture f;
    TerminalListener::Options o;
    o.maxConnections = 2;
    o.silence = 300ms;
    TerminalListener l(f.loop, f.log, o);
    ASSERT_TRUE(l.listen("127.0.0.1", 0));
    Peer silent(f.loop, l.localPort()), talking(f.loop, l.localPort());
    ASSERT_TRUE(f.loop.waitUntil([&] { return l.indices().size() == 2; }, 2s));
    // A connection beyond the bound is refused at once.
    Peer beyond(f.loop, l.localPort());
    EXPECT_TRUE(beyond.waitClosed());
    EXPECT_EQ(l.indices().size(), 2u);
    EXPECT_TRUE(f.logged("troppe connessioni"));
    // The talking one sends more often than the limit; the silent one never does.
    for (int i = 0; i < 5; ++i) {
        talking.send("k");
        talking.settle(150ms);
    }
    EXPECT_TRUE(silent.waitClosed());
    EXPECT_EQ(l.indices(), std::vector<int>{2});
    EXPECT_TRUE(f.logged("Connection 1 silent for 300 ms: closed"));
    // The freed slot takes a new terminal.
    Peer next(f.loop, l.localPort());
    EXPECT_TRUE(f.loop.waitUntil([&] { return l.indices().size() == 2; }, 2s));
}
