#include <gtest/gtest.h>

#include "terminals/net92/net92_link.h"
#include "terminals/socketlink/socket_peer.h"
#include "terminals/transport/cp1252.h"

using namespace velaris;
using namespace std::chrono_literals;
using asio::ip::udp;

namespace {

const std::string kTemplate = std::string(255, '-') + '\0';

// A gateway played by the test on 127.0.0.1, and the link under test pointed at it.
struct Net92Test : ::testing::Test, test::LinkFixture {
    udp::socket gateway{loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0)};
    std::unique_ptr<Net92Link> link;

    void SetUp() override {
        gateway.non_blocking(true);
        link = std::make_unique<Net92Link>(loop, log, "127.0.0.1:" + std::to_string(gateway.local_endpoint().port()));
        ASSERT_EQ(link->InitN92(3, 2, 20, 0), 1);
    }

    udp::endpoint server() const { return {asio::ip::make_address("127.0.0.1"), link->localEndpoint()->port()}; }
    void fromGateway(const std::string& bytes) { gateway.send_to(asio::buffer(bytes), server()); }
    void fromGateway(int address, const std::string& kind, const std::string& payload, int line = 3) {
        fromGateway("N92|" + std::to_string(line) + "|9|" + std::to_string(address) + "|" + kind + "|" + payload);
    }

    std::optional<std::string> atGateway() { return test::nextDatagram(loop, gateway); }

    // PollTerm until it answers `want` (the datagram may still be on its way).
    int pollUntil(int address, int want, std::chrono::milliseconds bound = 2s) {
        int r = -1;
        loop.waitUntil(
            [&] {
                std::string buffer = kTemplate;
                r = link->PollTerm(address, buffer);
                return r == want;
            },
            bound);
        return r;
    }

    std::string fetch() {
        std::string buffer = kTemplate;
        EXPECT_EQ(link->PollTerm(255, buffer), 3);
        return buffer;
    }
    // The text of the next read of `address`, once the link announces it.
    std::string nextText(int address) {
        EXPECT_EQ(pollUntil(address, 2), 2) << address;
        return Net92BufferText(fetch());
    }
};

}  // namespace

// The probe's answer, a PRESENT, is played by the simulator's test; reads make a terminal
// present too.
TEST_F(Net92Test, ReadsAreAnnouncedThenFetchedWithTheAddressFirstInTheirOrder) {
    fromGateway(5, "READ", "A12345 -X");
    fromGateway(5, "READ", "A2 -X");
    fromGateway(7, "READ", "A3 -X");
    ASSERT_EQ(pollUntil(5, 2), 2);
    // The address, then the text with its NUL over the template, whose last NUL stays.
    const std::string buffer = fetch();
    EXPECT_EQ(buffer, std::string("\x05") + "12345 -X" + '\0' + std::string(245, '-') + '\0');
    EXPECT_EQ(Net92BufferAddress(buffer), 5);
    EXPECT_EQ(Net92BufferText(buffer), "12345 -X");
    // Another terminal's read goes first once it is polled; each keeps its own order.
    EXPECT_EQ(nextText(7), "3 -X");
    EXPECT_EQ(nextText(5), "2 -X");
    // The messages are gone; the terminal is still known to be there, for its window only.
    // A poll without a message leaves the buffer alone.
    EXPECT_EQ(pollUntil(5, 1), 1);
    std::string again = kTemplate;
    EXPECT_EQ(link->PollTerm(255, again), 0);
    EXPECT_EQ(again, kTemplate);
    link->setPresenceWindow(50ms);
    loop.yieldFor(120ms);
    EXPECT_EQ(link->PollTerm(5, again), 0);
}

