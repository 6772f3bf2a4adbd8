#include "base/event_log.h"

#include "base/format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace velaris {

EventLog::EventLog(std::filesystem::path folder, const Clock& clock)
    : path_(std::move(folder) / kFileName), clock_(clock) {}

EventLog::~EventLog() { reopen(); }

void EventLog::reopen() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::filesystem::path EventLog::programFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::string EventLog::stamp() const { return clock_.now().canonical(); }

namespace {

// Whether the line can go out as it is: printable ASCII (checked the cheap way first;
// testoPerLog decides the rest, keeping well-formed UTF-8).
bool clean(std::string_view line) {
    return std::none_of(line.begin(), line.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b >= 0x7F;
    });
}

}  // namespace

void EventLog::write(std::string_view raw) noexcept {
    if (raw.empty()) return;
    try {
        // Whatever a terminal sent (NUL, control bytes, broken encodings) is shown as "?";
        // every line stays one printable line.
        std::string sanitised;
        if (!clean(raw)) sanitised = testoPerLog(raw, std::string_view::npos);
        const std::string_view line = sanitised.empty() ? raw : std::string_view(sanitised);
        for (const auto& observer : observers_) observer(line);
        std::string text;
        text.reserve(line.size() + 2);
        text.append(line).append("\r\n");
        if (fd_ >= 0) {
            // Removed outright (not renamed): start a new file instead of writing into the void.
            struct stat st {};
            if (::fstat(fd_, &st) != 0 || st.st_nlink == 0) reopen();
        }
        if (fd_ < 0) fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) return;
        // One write per line: with O_APPEND the line lands whole at the end of whichever
        // file the path named when it was opened, even across a rotation.
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
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
