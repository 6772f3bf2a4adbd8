#pragma once
// Runs velaris-accessi (or another program) as a child process for end-to-end tests and
// benchmarks: standard error is captured, waits are bounded, the child is always reaped.

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace velaris::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `args`; standard output and error both go to the capture.
    void start(const std::string& program, const std::vector<std::string>& args);
    // Waits until the captured output contains `text`; false on time-out or exit.
    bool waitFor(const std::string& text, std::chrono::milliseconds timeout);
    // Sends `signal` and waits for the exit; returns the exit status (128+n when killed).
    int stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for the exit without a signal.
    int wait(std::chrono::milliseconds timeout);
    const std::string& output();
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

private:
    void pump(std::chrono::milliseconds timeout);
    pid_t pid_ = -1;
    int fd_ = -1;
    int status_ = -1;
    std::string output_;
};

// A TCP port on 127.0.0.1 that was free a moment ago.
int freePort();
// A blocking TCP connection to 127.0.0.1:port; -1 when refused.
int connectLoopback(int port);
// Reads from `fd` until `until` has arrived (never, when empty), the peer closes (then
// `*closed` is set) or the time is up; returns what was read.
std::string readFrom(int fd, const std::string& until, std::chrono::milliseconds timeout, bool* closed = nullptr);
// Runs a command to completion and returns {exit status, standard output}.
std::pair<int, std::string> runCommand(const std::string& program, const std::vector<std::string>& args);

}  // namespace velaris::test