TEST_F(Net92Test, GarbageDatagramsAreIgnored) {
    const std::vector<std::string> garbage = {
        "hello",
        "",
        "N92|3|1|5|BOOM|A1 -X",      // unknown kind
        "N92|4|1|5|READ|A1 -X",      // another line
        "N92|3|1|0|READ|A1 -X",      // nobody
        "N92|3|1|255|READ|A1 -X",    // the fetch address
        "N92|3|1|21|READ|A1 -X",     // above the highest configured address
        "N92|3|1|300|READ|A1 -X",
        "N92|3|x|5|READ|A1 -X",
        "N92|3|-1|5|READ|A1 -X",
        "N92|3| 1|5|READ|A1 -X",
        "N92|3|99999999999|5|READ|A1 -X",
        "N92|3|1|5|MSG|A1 -X",       // our own kind coming back
        "N92|3|1|5|READ",            // no payload field
        "n92|3|1|5|READ|A1 -X",
        "N92|3|1|5|READ|A",          // a leading character and nothing else
        "N92|3|1|5|READ|",
        "N92|0|1|5|READ|A1 -X",      // line 0 does not exist
        "N92|3|1|5|READ|A" + std::string(3000, '1'),
    };
    for (const auto& g : garbage) fromGateway(g);
    // A stranger on the network is not the gateway, even with a well-formed read.
    udp::socket stranger(loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    stranger.send_to(asio::buffer(std::string("N92|3|1|5|READ|A1 -X")), server());
    // A valid read sent last, with the highest sequence and bars in its text, proves that
    // everything before it was looked at.
    fromGateway("N92|3|4294967295|6|READ|A9|| -X");
    EXPECT_EQ(nextText(6), "9|| -X");
    std::string buffer = kTemplate;
    EXPECT_EQ(link->PollTerm(5, buffer), 1) << "the empty read shows the terminal is there, nothing to fetch";
    EXPECT_EQ(link->stats().ignored, garbage.size() - 1);
    for (int a : {0, 21, 255, 300}) EXPECT_NE(link->PollTerm(a, buffer), 2) << a;
}

TEST_F(Net92Test, WireTextIsWindows1252BothWaysAndAReadIsCutToTheBuffer) {
    EXPECT_EQ(link->SendMsg(5, "\fPERCHÉ|€ 5,00"), 0);
    EXPECT_EQ(atGateway(), std::string("N92|3|1|5|MSG|\x0cPERCH\xC9|\x80 5,00"));

    // A relay time is the character of its value; the values without a character in the
    // code page must reach the terminal unchanged too.
    EXPECT_EQ(link->SendMsg(5, "%O1" + cp1252ToUtf8("\x81")), 0);
    EXPECT_EQ(atGateway(), std::string("N92|3|2|5|MSG|%O1\x81"));

    fromGateway(5, "READ", std::string("A\xE8|X -X"));
    ASSERT_EQ(pollUntil(5, 2), 2);
    const std::string buffer = fetch();
    EXPECT_EQ(Net92BufferText(buffer), "è|X -X");
    // Still 256 characters: the two-byte è counts as one.
    EXPECT_EQ(buffer.size(), 257u);

    // A long text is cut to the buffer; an embedded NUL ends it.
    fromGateway(5, "READ", "A" + std::string(400, '7'));
    ASSERT_EQ(pollUntil(5, 2), 2);
    EXPECT_EQ(fetch(), std::string("\x05") + std::string(254, '7') + '\0');
    fromGateway(5, "READ", std::string("A12\0" "99 -X", 9));
    EXPECT_EQ(nextText(5), "12");
}

TEST_F(Net92Test, AFullQueueLosesItsOldestReadWithALogLine) {
    const int total = static_cast<int>(Net92Link::kQueueLimit) + 3;
    for (int i = 0; i < total; ++i) fromGateway(5, "READ", "A" + std::to_string(i) + " -X");
    loop.waitUntil([&] { std::string b = kTemplate; link->PollTerm(9, b); return link->stats().received == unsigned(total); }, 2s);
    EXPECT_EQ(nextText(5), "3 -X");
    EXPECT_EQ(link->stats().dropped, 3u);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("Function PollTerm"), std::string::npos);
}

TEST_F(Net92Test, ResetClosesTheLinkAndInitReportsUnusableDevices) {
    EXPECT_EQ(link->ResetN92(), 0);
    std::string buffer = kTemplate;
    EXPECT_EQ(link->SendMsg(5, "%%"), -1);
    EXPECT_EQ(link->PollTerm(5, buffer), 0);
    EXPECT_FALSE(link->up());

    for (const char* device : {"nohostport", "127.0.0.1:99999", "127.0.0.1:", "::1:9200"}) {
        Net92Link bad(loop, log, device);
        lines.clear();
        EXPECT_LE(bad.InitN92(1, 2, 10, 0), 0) << device;
        ASSERT_EQ(lines.size(), 1u) << device;
        EXPECT_NE(lines[0].find("Function InitN92"), std::string::npos);
        EXPECT_EQ(bad.SendMsg(1, "x"), -1);
    }
    EXPECT_EQ(splitHostPort("[::1]:9200")->first, "::1");
    EXPECT_FALSE(splitHostPort("gw.local:0"));
    EXPECT_FALSE(splitHostPort(":9200"));
    EXPECT_FALSE(splitHostPort("gw.local:92a0"));
    // Addresses the network cannot carry are refused.
    ASSERT_EQ(link->InitN92(3, 2, 20, 0), 1);
    EXPECT_EQ(link->SendMsg(0, "x"), -1);
    EXPECT_EQ(link->SendMsg(255, "x"), -1);
}
