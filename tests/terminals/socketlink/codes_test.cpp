#include <gtest/gtest.h>

#include <optional>

#include "terminals/socketlink/codes.h"
#include "terminals/socketlink/record_framer.h"

using namespace velaris;

namespace {
const std::string STX = "\x02", ETX = "\x03";
}

TEST(Codes, RiempiTroncaFillsAndCutsByMode) {
    // Filling and cutting from the left are in the go frame's time (client link test).
    EXPECT_EQ(RiempiTronca(Value("42"), 5, "*", "x"), "42***");
    EXPECT_EQ(RiempiTronca(Value("123456"), 4, "0", "d"), "1234");
    EXPECT_EQ(RiempiTronca(Value::null(), 3, "-", "s"), "---");
    EXPECT_EQ(RiempiTronca(Value(7), 4, "0", "s"), "0007");
    EXPECT_EQ(RiempiTronca(Value("x"), 0, "0", "s"), "");
}

// An H record carries the code as reversed hex byte pairs in ten digits, an L record as
// ten hex digits in fourteen; other formats are ignored quietly, a broken record of a
// known format says why.
TEST(Codes, RecordsDecodeTheirCodeOrSayWhyNot) {
    struct Case {
        std::string record;
        std::optional<std::string> code;
        bool problem;
    };
    const std::vector<Case> cases = {
        {STX + "2M|01|H|0|0|78563412FFFF|" + ETX, "0305419896", false},
        {STX + "2M|01|H|0|0|78563412", "0305419896", false},  // no closing ETX
        {STX + "2M|01|H|0|0|12345|" + ETX, "0000283185", false},  // the odd leading digit ends up last
        {STX + "2M|01|L|00000000FFxx|" + ETX, "00000000000255", false},
        {STX + "2M|01|L|000000ffFF" + ETX, "00000000065535", false},  // either case
        {STX + "2M|01|L|FFFFFFFFFF" + ETX, "01099511627775", false},  // 40 bits stay exact
        {STX + "2M|01|X|0|0|78563412|" + ETX, std::nullopt, false},
        {STX + "27|01|H|0|0|78563412|" + ETX, std::nullopt, false},
        {"2M|01|H|0|0|78563412|", std::nullopt, false},  // no STX
        {"", std::nullopt, false},
        {STX + "2M|01|H|0|0|7856ZZ12|" + ETX, std::nullopt, true},
        {STX + "2M|01|H|0|0| 1234567|" + ETX, std::nullopt, true},
        {STX + "2M|01|H|0" + ETX, std::nullopt, true},
        {STX + "2M|01|L|" + ETX, std::nullopt, true},  // empty code field
        {STX + "2M" + ETX, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        std::string problem;
        EXPECT_EQ(decodeRecord(c.record, &problem), c.code);
        EXPECT_EQ(problem.empty(), !c.problem) << problem;
    }
}

TEST(RecordFramerTest, NoiseAndOversizedRecordsAreDroppedAndTheStreamRecovers) {
    RecordFramer f;
    const std::string good = STX + "2M|1|H|0|0|78563412|" + ETX;
    // An unfinished record yields to a new one.
    auto r = f.feed("junk\r\n" + ETX + STX + "2M|half" + good + "tail");
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0], good);
    EXPECT_EQ(r.discardedBytes, 7u + 8u + 4u);

    RecordFramer small(16);
    const std::string shortOne = STX + "2M|x" + ETX;
    r = small.feed(STX + std::string(40, 'A') + ETX + shortOne);
    EXPECT_EQ(r.oversized, 1u);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0], shortOne);
}
