#pragma once
// The event log: "VelarisAccessi.log", one line per write, opened and closed for every
// line so that each line reaches the disk at once and others may read or move the file.
// Writing never raises: a line that cannot be written is lost and the caller goes on.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace velaris {

class EventLog {
public:
    static constexpr const char* kFileName = "VelarisAccessi.log";

    // The log lives in `folder` (the program's own folder unless a log folder is given).
    EventLog(std::filesystem::path folder, const Clock& clock);

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
    void setObserver(std::function<void(std::string_view)> observer) { observer_ = std::move(observer); }

    const std::filesystem::path& path() const { return path_; }
    std::string stamp() const;  // "YYYY-MM-DD HH:MM:SS" of the system clock

    // The folder of the running executable (the default log folder).
    static std::filesystem::path programFolder();

private:
    std::filesystem::path path_;
    const Clock& clock_;
    std::function<void(std::string_view)> observer_;
};

}  // namespace velaris
