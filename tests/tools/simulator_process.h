#pragma once
// The simulator run as a child process whose standard input the test writes and whose
// standard output is read on the test's event loop, so in-test servers keep running while
// the test waits for a line. Every wait is bounded; the child is always reaped.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <asio.hpp>

#include "base/event_loop.h"

extern char** environ;

namespace velaris::test {

class SimulatorProcess {
public:
    SimulatorProcess(EventLoop& loop, const std::vector<std::string>& args) : loop_(loop), out_(loop.io()) {
        ::signal(SIGPIPE, SIG_IGN);  // a child that has gone must not take the test with it
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<std::string> all{VELARIS_TERMINALE_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        out_.assign(out[0]);
        read();
    }
    ~SimulatorProcess() {
        closeInput();
        if (pid_ > 0 && !exitStatus(std::chrono::milliseconds(0))) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        asio::error_code ignored;
        out_.close(ignored);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void write(const std::string& line) {
        const std::string text = line + "\n";
        if (stdin_ >= 0) [[maybe_unused]] auto n = ::write(stdin_, text.data(), text.size());
    }
    void closeInput() {
        if (stdin_ >= 0) ::close(stdin_);
        stdin_ = -1;
    }
    const std::vector<std::string>& lines() const { return lines_; }
    bool has(const std::string& line) const { return std::find(lines_.begin(), lines_.end(), line) != lines_.end(); }
    // Runs the loop until the simulator printed `line` (or the bound passed).
    bool waitForLine(const std::string& line, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        return loop_.waitUntil([&] { return has(line); }, bound);
    }
    // The exit status once the child has ended within the bound.
    std::optional<int> exitStatus(std::chrono::milliseconds bound) {
        if (status_) return status_;
        loop_.waitUntil(
            [&] {
                int st = 0;
                if (::waitpid(pid_, &st, WNOHANG) == pid_) status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
                return status_.has_value();
            },
            bound);
        return status_;
    }

private:
    void read() {
        out_.async_read_some(asio::buffer(rx_), [this](const asio::error_code& e, std::size_t n) {
            if (e) return;
            partial_.append(rx_.data(), n);
            for (std::size_t eol; (eol = partial_.find('\n')) != std::string::npos;) {
                lines_.push_back(partial_.substr(0, eol));
                partial_.erase(0, eol + 1);
            }
            read();
        });
    }
    EventLoop& loop_;
    asio::posix::stream_descriptor out_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    std::optional<int> status_;
    std::array<char, 4096> rx_{};
    std::string partial_;
    std::vector<std::string> lines_;
};

}  // namespace velaris::test
