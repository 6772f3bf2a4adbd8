#include <gtest/gtest.h>

#include "terminale/protocol.h"
#include "terminale/render.h"

using namespace velaris::terminale;

TEST(TerminaleRender, DisplayTextsAndControlCharacters) {
    EXPECT_EQ(renderMessage("\fOK|ABILITATO"), "[CLS]OK|ABILITATO");
    EXPECT_EQ(renderMessage("\fOK|ABILITATO", true), "[CLS]OK\n    ABILITATO");
    EXPECT_EQ(renderMessage("\x18" "RAPERTURA"), "[CAN]RAPERTURA");
    EXPECT_EQ(renderMessage("A\x01" "B\x7F" "C\\"), "A\\x01B\\x7FC\\\\");
    EXPECT_EQ(renderMessage("CREDITO RESIDUO:| 1.234,50\r\n"), "CREDITO RESIDUO:| 1.234,50\\r\\n");
    // Wire text is Windows-1252; what is printed is UTF-8.
    EXPECT_EQ(renderMessage("\fPERCH\xC9 \x80"), "[CLS]PERCHÉ €");
}

TEST(TerminaleRender, CommandStringsAreLabelled) {
    EXPECT_EQ(renderMessage("%%"), "[PROBE]");
    EXPECT_EQ(renderMessage("%O1\x05"), "[RELAY 1 time 5]");
    EXPECT_EQ(renderMessage("%O\x05"), "[RELAY 1 time 5]") << "relay 1 is left out on types 3 and 4";
    EXPECT_EQ(renderMessage("%O2\xC8"), "[RELAY 2 time 200]");
    EXPECT_EQ(renderMessage("%K2BXM2"), "[CMD %K2BXM2]");
    EXPECT_EQ(renderMessage("S----1---"), "[OUTPUTS S----1---]");
    EXPECT_EQ(renderMessage("O25"), "[OUTPUT O25]");
    EXPECT_EQ(renderMessage("OK"), "OK") << "a text that only starts like an output stays a text";
    EXPECT_EQ(renderMessage("\x1B@P1\r\n"), "[PRINT] @P1\\r\\n");
    EXPECT_EQ(renderFrame("\x02" "17" "\x03"), "[PROBE]");
    EXPECT_EQ(renderFrame("\x02" "06|000255000|020|3|0005" "\x03"), "[GO time 0005]");
    EXPECT_EQ(renderFrame("\x02" "06|255000000|010|4|0000" "\x03"), "[STOP]");
    EXPECT_EQ(renderFrame("\x02" "99" "\x03"), "[STX]99[ETX]");
}

TEST(TerminaleProtocol, ScriptCommands) {
    std::string error;
    auto c = parseCommand("  read 12 CL0001 ", error);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->kind, Command::Kind::Read);
    EXPECT_EQ(c->id, 12);
    EXPECT_EQ(c->text, "CL0001");
    c = parseCommand("wait 0.5", error);
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->seconds, 0.5);
    c = parseCommand("raw 3 A12#\\x0Cè\\q", error);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->text, "A12#\x0C\xE8\\q") << "escapes give bytes, the rest goes to the wire's code page";
    EXPECT_EQ(parseCommand("# comment", error)->kind, Command::Kind::None);
    EXPECT_EQ(parseCommand("", error)->kind, Command::Kind::None);
    EXPECT_EQ(parseCommand("quit", error)->kind, Command::Kind::Quit);
    for (const char* bad : {"read 1", "read x CODE", "read 0 CODE", "read 70000 CODE", "read 1 A B", "wait", "wait -1",
                            "wait 5s", "wait 99999", "keepalive", "raw 1", "jump 1"}) {
        error.clear();
        EXPECT_FALSE(parseCommand(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(TerminaleProtocol, RecordsCarryTheCodeTheServerDecodes) {
    std::string error;
    const auto h = recordForRead("305419896", 'H', error);  // 0x12345678
    ASSERT_TRUE(h);
    EXPECT_EQ(*h, "\x02" "2M|01|H|0000000000|00|78563412|00" "\x03");
    const auto l = recordForRead("1099511627775", 'L', error);
    ASSERT_TRUE(l);
    EXPECT_EQ(*l, "\x02" "2M|01|L|FFFFFFFFFF|00|00000000|00" "\x03");
    EXPECT_TRUE(recordForRead("0", 'H', error));
    EXPECT_FALSE(recordForRead("4294967296", 'H', error));
    EXPECT_FALSE(recordForRead("1099511627776", 'L', error));
    EXPECT_FALSE(recordForRead("CL0001", 'H', error));
    EXPECT_FALSE(recordForRead("", 'H', error));
    EXPECT_FALSE(recordForRead("12", 'X', error));
}

TEST(TerminaleProtocol, ResponsesAreCutFromTheStreamWhateverTheChunks) {
    const std::string first = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\ncontent-length: 12\r\n\r\nbeep=1\r\nab\r\n";
    const std::string second = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    const std::string stream = first + second;
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        HttpResponseReader r;
        std::vector<HttpResponse> got;
        r.append(stream.substr(0, cut));
        while (auto x = r.next()) got.push_back(*x);
        r.append(stream.substr(cut));
        while (auto x = r.next()) got.push_back(*x);
        ASSERT_EQ(got.size(), 2u) << cut;
        EXPECT_EQ(got[0].body, "beep=1\r\nab\r\n");
        EXPECT_EQ(got[0].status, 200);
        EXPECT_EQ(got[1].body, "");
    }
    HttpResponseReader bad;
    bad.append("HTTP/1.1 200 OK\r\nContent-Length: 99999999\r\n\r\n");
    EXPECT_FALSE(bad.next());
    EXPECT_TRUE(bad.failed());
    HttpResponseReader noise;
    noise.append("garbage\r\n\r\n");
    EXPECT_FALSE(noise.next());
    EXPECT_TRUE(noise.failed());
}

TEST(TerminaleProtocol, BodyItemsLeaveOutBannerClockAndPeriod) {
    int period = 0;
    auto items = bodyItems("VELARIS Accessi\r\ndate=20240307\r\ntime=103000\r\nkeepaliveperiod=7\r\n", period);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(period, 7);
    items = bodyItems("VELARIS. Accessi\r\nbeep=1\r\nscreen=\x18\r\nrelay1=5\r\nkeepaliveperiod=5\r\n", period);
    EXPECT_EQ(items, (std::vector<std::string>{"beep=1", "screen=\x18", "relay1=5"}));
    items = bodyItems("ack=1\r\n", period);
    EXPECT_EQ(items, (std::vector<std::string>{"ack=1"}));
    EXPECT_EQ(period, 0);
}
