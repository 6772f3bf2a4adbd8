#pragma once
// A loopback HTTP-push terminal for end-to-end tests: one connection that identifies
// itself, reports card reads and collects everything the server writes back.

#include <chrono>
#include <string>

#include "support/loopback_client.h"

namespace velaris::test {

class TerminaleHttp {
public:
    TerminaleHttp(int port, int id) : conn_(port), id_(id) {}

    bool ok() const { return conn_.ok(); }
    void get(const std::string& path) { conn_.send("GET " + path + " HTTP/1.1\r\nHost: velaris\r\n\r\n"); }
    // Identifies the terminal and waits for the server's answer.
    bool presenta(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        get("/keepalive?id=" + std::to_string(id_));
        return attendi("keepaliveperiod=", timeout);
    }
    // Reads until `text` has arrived or the time is up; true when it arrived.
    bool attendi(const std::string& text, std::chrono::milliseconds timeout) {
        ricevuto = conn_.readUntil(text, timeout);
        return ricevuto.find(text) != std::string::npos;
    }
    // A card read or a key: the code is the fifth field of the transaction. What arrived
    // before is forgotten.
    void leggi(const std::string& code) {
        conn_.clear();
        ricevuto.clear();
        get("/online?trsn=1,20240307,103000,0," + code + "&id=" + std::to_string(id_) + "&");
    }
    std::string ricevuto;

private:
    LoopbackClient conn_;
    int id_;
};

}  // namespace velaris::test
