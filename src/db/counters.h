#pragma once
// Sharing the database with the centre's other workstations: numbering counters, lock
// rows in `Semafori`, this workstation's identity and the member-status procedure.

#include <array>
#include <chrono>
#include <functional>

#include "base/clock.h"
#include "db/database.h"

namespace velaris {

class Settings;

// `Num_Contatore`: the current value of counter `type` (`Contatore` for selector 1,
// `ContatoreN` otherwise); Null when the type is blank or has no row.
Value Num_Contatore(Database& db, int selector, const Value& type);

// `Info_Postazione`: cached identity slots 0..6 (1 computer name, 2 operator in use,
// 3 the workstation's third item); reload 1 reads the slot again.
class Postazione {
public:
    explicit Postazione(Database& db) : db_(db) {}
    Value Info_Postazione(int reload, int index);

private:
    Database& db_;
    std::array<Value, 7> slots_{};
};

// How long a lock is waited for. Another workstation holds a lock only for the few
// statements that draw a number, so a short bounded wait is enough; a row left behind
// by a crashed workstation must not hang this one forever.
struct LockPolicy {
    int maxAttempts = 100;
    std::chrono::milliseconds pause{20};
    // The pause between attempts; replaceable in tests.
    std::function<void(std::chrono::milliseconds)> sleep;
};

// `Semaforo`: takes (take = true) or releases a cross-workstation lock. Returns true when
// the lock is held (taken) or gone (released); false, with an event-log line, when the
// bound is reached. A lock is never reported as taken when it is not.
bool Semaforo(Database& db, Postazione& postazione, const Value& lockNumber, bool take,
              const LockPolicy& policy = {});

// `Stato_Cliente`: the member's status from the database procedure; Empty when the code
// is blank or the call fails (logged).
Value Stato_Cliente(Database& db, Settings& settings, const Clock& clock, const Value& memberCode);

}  // namespace velaris
