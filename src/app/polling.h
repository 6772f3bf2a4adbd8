#pragma once
// The polling cycle: Timer1 once a second drains the queue, keeps the idle clocks
// current, keeps the listener alive, reads the NET92 network and picks up inbound
// messages injected through the database; Timer2 reports push terminals that never
// connected.

#include "app/system.h"

namespace velaris {

void Timer1_Tick(Sistema& s);
void Timer2_Tick(Sistema& s);

// Hands a code read at `address` to message processing at once: positions the terminal,
// stops Timer1 for the duration, restarts it after.
void processaLettura(Sistema& s, int address, std::string message, int connectionIndex);

// Where the listener links (HTTP push, framed records) hand their reads: each is
// processed in its turn (Sistema::accogliLettura), on the connection it came on.
class LettureTerminali final : public IntakeSink {
public:
    explicit LettureTerminali(Sistema& s) : s_(s) {}
    void codeRead(int address, const std::string& code, int connectionIndex, Reply reply = {}) override;

private:
    Sistema& s_;
};

}  // namespace velaris
