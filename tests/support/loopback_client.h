#pragma once
// A blocking TCP client on loopback with bounded reads: the terminals and peers the
// server-level tests play.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace velaris::test {

class LoopbackClient {
public:
    // Connects to `port` on 127.0.0.1.
    explicit LoopbackClient(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~LoopbackClient() {
        if (fd_ >= 0) close(fd_);
    }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool ok() const { return connected_; }
    void send(const std::string& s) {
        ASSERT_EQ(::send(fd_, s.data(), s.size(), MSG_NOSIGNAL), static_cast<ssize_t>(s.size()));
    }
    // Reads until `text` has arrived or the time is up; returns everything read so far.
    std::string readUntil(const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (buffer_.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char buf[4096];
            const ssize_t n = recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) break;
            buffer_.append(buf, static_cast<size_t>(n));
        }
        return buffer_;
    }
    // Forgets what arrived so far.
    void clear() { buffer_.clear(); }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::string buffer_;
};

}  // namespace velaris::test
