#pragma once
// The outgoing message queue in `Stato_Terminali`: messages are rows with a due time of
// day; every tick sends at most one message per terminal, oldest first.

#include "system/system.h"

namespace velaris {

enum class ModoCoda { Invia = 0, Accoda = 1, Aggiorna = 2, AccodaDopo = 3 };

// `Buffer_Terminali`. Mode 0 drains once; 1 queues `message` for `address` due at the
// base time (now when Null or blank) plus `delay` seconds; 2 refreshes the idle prompts;
// 3 queues it due with the terminal's last queued message and writes that due time into
// `baseTime`. Errors are logged, never raised.
void Buffer_Terminali(Sistema& s, ModoCoda mode, const Value& address = Value(), const Value& message = Value(),
                      const Value& delay = Value(), Value* baseTime = nullptr, const Value& booking = Value(0),
                      const Value& subFacility = Value(0));

// Mode 1 with no base time, booking 0 and sub-facility 0: the common case.
inline void accoda(Sistema& s, int address, const std::string& message, int delaySeconds) {
    Buffer_Terminali(s, ModoCoda::Accoda, Value(address), Value(message), Value(delaySeconds));
}

}  // namespace velaris
