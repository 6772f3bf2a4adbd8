#include <gtest/gtest.h>

#include "terminals/httppush/http_push_server.h"
#include "terminals/socketlink/socket_peer.h"

using namespace velaris;
using namespace velaris::test;

namespace {

struct PushFixture : LinkFixture {
    explicit PushFixture(size_t limit = HttpFramer::kDefaultLimit) : server(loop, log, clock, intake, limit) {
        EXPECT_TRUE(server.listener().listen("127.0.0.1", 0));
    }
    uint16_t port() const { return server.listener().localPort(); }
    bool waitReads(size_t n) {
        return loop.waitUntil([&] { return intake.reads.size() >= n; }, 2s);
    }
    RecordingIntake intake;
    HttpPushServer server;
};

const std::string kKeepaliveResponse =
    "HTTP/1.1 200 OK\r\nServer: Microsoft-HTTPAPI/1.0\r\nContent-Type: text/plain\r\nContent-Length: 64\r\n"
    "Date: gio, 07 mar 2024 10:30:00 GMT\r\n\r\n"
    "VELARIS Accessi\r\ndate=20240307\r\ntime=103000\r\nkeepaliveperiod=5\r\n";

const std::string kBatchResponse =
    "HTTP/1.1 200 OK\r\nServer: Microsoft-HTTPAPI/1.0\r\nContent-Type: text/plain\r\nContent-Length: 7\r\n"
    "Date: gio, 07 mar 2024 10:30:00 GMT\r\n\r\nack=1\r\n";

std::string onlineRequest(const std::string& query) { return "GET /online?" + query + " HTTP/1.1\r\nHost: srv\r\n\r\n"; }

}  // namespace

