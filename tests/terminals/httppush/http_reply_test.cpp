#include <gtest/gtest.h>

#include "terminals/httppush/http_reply.h"

using namespace velaris;

namespace {

struct Response {
    std::string head, body;
};

Response split(const std::string& wire) {
    const size_t p = wire.find("\r\n\r\n");
    return {wire.substr(0, p), p == std::string::npos ? "" : wire.substr(p + 4)};
}

Clock thursday() {
    Clock c;
    c.setFixed(DateTime::fromParts(2024, 3, 7, 9, 5, 7));
    return c;
}

}  // namespace

TEST(HttpReply, HeaderBlockByteForByte) {
    const Clock clock = thursday();
    EXPECT_EQ(httpResponse("ack=1\r\n", clock),
              "HTTP/1.1 200 OK\r\nServer: Microsoft-HTTPAPI/1.0\r\nContent-Type: text/plain\r\n"
              "Content-Length: 7\r\nDate: gio, 07 mar 2024 09:05:07 GMT\r\n\r\nack=1\r\n");
}

TEST(HttpReply, ContentLengthCountsTheWireBytes) {
    const Clock clock = thursday();
    const auto r = split(httpResponse("screen=Più € qui", clock));
    EXPECT_NE(r.head.find("Content-Length: 16\r\n"), std::string::npos);
    EXPECT_EQ(r.body, "screen=Pi\xf9 \x80 qui");
}

TEST(HttpReply, KeepaliveBodyHasFourLines) {
    const Clock clock = thursday();
    EXPECT_EQ(keepaliveBody(clock), "VELARIS Accessi\r\ndate=20240307\r\ntime=090507\r\nkeepaliveperiod=5\r\n");
    EXPECT_EQ(batchBody(), "ack=1\r\n");
}

TEST(HttpReply, PushedMessagesWrapRelayCommandsAndScreenTexts) {
    EXPECT_EQ(pushMessageBody("relay1=1"),
              "VELARIS. Accessi\r\nscreen=\x18RAPERTURA DISPOSITIVO\r\nrelay1=1\r\nbeep=1\r\n\r\nkeepaliveperiod=5\r\n");
    EXPECT_EQ(pushMessageBody("\fgio 07 mar 9:05|CODICE:_______"),
              "VELARIS. Accessi\r\nscreen=\fgio 07 mar 9:05|CODICE:_______\r\nkeepaliveperiod=5\r\n");
    const Clock clock = thursday();
    const std::string body = pushMessageBody("relay1=1");
    EXPECT_NE(split(httpResponse(body, clock)).head.find("Content-Length: " + std::to_string(body.size())),
              std::string::npos);
}

TEST(HttpReply, VerdictBodies) {
    EXPECT_EQ(releBody(true, Value(3)),
              "VELARIS. Accessi\r\nbeep=1\r\nscreen=\x18\r\nrelay1=3\r\nkeepaliveperiod=5\r\n");
    EXPECT_EQ(releBody(false, Value(3)), "VELARIS. Accessi\r\nbeep=3\r\nscreen=\x18\r\nkeepaliveperiod=5\r\n");
}
