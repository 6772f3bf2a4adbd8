#include "base/event_log.h"

#include <cstdio>
#include <system_error>
#include <unistd.h>

namespace velaris {

EventLog::EventLog(std::filesystem::path folder, const Clock& clock)
    : path_(std::move(folder) / kFileName), clock_(clock) {}

std::filesystem::path EventLog::programFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::string EventLog::stamp() const { return clock_.now().canonical(); }

void EventLog::write(std::string_view line) noexcept {
    if (line.empty()) return;
    try {
        if (observer_) observer_(line);
        std::FILE* f = std::fopen(path_.c_str(), "ab");
        if (!f) return;
        std::fwrite(line.data(), 1, line.size(), f);
        std::fwrite("\r\n", 1, 2, f);
        std::fclose(f);
    } catch (...) {
        // Logging never stops the system.
    }
}

void EventLog::error(long number, std::string_view description, std::string_view function) noexcept {
    try {
        std::string line = "Error: " + std::to_string(number) + " - ";
        line.append(description).append(" - Function ").append(function);
        write(line);
    } catch (...) {
    }
}

void EventLog::timedError(std::string_view description, std::string_view function, int socketIndex) noexcept {
    try {
        std::string line = stamp() + " - Error: ";
        line.append(description);
        if (socketIndex >= 0) line.append(" Index:").append(std::to_string(socketIndex));
        line.append(" - Function ").append(function);
        write(line);
    } catch (...) {
    }
}

void EventLog::timed(std::string_view text) noexcept {
    try {
        std::string line = stamp() + " - ";
        line.append(text);
        write(line);
    } catch (...) {
    }
}

}  // namespace velaris
