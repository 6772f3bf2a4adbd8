#pragma once
// A loopback HTTP-push terminal for end-to-end tests: one connection that identifies
// itself, reports card reads and collects everything the server writes back.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace velaris::test {

class TerminaleHttp {
public:
    TerminaleHttp(int port, int id) : id_(id) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~TerminaleHttp() {
        if (fd_ >= 0) close(fd_);
    }
    TerminaleHttp(const TerminaleHttp&) = delete;
    TerminaleHttp& operator=(const TerminaleHttp&) = delete;

    bool ok() const { return connected_; }
    void get(const std::string& path) {
        const std::string r = "GET " + path + " HTTP/1.1\r\nHost: velaris\r\n\r\n";
        ASSERT_EQ(::send(fd_, r.data(), r.size(), MSG_NOSIGNAL), static_cast<ssize_t>(r.size()));
    }
    // Identifies the terminal and waits for the server's answer.
    bool presenta(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        get("/keepalive?id=" + std::to_string(id_));
        return attendi("keepaliveperiod=", timeout);
    }
    // Reads until `text` has arrived or the time is up; true when it arrived.
    bool attendi(const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (ricevuto.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            char buf[4096];
            const ssize_t n = recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return false;
            ricevuto.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    // A card read or a key: the code is the fifth field of the transaction. What arrived
    // before is forgotten.
    void leggi(const std::string& code) {
        ricevuto.clear();
        get("/online?trsn=1,20240307,103000,0," + code + "&id=" + std::to_string(id_) + "&");
    }
    std::string ricevuto;

private:
    int id_;
    int fd_ = -1;
    bool connected_ = false;
};

}  // namespace velaris::test