TEST(HttpPushServerTest, PipelinedRequestsAreEachAnsweredOnceUnknownPathsNeverAndTheFirstIdIsTheTag) {
    PushFixture x;
    Peer p(x.loop, x.port());
    const std::string batch = "POST /batch HTTP/1.1\r\nContent-Length: 11\r\n\r\n1,2,3\r\n4,5,6";
    // Unknown paths in between get no reply.
    p.send(batch + batch + "GET /status?id=1 HTTP/1.1\r\n\r\nGET / HTTP/1.1\r\n\r\n" +
           "GET /keepalive?id=12 HTTP/1.1\r\nHost: srv\r\n\r\n");
    ASSERT_TRUE(p.waitBytes(2 * kBatchResponse.size() + kKeepaliveResponse.size()));
    p.settle(50ms);
    EXPECT_EQ(p.received(), kBatchResponse + kBatchResponse + kKeepaliveResponse);
    EXPECT_EQ(x.server.listener().findByTag(12).value(), 1);
    EXPECT_TRUE(x.logged("2024-03-07 10:30:00 - Load: 1"));

    // A later id does not replace the first one.
    p.send("GET /keepalive?id=13 HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(p.waitBytes(2 * kBatchResponse.size() + 2 * kKeepaliveResponse.size()));
    EXPECT_EQ(x.server.listener().tag(1), "12");
}

TEST(HttpPushServerTest, OnlineHandsTheCodeToTheIntakeWhichAnswersOnTheConnectionBadIdsAreOnlyLogged) {
    PushFixture x;
    Peer p(x.loop, x.port());
    x.intake.onRead = [&](const RecordingIntake::Read& r) { x.server.respond(r.index, releBody(true, Value(3))); };
    p.send(onlineRequest("trsn=0,1,2,3,0001234&id=abc"));
    p.send(onlineRequest("id=4&trsn=0,1"));
    ASSERT_TRUE(x.loop.waitUntil([&] { return x.lines.size() >= 3; }, 2s));
    EXPECT_EQ(x.lines[1], "2024-03-07 10:30:00 - Error: 13 - Type mismatch Index:1 - Function DataArrival");
    EXPECT_EQ(x.lines[2], "2024-03-07 10:30:00 - Error: 9 - Subscript out of range Index:1 - Function DataArrival");
    p.settle(50ms);
    EXPECT_TRUE(x.intake.reads.empty());
    EXPECT_TRUE(p.received().empty());
    EXPECT_FALSE(p.closed());

    p.send(onlineRequest("trsn=0,1,2,3,0001234&id=7"));
    ASSERT_TRUE(x.waitReads(1));
    EXPECT_EQ(x.intake.seen(), std::vector<std::string>{"7 0001234 1"});
    ASSERT_TRUE(p.waitBytes(10));
    EXPECT_NE(p.received().find("\r\n\r\nVELARIS. Accessi\r\nbeep=1\r\n"), std::string::npos);
}

TEST(HttpPushServerTest, OversizedRequestClosesTheConnectionOnly) {
    PushFixture x(1024);
    Peer big(x.loop, x.port());
    ASSERT_TRUE(x.loop.waitUntil([&] { return x.server.listener().loaded(1); }, 2s));
    Peer other(x.loop, x.port());
    ASSERT_TRUE(x.loop.waitUntil([&] { return x.server.listener().loaded(2); }, 2s));
    // Binary noise without an end of head, beyond the bound.
    std::string garbage;
    for (int i = 0; i < 2000; ++i) garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    big.send("GET /online?trsn=0,1,2,3,1&id=1 HTTP/1.1\r\nX-Pad: " + garbage);
    ASSERT_TRUE(big.waitClosed());
    EXPECT_TRUE(x.intake.reads.empty());
    EXPECT_TRUE(x.logged("Error: Richiesta oltre 1024 byte, connessione chiusa Index:1 - Function DataArrival"));
    EXPECT_FALSE(x.server.listener().loaded(1));
    other.send("GET /keepalive?id=2 HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(other.waitBytes(kKeepaliveResponse.size()));
}


TEST(HttpPushServerTest, ConnectionClosedWhileTheIntakeWaitsStopsItsRequests) {
    PushFixture x;
    Peer p(x.loop, x.port());
    x.intake.onRead = [&](const RecordingIntake::Read& r) {
        // The intake lets other events run (as message processing does) and the
        // connection is dropped meanwhile.
        x.server.listener().close(r.index);
        x.loop.yieldFor(20ms);
    };
    p.send(onlineRequest("trsn=0,1,2,3,1&id=5") + onlineRequest("trsn=0,1,2,3,2&id=5"));
    ASSERT_TRUE(x.waitReads(1));
    ASSERT_TRUE(p.waitClosed());
    p.settle(50ms);
    EXPECT_EQ(x.intake.reads.size(), 1u);
    EXPECT_FALSE(x.server.respond(1, batchBody()));
}

TEST(HttpPushServerTest, ARequestAfterAReadThatWaitsItsTurnIsAnsweredAfterTheVerdict) {
    PushFixture x;
    x.intake.hold = true;  // the read waits behind another terminal's
    Peer p(x.loop, x.port());
    p.send(onlineRequest("trsn=0,1,2,3,77&id=5") + "GET /keepalive?id=5 HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(x.waitReads(1));
    p.settle(100ms);
    EXPECT_TRUE(p.received().empty());  // the keepalive must not overtake the verdict
    ASSERT_EQ(x.intake.held.size(), 1u);
    EXPECT_TRUE(x.intake.held[0].connectionOpen());

    // The verdict goes out in the read's turn; then the keepalive is answered.
    EXPECT_TRUE(x.server.respond(x.intake.reads[0].index, releBody(false, Value())));
    x.intake.done();
    ASSERT_TRUE(p.waitBytes(10));
    p.settle(100ms);
    const std::string r = p.received();
    EXPECT_LT(r.find("beep=3"), r.find("date=20240307")) << r;
    EXPECT_NE(r.find("date=20240307"), std::string::npos) << r;
}

// A peer gone with a read waiting and half a request behind it frees its index and buffer.
TEST(HttpPushServerTest, APeerThatVanishesFreesItsIndexAndBufferAndItsWaitingReadKnows) {
    PushFixture x;
    x.intake.hold = true;
    {
        Peer p(x.loop, x.port());
        p.send(onlineRequest("trsn=0,1,2,3,77&id=5") + "GET /online?trsn=0,1,2,3,99&id=");
        ASSERT_TRUE(x.waitReads(1));
        p.settle(50ms);
    }
    ASSERT_TRUE(x.loop.waitUntil([&] { return !x.server.listener().loaded(1); }, 2s));
    EXPECT_TRUE(x.logged(" - Close: 1"));
    // A new terminal takes the index; the waiting read must not answer on it, and the
    // half request of the earlier peer is gone.
    x.intake.hold = false;
    Peer q(x.loop, x.port());
    ASSERT_TRUE(x.loop.waitUntil([&] { return x.server.listener().loaded(1); }, 2s));
    EXPECT_FALSE(x.intake.held[0].connectionOpen());
    x.intake.done();
    q.send("5 HTTP/1.1\r\n\r\n" + onlineRequest("trsn=0,1,2,3,42&id=5") + "GET /keepalive?id=6 HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(q.waitBytes(kKeepaliveResponse.size()));
    EXPECT_EQ(x.intake.seen(), (std::vector<std::string>{"5 77 1", "5 42 1"}));
}
