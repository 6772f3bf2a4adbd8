#pragma once
// The client socket through which the system reaches the TCP terminals (link kind 4), one
// connection at a time: the start-up probe and the relay command of every verdict for a
// terminal of type 5. A command is sent as soon as its connection is up; the terminal
// then answers and closes. The terminal's records that begin STX "27" are answers.
//
// Single-threaded: the waits of sendCommand() and probe() let other events run.

#include <asio.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "base/value.h"
#include "terminals/socketlink/frames.h"
#include "terminals/socketlink/record_framer.h"

namespace velaris {

class ClientLink {
public:
    static constexpr int kClosed = 0;
    static constexpr int kConnecting = 6;
    static constexpr int kConnected = 7;

    // The terminals' port (setting `Terminal_Port`).
    static constexpr uint16_t kDefaultPort = 10001;

    // `wait`: how long a busy connection is given before it is cut off.
    ClientLink(EventLoop& loop, EventLog& log, std::chrono::milliseconds wait = std::chrono::seconds(3));
    ~ClientLink();
    ClientLink(const ClientLink&) = delete;
    ClientLink& operator=(const ClientLink&) = delete;

    int state() const { return state_; }
    // Starts connecting to a numeric IP address; the pending command goes out once
    // connected. A text that is no IP address fails like a refused connection.
    void connect(const std::string& ip, uint16_t port);
    // Closes the connection, if any; state becomes kClosed.
    void close();

    // The frame to send once the connection is up; emptied when sent.
    std::string Comando_Connessione;
    // True when the terminal's last record was an answer (STX "27").
    bool Risposta_Winsock2 = false;

    // Sends one command frame on a fresh connection. A connection still connecting, or
    // still open, is given up to `wait` to finish and is then closed. -1 when the socket
    // could not be freed or `ip` is blank (nothing sent), 0 when the connection has been
    // started (the frame goes out when it is up; a failure to connect loses it).
    int sendCommand(const std::string& ip, uint16_t port, const std::string& frame);

    // Nothing is on its way: no connection is being set up and the last command, if any,
    // has been written (shutdown waits for this before the process ends).
    bool idle() const;

    // Start-up check of one terminal: sends the probe frame on a fresh connection and
    // waits up to `wait` for the answer. An earlier connection still open is closed first,
    // and the answer flag is cleared, so that each terminal is judged by its own answer.
    bool probe(const std::string& ip, uint16_t port);

private:
    struct Connection;
    void read(const std::shared_ptr<Connection>& c);
    void fail(const std::shared_ptr<Connection>& c, const asio::error_code& ec, const char* function);
    void noteRecord(const std::string& record);

    EventLoop& loop_;
    EventLog& log_;
    std::chrono::milliseconds wait_;
    int state_ = kClosed;
    std::shared_ptr<Connection> conn_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace velaris
