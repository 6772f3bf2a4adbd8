#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/event_log.h"
#include "support/test_support.h"

using namespace velaris;

namespace {
std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
}  // namespace

// An empty text creates no file; an unwritable folder loses the line but never raises.
TEST(EventLog, LinesAreAppendedInOrderWithCrLfAHostileTextAsOnePrintableLine) {
    test::TempDir dir;
    Clock clock;
    clock.setFixed(DateTime::fromParts(2024, 3, 7, 7, 5, 9));
    EventLog log(dir.path(), clock);
    log.write("");
    EXPECT_FALSE(std::filesystem::exists(log.path()));
    EventLog nowhere("/nonexistent/folder/for/velaris", clock);
    EXPECT_NO_THROW(nowhere.write("lost"));
    log.error(3021, "No current record", "DLookUpQ");
    log.timedError("Timeout", "KxSendMsg", 3);
    log.timed("Load: 2");
    // A hostile text becomes one printable line.
    log.write(std::string("code A\0B\r\n\x1b[2J caf\xc3\xa9 \xff end", 26));
    EXPECT_EQ(slurp(log.path()),
              "Error: 3021 - No current record - Function DLookUpQ\r\n"
              "2024-03-07 07:05:09 - Error: Timeout Index:3 - Function KxSendMsg\r\n"
              "2024-03-07 07:05:09 - Load: 2\r\n"
              "code A?B???[2J caf\xc3\xa9 ? end\r\n");
}

TEST(EventLog, RotationMovesTheFileAndReopenStartsANewOne) {
    test::TempDir dir;
    Clock clock;
    EventLog log(dir.path(), clock);
    log.write("first");
    const auto rotated = dir / "VelarisAccessi.log.1";
    std::filesystem::rename(log.path(), rotated);
    // Until told, lines follow the open file to its new name, whole.
    log.write(std::string(100000, 'x'));
    log.reopen();
    log.write("after rotation");
    EXPECT_EQ(slurp(rotated), "first\r\n" + std::string(100000, 'x') + "\r\n");
    EXPECT_EQ(slurp(log.path()), "after rotation\r\n");
    // A file removed outright is recreated at the next line, without a reopen.
    std::filesystem::remove(log.path());
    log.write("recreated");
    EXPECT_EQ(slurp(log.path()), "recreated\r\n");
}
