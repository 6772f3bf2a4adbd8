#include <gtest/gtest.h>

#include "terminals/socketlink/codes.h"
#include "terminals/socketlink/frames.h"
#include "terminals/socketlink/record_framer.h"

using namespace velaris;

namespace {
const std::string STX = "\x02", ETX = "\x03";
}

TEST(Codes, ReadUntilTakesTheValueUpToTheDelimiter) {
    const std::string q = "GET /online?trsn=1,2,3&id=12&x=1";
    EXPECT_EQ(ReadUntil(q, "&", static_cast<int>(q.find("id=")) + 1 + 3), "12");
    EXPECT_EQ(ReadUntil(q, "&", static_cast<int>(q.find("trsn=")) + 1 + 5), "1,2,3");
    // No delimiter after the start: nothing, not the rest of the text.
    EXPECT_EQ(ReadUntil("id=12", "&", 4), "");
    // Starts outside the text.
    EXPECT_EQ(ReadUntil("abc&", "&", 0), "");
    EXPECT_EQ(ReadUntil("abc&", "&", 9), "");
    EXPECT_EQ(ReadUntil("abc&", "&", 4), "");
}

TEST(Codes, HexInvertReversesTheBytePairs) {
    EXPECT_EQ(HexInvert("78563412"), "12345678");
    EXPECT_EQ(HexInvert("AB"), "AB");
    EXPECT_EQ(HexInvert(""), "");
    EXPECT_EQ(HexInvert("12345"), "45231");  // the odd leading digit ends up last
}

TEST(Codes, HextoDecReadsEitherCaseAndRejectsOtherCharacters) {
    EXPECT_EQ(HextoDec("12345678").value(), 305419896.0);
    EXPECT_EQ(HextoDec("ffFF").value(), 65535.0);
    EXPECT_EQ(HextoDec("FFFFFFFFFF").value(), 1099511627775.0);  // 40 bits stay exact
    EXPECT_FALSE(HextoDec(""));
    EXPECT_FALSE(HextoDec("12G4"));
    EXPECT_FALSE(HextoDec(" 12"));
}

TEST(Codes, RiempiTroncaFillsAndCutsByMode) {
    EXPECT_EQ(RiempiTronca(Value("42"), 5, "0", "s"), "00042");
    EXPECT_EQ(RiempiTronca(Value("42"), 5, "*", "x"), "42***");
    EXPECT_EQ(RiempiTronca(Value("123456"), 4, "0", "d"), "1234");
    EXPECT_EQ(RiempiTronca(Value("123456"), 4, "0", "s"), "3456");
    EXPECT_EQ(RiempiTronca(Value::null(), 3, "-", "s"), "---");
    EXPECT_EQ(RiempiTronca(Value(7), 4, "0", "s"), "0007");
    EXPECT_EQ(RiempiTronca(Value("x"), 0, "0", "s"), "");
}

TEST(Codes, HRecordGivesTheReversedHexInTenDigits) {
    const std::string rec = STX + "2M|01|H|0|0|78563412FFFF|" + ETX;
    EXPECT_EQ(decodeRecord(rec).value(), "0305419896");
    // Without the closing ETX too.
    EXPECT_EQ(decodeRecord(STX + "2M|01|H|0|0|78563412").value(), "0305419896");
}

TEST(Codes, LRecordGivesTenHexDigitsInFourteen) {
    EXPECT_EQ(decodeRecord(STX + "2M|01|L|00000000FFxx|" + ETX).value(), "00000000000255");
    EXPECT_EQ(decodeRecord(STX + "2M|01|L|FFFFFFFFFF" + ETX).value(), "01099511627775");
}

TEST(Codes, OtherRecordsAndFormatsAreIgnoredQuietly) {
    std::string problem;
    EXPECT_FALSE(decodeRecord(STX + "2M|01|X|0|0|78563412|" + ETX, &problem));
    EXPECT_TRUE(problem.empty());
    EXPECT_FALSE(decodeRecord(STX + "27|01|H|0|0|78563412|" + ETX, &problem));
    EXPECT_TRUE(problem.empty());
    EXPECT_FALSE(decodeRecord("2M|01|H|0|0|78563412|", &problem));  // no STX
    EXPECT_TRUE(problem.empty());
    EXPECT_FALSE(decodeRecord("", &problem));
}

TEST(Codes, MalformedRecordsOfAKnownFormatSayWhy) {
    std::string problem;
    EXPECT_FALSE(decodeRecord(STX + "2M|01|H|0|0|7856ZZ12|" + ETX, &problem));
    EXPECT_NE(problem.find("7856ZZ12"), std::string::npos);
    EXPECT_FALSE(decodeRecord(STX + "2M|01|H|0" + ETX, &problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_FALSE(decodeRecord(STX + "2M|01|L|" + ETX, &problem));  // empty code field
    EXPECT_FALSE(problem.empty());
    EXPECT_FALSE(decodeRecord(STX + "2M" + ETX, &problem));
    EXPECT_FALSE(problem.empty());
}

TEST(RecordFramerTest, RecordsSplitAcrossReadsAndMergedInOne) {
    RecordFramer f;
    const std::string a = STX + "2M|1|H|0|0|78563412|" + ETX, b = STX + "2M|2|L|00000000FF|" + ETX;
    auto r = f.feed(a.substr(0, 5));
    EXPECT_TRUE(r.records.empty());
    r = f.feed(a.substr(5) + b + b.substr(0, 3));
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0], a);
    EXPECT_EQ(r.records[1], b);
    r = f.feed(b.substr(3));
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0], b);
    EXPECT_EQ(r.discardedBytes, 0u);
}

TEST(RecordFramerTest, NoiseIsDroppedAndAnUnfinishedRecordYieldsToANewOne) {
    RecordFramer f;
    const std::string good = STX + "2M|1|H|0|0|78563412|" + ETX;
    auto r = f.feed("junk\r\n" + ETX + STX + "2M|half" + good + "tail");
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0], good);
    EXPECT_EQ(r.discardedBytes, 7u + 8u + 4u);
}

TEST(RecordFramerTest, OversizedRecordIsDroppedAndTheStreamRecovers) {
    RecordFramer f(16);
    const std::string good = STX + "2M|x" + ETX;
    auto r = f.feed(STX + std::string(40, 'A') + ETX + good);
    EXPECT_EQ(r.oversized, 1u);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0], good);
}

TEST(Frames, CommandFramesOfTheClientLink) {
    EXPECT_EQ(frameGo(Value(5)), STX + "06|000255000|020|3|0005" + ETX);
    EXPECT_EQ(frameGo(Value(12345)), STX + "06|000255000|020|3|2345" + ETX);
    EXPECT_EQ(frameStop(), STX + "06|255000000|010|4|0000" + ETX);
    EXPECT_EQ(frameProbe(), STX + "17" + ETX);
}
