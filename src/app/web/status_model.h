#pragma once
// What the status page shows, gathered from the running system: the version and link,
// the configured terminals with their dialogue state and whether they are connected now,
// today's admitted and refused reads, the newest access display rows as the desk sees
// them, and the event log's last lines. Never a connection string, password or path.
//
// The database is read only by refresh(), which the page server calls after a card read
// was processed and at a slow pace while someone watches; building the JSON reads
// memory only, so a request to the page never waits on the database.

#include <chrono>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "system/system.h"

namespace velaris {

class StatusModel {
public:
    static constexpr size_t kRows = 30;      // access display rows kept for the page
    static constexpr size_t kLogLines = 40;  // event log lines kept for the page

    explicit StatusModel(Sistema& s);

    // Re-reads the dialogue states, the newest display rows and today's counts. A failing
    // query leaves the previous figures and marks the database as not answering.
    void refresh();
    // The last refresh found the database answering.
    bool databaseOk() const { return databaseOk_; }
    // The terminal link is up: terminals initialised and, for the listening links, the
    // listener open.
    bool linkUp() const;
    // 200 material: database answers (asked again when the last answer is older than
    // `maxAge`) and link up. `reason` says what is wrong otherwise.
    bool healthy(std::string& reason, std::chrono::milliseconds maxAge = std::chrono::seconds(2));

    // Every event log line passes here (the log's observer).
    void logLine(std::string_view line);

    // The whole status as one JSON object.
    std::string json() const;

private:
    struct Row {
        int64_t id = 0;
        std::string time, date, name, card, outcome, irregularity, entrance;
        const char* verdict = "";  // "admitted", "refused" or "" for a short row
        int terminal = 0;
        bool admitted = false, exit = false;
    };
    bool connectedNow(int address) const;

    Sistema& s_;
    bool databaseOk_ = false;
    std::chrono::steady_clock::time_point lastProbe_{};
    std::vector<std::pair<int, int>> states_;  // address, Stato of its state row
    std::vector<Row> rows_;                    // newest first
    int64_t admitted_ = 0, refused_ = 0;
    std::string refreshedAt_;
    std::deque<std::string> log_;
};

// A JSON string literal of `text` (UTF-8; invalid bytes become U+FFFD).
std::string jsonString(std::string_view text);
// The line with any password and database path of a connection string masked.
std::string senzaSegreti(std::string_view line);
// The dialogue state of a state row in words.
const char* descriviStato(int stato);

}  // namespace velaris
