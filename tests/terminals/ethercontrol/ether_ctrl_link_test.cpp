#include <gtest/gtest.h>

#include "terminals/ethercontrol/ether_ctrl_link.h"
#include "terminals/socketlink/socket_peer.h"

using namespace velaris;
using namespace std::chrono_literals;
using asio::ip::udp;

namespace {

// A controller played by the test on 127.0.0.1 and the component listening on 127.0.0.1.
struct EtherCtrlTest : ::testing::Test, test::LinkFixture {
    udp::socket controller{loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0)};
    std::unique_ptr<EtherCtrlLink> link;
    std::vector<std::string> messages;  // "ip data extra address"
    std::vector<std::string> acks;  // "ip address"
    std::vector<std::string> errors;  // "failed|0 ip address"

    void SetUp() override {
        controller.non_blocking(true);
        const EtherCtrlOptions options{"127.0.0.1", 0, controller.local_endpoint().port()};
        link = std::make_unique<EtherCtrlLink>(loop, log, options);
        EtherCtrl::Events ev;
        ev.messageRecv = [this](const std::string& ip, const std::string& data, int extra, int address) {
            messages.push_back(ip + " " + data + " " + std::to_string(extra) + " " + std::to_string(address));
        };
        ev.acknowledged = [this](const std::string& text) {
            acks.push_back(text + " " + std::to_string(link->AckAddress()));
        };
        ev.sockError = [this](int code, const std::string&, const std::string& ip, int address) {
            errors.push_back((code ? "failed " : "0 ") + ip + " " + std::to_string(address));
        };
        link->setEvents(ev);
    }

    void start() { ASSERT_EQ(link->StartService(), 0); }
    udp::endpoint service() const { return {asio::ip::make_address("127.0.0.1"), link->localEndpoint()->port()}; }
    void fromController(const std::string& bytes) { controller.send_to(asio::buffer(bytes), service()); }

    std::optional<std::string> atController() { return test::nextDatagram(loop, controller); }
    void settle() { loop.yieldFor(50ms); }
};

}  // namespace

