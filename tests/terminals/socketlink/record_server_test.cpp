#include <gtest/gtest.h>

#include "terminals/socketlink/record_server.h"
#include "terminals/socketlink/socket_peer.h"

using namespace velaris;
using namespace velaris::test;

namespace {

const std::string STX = "\x02", ETX = "\x03";

struct RecordFixture : LinkFixture {
    RecordFixture()
        : server(loop, log, intake, [this](const std::string& ip) { return ip == knownIp ? 21 : 0; }) {
        EXPECT_TRUE(server.listener().listen("127.0.0.1", 0));
    }
    bool waitReads(size_t n) {
        return loop.waitUntil([&] { return intake.reads.size() >= n; }, 2s);
    }
    std::string knownIp = "127.0.0.1";
    RecordingIntake intake;
    RecordServer server;
};

}  // namespace

TEST(RecordServer, RecordsSplitAndMergedReachTheIntakeWithTheSendersAddressNoiseDoesNot) {
    RecordFixture x;
    Peer p(x.loop, x.server.listener().localPort());
    const std::string h = STX + "2M|01|H|0|0|78563412|" + ETX;
    const std::string l = STX + "2M|01|L|00000000FF|" + ETX;
    p.send(h.substr(0, 9));
    p.settle(50ms);
    EXPECT_TRUE(x.intake.reads.empty());
    p.send(h.substr(9) + "\r\n");
    p.send(STX + "2M|01|X|0|0|78563412|" + ETX);         // other format: quietly ignored
    p.send(STX + "2M|01|H|0|0|zz563412|" + ETX);         // malformed: logged
    p.send(std::string("\xff\xfe\x00\x01garbage", 11));  // binary noise
    p.send(l);
    ASSERT_TRUE(x.waitReads(2));
    p.settle(50ms);
    EXPECT_EQ(x.intake.seen(), (std::vector<std::string>{"21 0305419896 1", "21 00000000000255 1"}));
    EXPECT_TRUE(x.logged("Codice esadecimale non valido: 'zz563412' Index:1 - Function DataArrival"));
    EXPECT_FALSE(p.closed());
}

TEST(RecordServer, APeerThatVanishesMidRecordLeavesNoTraceAndUnknownAddressesAreDropped) {
    RecordFixture x;
    {
        Peer p(x.loop, x.server.listener().localPort());
        ASSERT_TRUE(x.loop.waitUntil([&] { return x.server.listener().loaded(1); }, 2s));
        p.send(STX + "2M|01|H|0|0|7856");
        p.settle(50ms);
    }
    ASSERT_TRUE(x.loop.waitUntil([&] { return !x.server.listener().loaded(1); }, 2s));
    // The next connection takes index 1 again and starts from a clean buffer.
    Peer q(x.loop, x.server.listener().localPort());
    q.send("3412|" + ETX + STX + "2M|01|H|0|0|78563412|" + ETX);
    ASSERT_TRUE(x.waitReads(1));
    EXPECT_EQ(x.intake.seen(), std::vector<std::string>{"21 0305419896 1"});
    EXPECT_TRUE(x.logged(" - Close: 1"));

    // Once no terminal has the sender's address, its reads are dropped with a log line.
    x.knownIp = "10.9.9.9";
    q.send(STX + "2M|01|H|0|0|78563412|" + ETX);
    ASSERT_TRUE(x.loop.waitUntil([&] { return x.logged("Nessun terminale con indirizzo IP 127.0.0.1"); }, 2s));
    EXPECT_EQ(x.intake.reads.size(), 1u);
}
