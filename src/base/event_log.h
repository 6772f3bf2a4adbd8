#pragma once
// The event log: "VelarisAccessi.log", one line per write. Each line reaches the file with
// one append-mode write, so it is whole and on disk at once, whoever else reads the file.
// The file stays open between lines; reopen() (on SIGHUP) makes the next line go to a new
// file at the same path after the log rotation has moved the old one away. A file removed
// outright is noticed and recreated at the next line.
// Writing never raises: a line that cannot be written is lost and the caller goes on.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"

namespace velaris {

class EventLog {
public:
    static constexpr const char* kFileName = "VelarisAccessi.log";

    // The log lives in `folder` (the program's own folder unless a log folder is given).
    EventLog(std::filesystem::path folder, const Clock& clock);
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Writes the text as one line ended by CR LF; an empty text writes nothing.
    void write(std::string_view line) noexcept;

    // "Error: <number> - <description> - Function <name>": the line of the query helpers
    // and business procedures.
    void error(long number, std::string_view description, std::string_view function) noexcept;
    // "<date time> - Error: <description> - Function <name>": the line of the queue and
    // sender (with " Index:<n>" before " - Function" when a socket index is given).
    void timedError(std::string_view description, std::string_view function, int socketIndex = -1) noexcept;
    // "<date time> - <text>": timed lines such as the HTTP-push "Load:"/"Close:" lines.
    void timed(std::string_view text) noexcept;

    // Every line also goes to this observer (tests, the operator window).
    void setObserver(std::function<void(std::string_view)> observer) {
        observers_.clear();
        addObserver(std::move(observer));
    }
    // A further observer beside the ones already set (the status page).
    void addObserver(std::function<void(std::string_view)> observer) {
        if (observer) observers_.push_back(std::move(observer));
    }

    // Closes the file; the next line opens the path anew (log rotation).
    void reopen() noexcept;

    const std::filesystem::path& path() const { return path_; }
    std::string stamp() const;  // "YYYY-MM-DD HH:MM:SS" of the system clock

    // The folder of the running executable (the default log folder).
    static std::filesystem::path programFolder();

private:
    std::filesystem::path path_;
    const Clock& clock_;
    std::vector<std::function<void(std::string_view)>> observers_;
    int fd_ = -1;
};

}  // namespace velaris
