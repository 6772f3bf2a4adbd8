#pragma once
// A running system on a fresh schema database with fake links and a captured operator:
// what each terminal was sent is recorded in order.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/links_factory.h"
#include "support/test_support.h"
#include "system/system.h"

namespace velaris::test {

struct Sent {
    int address;
    std::string text;
};

class FakeOperatore : public Operatore {
public:
    void messageBox(const std::string& text, Icona icon) override { boxes.push_back({text, icon}); }
    void beep() override { ++beeps; }
    struct Box { std::string text; Icona icon; };
    std::vector<Box> boxes;
    int beeps = 0;
};

class FakeNet92 : public Net92 {
public:
    int InitN92(int port, int mode, int maxAddress, int) override {
        initArgs = {port, mode, maxAddress};
        return 1;
    }
    int ResetN92() override { return 0; }
    int SendMsg(int address, const std::string& message) override {
        sent.push_back({address, message});
        return 0;
    }
    int PollTerm(int address, std::string& buffer) override;
    std::vector<int> initArgs;
    std::vector<Sent> sent;
    std::map<int, int> answers;                   // address -> PollTerm result when idle
    std::map<int, std::vector<std::string>> reads;  // address -> pending reads (text after the address byte)
    int pendingFor = -1;
};

class FakeEtherCtrl : public EtherCtrl {
public:
    void setEvents(Events e) override { events = std::move(e); }
    int SetDefaultTTYMode(int) override { return 0; }
    int StartService() override { return startResult; }
    int SendMessage(const std::string&, int address, const std::string& message, int) override {
        sent.push_back({address, message});
        return sendResult;
    }
    int StopService() override { ++stops; return 0; }
    int AckAddress() const override { return ackAddress; }
    Events events;
    int startResult = 0, sendResult = 0, stops = 0, ackAddress = 0;
    std::vector<Sent> sent;
};

class FakeConnessioni : public Connessioni {
public:
    struct Member { std::string tag; bool connected = true; std::vector<std::string> written; };
    int highestIndex() const override { return static_cast<int>(members.size()); }
    bool loaded(int i) const override { return i >= 1 && i <= highestIndex(); }
    bool connected(int i) const override { return loaded(i) && members[static_cast<size_t>(i - 1)].connected; }
    std::string tag(int i) const override { return loaded(i) ? members[static_cast<size_t>(i - 1)].tag : ""; }
    bool send(int i, const std::string& wire) override {
        if (!connected(i)) return false;
        members[static_cast<size_t>(i - 1)].written.push_back(wire);
        return true;
    }
    bool written() const override { return true; }  // written at once
    bool listening() const override { return isListening; }
    bool listen(std::string& error) override {
        ++listens;
        if (!listenOk) error = "address in use";
        isListening = listenOk;
        return listenOk;
    }
    int connect(const std::string& tag) {
        members.push_back({tag, true, {}});
        return highestIndex();
    }
    std::vector<Member> members;
    bool isListening = false, listenOk = true;
    int listens = 0;
};

class FakeClient : public CollegamentoClient {
public:
    int sendCommand(const std::string& ip, const std::string& frame) override {
        commands.push_back({ip, frame});
        if (answerProbes && frame == std::string("\x02") + "17" + "\x03") answered = true;
        return 0;
    }
    bool risposta() const override { return answered; }
    void resetRisposta() override { answered = false; }
    int state() const override { return 0; }
    bool idle() const override { return true; }
    void close() override {}
    struct Command { std::string ip, frame; };
    std::vector<Command> commands;
    bool answered = false, answerProbes = true;
};

// The system over a schema database, link kind chosen per test; the link runs on the
// fake driver of its kind. A test fails when the system sent the database a text wider
// than its column.
struct SystemFixture {
    explicit SystemFixture(int dispositivo);
    ~SystemFixture();
    DbFixture f;
    EventLoop loop;
    FakeOperatore operatore;
    Sistema s;
    FakeNet92 net92;
    FakeEtherCtrl ether;
    FakeConnessioni conn;
    FakeClient client;
    IntervalTimer timer1, timer2;
    SistemaLinkHost host{s};
    std::unique_ptr<TerminalLink> link;

    // Puts a link of another kind in place (over the same fakes).
    void collega(int dispositivo);

    // Adds an active terminal row (extra columns as "Col=value" SQL assignments).
    void terminale(int address, int tipo, const std::string& ip = "127.0.0.1", const std::string& extra = "");
    // Texts written to HTTP-push terminals, bodies only, by connection member.
    std::vector<std::string> bodies(int member) const;
    // Queue rows waiting for a terminal, oldest first.
    std::vector<std::string> queued(int address);
    Value scalar(const std::string& sql) { return f.scalar(sql); }
    void at(int h, int m, int sec) { f.clock.setFixed(DateTime::fromParts(2024, 3, 7, h, m, sec)); }
};

}  // namespace velaris::test
