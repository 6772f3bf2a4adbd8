#pragma once
// Everything that reaches a terminal goes through `KxSendMsg`, which hands it to the link
// in use; beside it the composers of output switching, receipts and the
// relay answers.

#include "system/system.h"
#include "terminals/socketlink/frames.h"

namespace velaris {

// Sends `message` to the terminal at `address`. Send mode 0 queues it for Ethernet
// controllers and sends it at once on the other links; 1 and 2 send at once. Returns the
// link's result (0 sent; -1 not deliverable now). For HTTP-push terminals `message` is
// replaced by the response body, as callers of the push link expect.
int KxSendMsg(Sistema& s, int address, std::string& message, int sendMode);

// Switches output `output` (0-7): a pulse (time below 1) queues the on string now and the
// off string after `delay`; otherwise "O<output><time>" after `delay`. An output outside
// 0-7 is refused with a log line.
void AttivazioneIOX(Sistema& s, const Value& address, int output, const Value& time, const Value& delay,
                    Value* baseTime = nullptr, const Value& booking = Value(0), const Value& subFacility = Value(0));

// Prints one receipt on the label printer behind a terminal.
void Stampa_Scontrino(Sistema& s, int address, const Value& clientCode, const std::string& service,
                      const Value& remainingEntries, const Value& expiry);

// Opens (modo 1) or stops the gate of the current terminal, in the form its `Tipo` needs.
void Attiva_Rele(Sistema& s, const Value& risultato, int modo, int tipo);
// The relay command of the keypads and readers: "%O", the relay number (may be empty) and
// the character whose code is the on-time.
std::string Comando_Rele(const std::string& rele, int64_t tempo);

}  // namespace velaris
