// velaris-terminale: plays one or more access terminals of any link kind against a running
// server and prints what each of them receives. Commands come one per line on standard
// input (or from --command / --read for a one-shot run); see docs/simulator.md.

#include <unistd.h>

#include <csignal>
#include <deque>
#include <iostream>

#include <CLI/CLI.hpp>
#include <asio.hpp>

#include "terminale/protocol.h"
#include "terminale/simulator.h"

using namespace velaris::terminale;

namespace {

// Runs the script: commands one after the other, `wait` pausing without holding up the
// network, and a drain wait at the end so the last answers are still printed.
class Script {
public:
    Script(asio::io_context& io, Simulator& sim, std::chrono::milliseconds linger)
        : io_(io), sim_(sim), timer_(io), linger_(linger) {}

    void line(std::string text) {
        queue_.push_back(std::move(text));
        pump();
    }
    void endOfInput() {
        eof_ = true;
        pump();
    }
    void finish(std::chrono::milliseconds linger) {
        if (finishing_) return;
        finishing_ = true;
        if (onFinish) onFinish();
        timer_.cancel();
        timer_.expires_after(linger);
        timer_.async_wait([this](const asio::error_code&) {
            sim_.stop();
            io_.stop();
        });
    }
    std::function<void()> onFinish;  // stop reading the input
    int errors() const { return errors_; }

private:
    void pump() {
        while (!waiting_ && !finishing_ && !queue_.empty()) {
            const std::string text = std::move(queue_.front());
            queue_.pop_front();
            std::string error;
            const auto c = parseCommand(text, error);
            if (!c) {
                ++errors_;
                sim_.output().note(error);
                continue;
            }
            switch (c->kind) {
                case Command::Kind::None: break;
                case Command::Kind::Quit: finish(linger_); return;
                case Command::Kind::Wait:
                    waiting_ = true;
                    timer_.expires_after(std::chrono::milliseconds(static_cast<long>(c->seconds * 1000)));
                    timer_.async_wait([this](const asio::error_code& e) {
                        if (e || finishing_) return;
                        waiting_ = false;
                        pump();
                    });
                    return;
                default: sim_.execute(*c);
            }
        }
        if (eof_ && queue_.empty() && !waiting_) finish(linger_);
    }

    asio::io_context& io_;
    Simulator& sim_;
    asio::steady_timer timer_;
    std::chrono::milliseconds linger_;
    std::deque<std::string> queue_;
    bool eof_ = false, waiting_ = false, finishing_ = false;
    int errors_ = 0;
};

// Standard input, line by line, without blocking the loop. Files and /dev/null cannot be
// watched by the loop; they are read at once.
class InputReader {
public:
    InputReader(asio::io_context& io, Script& script) : in_(io), script_(script) {}