TEST_F(EtherCtrlTest, StartCallsReportTheirStatesAndReplyModeZeroAnswersOnTheControllersPort) {
    EXPECT_EQ(link->SetDefaultTTYMode(7), -2);
    EXPECT_EQ(link->SetDefaultTTYMode(1), 0);
    start();
    EXPECT_EQ(link->StartService(), -1);
    EXPECT_EQ(link->SetDefaultTTYMode(0), -1) << "the reply mode cannot change while the service runs";

    EXPECT_EQ(EtherCtrlLink(loop, log, {"127.0.0.1", link->localEndpoint()->port(), 0}).StartService(), -4);
    EXPECT_EQ(EtherCtrlLink(loop, log, {"not-an-ip", 0, 0}).StartService(), -3);
    // An address not on this machine.
    EXPECT_EQ(EtherCtrlLink(loop, log, {"192.0.2.77", 0, 0}).StartService(), -3);

    EXPECT_EQ(link->StopService(), 0);
    EXPECT_EQ(link->StopService(), -1);
    // A stopped service starts again, here in reply mode 0: answers go to the
    // controllers' port, not to the port a message came from.
    ASSERT_EQ(link->SetDefaultTTYMode(0), 0);
    EXPECT_EQ(link->StartService(), 0);
    udp::socket otherPort(loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    otherPort.non_blocking(true);
    otherPort.send_to(asio::buffer(std::string("ECT|5|2|MSG|A1")), service());
    EXPECT_EQ(atController(), "ECT|5|2|ACK|");
    EXPECT_FALSE(test::nextDatagram(loop, otherPort, 100ms));
}

TEST_F(EtherCtrlTest, MessageGoesToTheControllerOrIsRefusedAndItsAcknowledgementIsAnEvent) {
    EXPECT_EQ(link->SendMessage("127.0.0.1", 3, "x", 1), -1);
    start();
    EXPECT_EQ(link->SendMessage("300.1.1.1", 3, "x", 1), -2);
    EXPECT_EQ(link->SendMessage("", 3, "x", 1), -2);
    EXPECT_EQ(link->SendMessage("127.0.0.1", 0, "x", 1), -3);
    EXPECT_EQ(link->SendMessage("127.0.0.1", 65536, "x", 1), -3);
    EXPECT_EQ(link->SendMessage("127.0.0.1", 3, "x", -1), -4);
    // The length counts characters, not bytes; a length beyond the text sends all of it.
    EXPECT_EQ(link->SendMessage("127.0.0.1", 3, "\fOK|ABILITATO", 3), 0);
    EXPECT_EQ(atController(), std::string("ECT|1|3|MSG|\x0cOK"));
    EXPECT_EQ(link->SendMessage("127.0.0.1", 4, "\fPERCHÉ", 7), 0);
    EXPECT_EQ(atController(), std::string("ECT|2|4|MSG|\x0cPERCH\xC9"));
    EXPECT_EQ(link->SendMessage("127.0.0.1", 3, "ab", 10), 0);
    EXPECT_EQ(atController(), std::string("ECT|3|3|MSG|ab"));

    fromController("ECT|1|3|ACK|");
    loop.waitUntil([&] { return !acks.empty(); }, 2s);
    EXPECT_EQ(acks, std::vector<std::string>{"127.0.0.1 3"});

    // A repeated, unknown or mismatched acknowledgement must not free a second slot of
    // the flow control.
    fromController("ECT|1|3|ACK|");
    fromController("ECT|99|3|ACK|");
    fromController("ECT|2|3|ACK|");
    fromController("ECT|2|4|ACK|");
    loop.waitUntil([&] { return acks.size() == 2; }, 2s);
    settle();
    EXPECT_EQ(acks, (std::vector<std::string>{"127.0.0.1 3", "127.0.0.1 4"}));

    // Broadcast without permission: the send itself fails, reported as a socket error event.
    EXPECT_EQ(link->SendMessage("255.255.255.255", 9, "x", 1), 0);
    loop.waitUntil([&] { return !errors.empty(); }, 2s);
    EXPECT_EQ(errors, std::vector<std::string>{"failed 255.255.255.255 9"});
}

TEST_F(EtherCtrlTest, InboundMessageIsDeliveredOnceAndAlwaysAcknowledgedGarbageAndStrangersIgnored) {
    start();
    fromController("ECT|7|12|MSG|A12345");
    EXPECT_EQ(atController(), "ECT|7|12|ACK|");
    // The leading kind character stays.
    EXPECT_EQ(messages, std::vector<std::string>{"127.0.0.1 A12345 7 12"});

    // Our acknowledgement was lost, the controller repeats: acknowledged again, not
    // processed again.
    fromController("ECT|7|12|MSG|A12345");
    EXPECT_EQ(atController(), "ECT|7|12|ACK|");
    EXPECT_EQ(messages.size(), 1u);

    fromController(std::string("ECT|8|12|MSG|A\xE8#1"));
    EXPECT_EQ(atController(), "ECT|8|12|ACK|");
    EXPECT_EQ(messages, (std::vector<std::string>{"127.0.0.1 A12345 7 12", "127.0.0.1 Aè#1 8 12"}));

    messages.clear();
    for (const char* g : {"", "hello", "ECT|1|0|MSG|A1", "ECT|1|70000|MSG|A1", "ECT|x|3|MSG|A1", "ECT|1|3|NAK|",
                          "ECT|1|3|MSG", "ECT|2147483648|3|MSG|A1", "XYZ|1|3|MSG|A1"})
        fromController(g);
    fromController("ECT|1|3|MSG|A1");  // valid, sent last
    loop.waitUntil([&] { return !messages.empty(); }, 2s);
    settle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(link->stats().ignored, 9u);

    link->setControllers({"127.0.0.2"});
    fromController("ECT|2|3|MSG|A2");
    settle();
    EXPECT_EQ(messages.size(), 1u);
    link->setControllers({"127.0.0.1"});
    fromController("ECT|3|3|MSG|A3");
    loop.waitUntil([&] { return messages.size() == 2; }, 2s);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(EtherCtrlTest, AWaitingHandlerDoesNotSeeTheNextMessageInsideIt) {
    start();
    int depth = 0, maxDepth = 0;
    std::vector<std::string> order;
    EtherCtrl::Events ev;
    ev.acknowledged = [&](const std::string&) { order.push_back("ack"); };
    ev.messageRecv = [&](const std::string&, const std::string& data, int, int) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        order.push_back(data);
        if (data == "A1") {
            // While the first message is processed the second one and an acknowledgement
            // arrive; the acknowledgement is handled, the message waits its turn.
            fromController("ECT|2|3|MSG|A2");
            fromController("ECT|1|3|ACK|");
            loop.waitUntil([&] { return order.size() >= 2; }, 2s);
            loop.yieldFor(50ms);
        }
        --depth;
    };
    link->setEvents(ev);
    ASSERT_EQ(link->SendMessage("127.0.0.1", 3, "x", 1), 0);
    fromController("ECT|1|3|MSG|A1");
    loop.waitUntil([&] { return order.size() == 3; }, 3s);
    EXPECT_EQ(order, (std::vector<std::string>{"A1", "ack", "A2"}));
    EXPECT_EQ(maxDepth, 1);
}

TEST_F(EtherCtrlTest, StopInsideAHandlerEndsDeliveryAndLeavesNothingBehind) {
    start();
    EtherCtrl::Events ev;
    ev.messageRecv = [&](const std::string&, const std::string& data, int, int) {
        messages.push_back(data);
        link->StopService();
    };
    link->setEvents(ev);
    fromController("ECT|1|3|MSG|A1");
    loop.waitUntil([&] { return !messages.empty(); }, 2s);
    EXPECT_FALSE(link->started());
    EXPECT_EQ(link->StartService(), 0);
    fromController("ECT|2|3|MSG|A2");
    loop.waitUntil([&] { return messages.size() == 2; }, 2s);
    EXPECT_EQ(messages.size(), 2u) << "a restarted service delivers again";
}

TEST_F(EtherCtrlTest, ATerminalAtTheServersOwnAddressIsNotAnsweredByTheServer) {
    // Find a free port, then run the service on it with the controllers on the same port.
    udp::socket probe(loop.io(), udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    const auto port = probe.local_endpoint().port();
    probe.close();
    EtherCtrlLink self(loop, log, {"127.0.0.1", port, port});
    int events = 0;
    EtherCtrl::Events ev;
    ev.messageRecv = [&](const std::string&, const std::string&, int, int) { ++events; };
    ev.acknowledged = [&](const std::string&) { ++events; };
    self.setEvents(ev);
    ASSERT_EQ(self.StartService(), 0);
    ASSERT_EQ(self.SendMessage("127.0.0.1", 1, "%%", 2), 0);
    loop.waitUntil([&] { return self.stats().ignored > 0; }, 2s);
    settle();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(self.stats().ignored, 1u);
}
