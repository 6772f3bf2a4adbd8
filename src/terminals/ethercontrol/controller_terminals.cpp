#include "terminals/ethercontrol/controller_terminals.h"

#include <algorithm>
#include <set>

namespace velaris {

ControllerTerminals::ControllerTerminals(EtherCtrl& driver, EventLog& log, LinkHost& host)
    : driver_(driver), log_(log), host_(host) {
    EtherCtrl::Events events;
    events.messageRecv = [this](const std::string&, const std::string& data, int, int address) {
        onMessage(data, address);
    };
    events.acknowledged = [this](const std::string&) { onAcknowledged(); };
    driver_.setEvents(std::move(events));
}

const LinkTraits& ControllerTerminals::traits() const {
    static const LinkTraits kTraits = [] {
        LinkTraits t;
        t.promptDelay = 3;
        t.refreshesClock = true;
        t.retriesUndelivered = false;
        return t;
    }();
    return kTraits;
}

LinkStart ControllerTerminals::bringUp(const std::vector<LinkTerminal>& terminals) {
    const int highest = terminals.empty() ? 0 : terminals.back().address;
    busy_.assign(static_cast<size_t>(std::max(highest, 0) + 1), 0);
    std::set<std::string> ips;
    for (const LinkTerminal& t : terminals)
        if (!t.ip.empty()) ips.insert(t.ip);
    controllers_.clear();
    for (const std::string& ip : ips) controllers_.push_back({ip, 0});

    switch (driver_.SetDefaultTTYMode(1)) {
        case -1: return {false, "SetDefaultTTYMode: error."};
        case -2: return {false, "SetDefaultTTYMode: mode not allowed."};
        case -3: return {false, "SetDefaultTTYMode: new port reply mode is set."};
        default: break;
    }
    switch (driver_.StartService()) {
        case 0: return {true, ""};
        case -1: return {false, "Service already inizialized."};
        case -2: return {false, "Unable to create the Timer."};
        case -3: return {false, "Network card errore."};
        case -4: return {false, "UDP PORT already in use by another program."};
        default: return {false, ""};  // not up, and nothing to tell
    }
}

bool ControllerTerminals::probe(const LinkTerminal& terminal) {
    std::string probeText = "%%";
    return send(terminal.address, probeText, 0) == 0;
}

int ControllerTerminals::send(int address, std::string& message, int sendMode) {
    if (sendMode == 0) {
        host_.queue(address, message, 0);
        return 0;
    }
    if (sendMode != 1 && sendMode != 2) return 0;
    const std::string ip = host_.ipOf(address);
    const Controller* controller = controllerOf(address);
    if (controller && controller->inFlight >= 2) {
        host_.queue(address, message, 0);  // to the end of the terminal's queue
        return 0;
    }
    if (int16_t* b = busy(address)) *b = 1;
    const int result = driver_.SendMessage(ip, address, message, static_cast<int>(message.size()));
    if (result != 0) {
        // The controller refused: an event-log line, never a box that stops the loop.
        log_.timed("Errore n° " + std::to_string(result) + " nell'invio del messaggio: '" + message +
                   "' al terminale: " + std::to_string(address));
        return -1;
    }
    return 0;
}

bool ControllerTerminals::readyFor(int address, const DateTime& due, const DateTime& now) {
    Controller* controller = controllerOf(address);
    const int16_t inFlight = controller ? controller->inFlight : 0;
    int16_t* b = busy(address);
    if ((!b || *b == 0) && inFlight < 2) return true;
    if (now.secondOfDay() - due.secondOfDay() > 6) {
        if (controller && controller->inFlight >= 2) --controller->inFlight;
        if (b) *b = 0;
    }
    return false;
}

void ControllerTerminals::delivered(int address) {
    if (int16_t* b = busy(address)) *b = 1;
    if (Controller* controller = controllerOf(address)) ++controller->inFlight;
}

bool ControllerTerminals::acknowledged(int address) const {
    return address < 0 || address >= static_cast<int>(busy_.size()) || busy_[static_cast<size_t>(address)] == 0;
}

std::vector<std::string> ControllerTerminals::controllers() const {
    std::vector<std::string> ips;
    for (const Controller& c : controllers_) ips.push_back(c.ip);
    return ips;
}

int ControllerTerminals::inFlight(const std::string& ip) const {
    for (const Controller& c : controllers_)
        if (c.ip == ip) return c.inFlight;
    return -1;
}

ControllerTerminals::Controller* ControllerTerminals::controllerOf(int address) {
    const std::string ip = host_.ipOf(address);
    for (Controller& c : controllers_)
        if (c.ip == ip) return &c;
    return nullptr;
}

int16_t* ControllerTerminals::busy(int address) {
    return address >= 0 && address < static_cast<int>(busy_.size()) ? &busy_[static_cast<size_t>(address)] : nullptr;
}

void ControllerTerminals::onMessage(const std::string& data, int address) {
    if (address == 0) return;
    // The first character is not part of the message; status messages are not reads.
    const std::string message = data.size() > 1 ? data.substr(1) : std::string();
    if (message.find_first_of(":&#!") != std::string::npos) return;
    host_.terminalMessage(address, message);
}

void ControllerTerminals::onAcknowledged() {
    const int address = driver_.AckAddress();
    if (int16_t* b = busy(address)) *b = 0;
    if (Controller* controller = controllerOf(address); controller && controller->inFlight > 0) --controller->inFlight;
}

}  // namespace velaris