    void start() {
        asio::error_code ec;
        const int fd = ::dup(STDIN_FILENO);
        if (fd >= 0) in_.assign(fd, ec);
        if (fd < 0 || ec) {
            if (fd >= 0) ::close(fd);
            for (std::string l; std::getline(std::cin, l);) script_.line(l);
            script_.endOfInput();
            return;
        }
        read();
    }
    void stop() {
        asio::error_code ignored;
        in_.close(ignored);
    }

private:
    void read() {
        asio::async_read_until(in_, asio::dynamic_buffer(buffer_), '\n', [this](const asio::error_code& e, std::size_t n) {
            if (e == asio::error::operation_aborted || !in_.is_open()) return;
            if (e) {
                // The input ended; a last line without its line break still counts.
                if (!buffer_.empty()) script_.line(std::exchange(buffer_, {}));
                stop();
                script_.endOfInput();
                return;
            }
            std::string l = buffer_.substr(0, n - 1);
            buffer_.erase(0, n);
            if (!l.empty() && l.back() == '\r') l.pop_back();
            script_.line(std::move(l));
            if (in_.is_open()) read();
        });
    }
    asio::posix::stream_descriptor in_;
    Script& script_;
    std::string buffer_;
};

std::optional<TerminalSpec> terminalSpec(const std::string& text) {
    TerminalSpec t;
    const std::size_t at = text.find('@');
    const std::string id = text.substr(0, at);
    if (id.empty() || id.size() > 5 || id.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    t.id = std::stoi(id);
    if (t.id < 1 || t.id > 65535) return std::nullopt;
    if (at != std::string::npos) {
        t.ip = text.substr(at + 1);
        if (t.ip.empty()) return std::nullopt;
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Plays access terminals against a running Velaris server and prints what they receive.\n"
                 "Commands on standard input, one per line: read <id> <code> | raw <id> <text> | keepalive <id> |\n"
                 "wait <seconds> | quit"};
    Options o;
    std::vector<std::string> ids, commands;
    std::string readCode, format = "H";
    double linger = 1.0;
    app.add_option("-k,--kind", o.kind, "link kind: 1 NET92, 2 Ethernet controller, 3 HTTP push, 4 TCP records")
        ->check(CLI::Range(1, 4))
        ->capture_default_str();
    app.add_option("-s,--server", o.server,
                   "host:port: the server (kinds 2-4: 127.0.0.1:9300, :8080, :10001) or, for kind 1, the NET92 "
                   "gateway address to play (127.0.0.1:9200)");
    app.add_option("-i,--id", ids, "a terminal to play: its address, or address@ip (kinds 2 and 4: the controller's "
                                   "or terminal's own IP, default 127.0.0.1)")
        ->required();
    app.add_option("--terminal-port", o.terminalPort, "kind 4: the port the server's client link connects to")
        ->capture_default_str();
    app.add_option("--controller-port", o.controllerPort, "kind 2: the port the controllers listen on")
        ->capture_default_str();
    app.add_option("--line", o.line, "kind 1: the gateway line until the server's first datagram")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    app.add_option("--format", format, "kind 4: record format of reads, H or L")
        ->check(CLI::IsMember({"H", "L"}))
        ->capture_default_str();
    app.add_option("--keepalive", o.keepalivePeriod, "kind 3: seconds between keepalives until the server says")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();
    app.add_option("--linger", linger, "seconds to keep printing after quit or the end of input")
        ->check(CLI::Range(0.0, 600.0))
        ->capture_default_str();
    app.add_flag("--split-lines", o.splitLines, "print each display line (\"|\") on its own line");
    app.add_flag("-v,--verbose", o.verbose, "also note keepalive answers, acknowledgements and ignored traffic");
    app.add_option("-c,--command", commands, "one-shot: run these commands instead of reading standard input");
    app.add_option("--read", readCode, "one-shot: the first terminal reads this code");
    CLI11_PARSE(app, argc, argv);

    for (const auto& text : ids) {
        const auto t = terminalSpec(text);
        if (!t) {
            std::cerr << "velaris-terminale: '" << text << "' is not a terminal address (1-65535, optionally @ip)\n";
            return 2;
        }
        o.terminals.push_back(*t);
    }
    o.recordFormat = format[0];

    asio::io_context io;
    Simulator sim(io, o, std::cout, std::cerr);
    std::string error;
    if (!sim.start(error)) {
        std::cerr << "velaris-terminale: " << error << '\n';
        return 1;
    }
    Script script(io, sim, std::chrono::milliseconds(static_cast<long>(linger * 1000)));
    InputReader input(io, script);
    script.onFinish = [&] { input.stop(); };
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code& e, int) {
        if (!e) script.finish(std::chrono::milliseconds(0));
    });

    if (!readCode.empty()) commands.insert(commands.begin(), "read " + std::to_string(o.terminals.front().id) + " " + readCode);
    asio::post(io, [&] {
        if (commands.empty()) {
            input.start();
            return;
        }
        for (const auto& c : commands) script.line(c);
        script.endOfInput();
    });
    io.run();
    signals.cancel();
    return 0;
}
