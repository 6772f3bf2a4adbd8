#include "harness/child_process.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace velaris::test {

namespace {
std::vector<char*> argvOf(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}
}  // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0) stop(SIGKILL, std::chrono::seconds(5));
    if (fd_ >= 0) ::close(fd_);
}

void ChildProcess::start(const std::string& program, const std::vector<std::string>& args) {
    int pipefd[2];
    if (pipe(pipefd) != 0) throw std::runtime_error("pipe failed");
    auto argv = argvOf(program, args);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(pipefd[1], 1);
        dup2(pipefd[1], 2);
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(pipefd[1]);
    fd_ = pipefd[0];
    fcntl(fd_, F_SETFL, O_NONBLOCK);
}

void ChildProcess::pump(std::chrono::milliseconds timeout) {
    if (fd_ < 0) return;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd_, buf, sizeof buf)) > 0) output_.append(buf, static_cast<size_t>(n));
}

bool ChildProcess::waitFor(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (output_.find(text) == std::string::npos) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        pump(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now), std::chrono::milliseconds(50)));
        if (pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            pump(std::chrono::milliseconds(50));
            return output_.find(text) != std::string::npos;
        }
    }
    return true;
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        if (waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            pid_ = -1;
            break;
        }
        pump(std::chrono::milliseconds(20));
    }
    pump(std::chrono::milliseconds(0));
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
    return -1;
}

int ChildProcess::stop(int signal, std::chrono::milliseconds timeout) {
    if (pid_ > 0) kill(pid_, signal);
    return wait(timeout);
}

const std::string& ChildProcess::output() {
    pump(std::chrono::milliseconds(0));
    return output_;
}

int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

int connectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string readFrom(int fd, const std::string& until, std::chrono::milliseconds timeout, bool* closed) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while ((until.empty() || got.find(until) == std::string::npos) && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buf[8192];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            if (closed) *closed = true;
            break;
        }
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

std::pair<int, std::string> runCommand(const std::string& program, const std::vector<std::string>& args) {
    ChildProcess p;
    p.start(program, args);
    const int status = p.wait(std::chrono::seconds(60));
    return {status, p.output()};
}

}  // namespace velaris::test
