#pragma once
// Sharing the database with the centre's other workstations: numbering counters, lock
// rows in `Semafori`, this workstation's identity and the member-status procedure.

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "base/clock.h"
#include "db/database.h"

namespace velaris {

class Settings;

// `Info_Postazione`: cached identity slots 0..6 (1 computer name, 2 operator in use,
// 3 the workstation's third item); reload 1 reads the slot again.
class Postazione {
public:
    explicit Postazione(Database& db) : db_(db) {}
    Value Info_Postazione(int reload, int index);

    // Locks this workstation holds, or may hold, and could not release because the
    // database failed: released again at the next chance (Rilascia_Semafori_Sospesi),
    // and always before the same lock is taken again.
    std::set<int64_t> rilasciSospesi;

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
// bound is reached or the database is out (an outage is not retried: the statement
// already waited its time-out). A lock is never reported as taken when it is not; a
// release that failed is remembered and done later.
bool Semaforo(Database& db, Postazione& postazione, const Value& lockNumber, bool take,
              const LockPolicy& policy = {});

// Releases the locks whose release failed earlier; true when none is left.
bool Rilascia_Semafori_Sospesi(Database& db, Postazione& postazione);

// Start-up: removes the lock rows this workstation left behind (it stopped while holding
// them) and logs which. Rows of other workstations stay. Returns how many were removed.
int Pulisci_Semafori_Postazione(Database& db, Postazione& postazione);

// Watches the lock rows of the other workstations: one held for longer than a minute is
// reported in the event log, and again every minute while it stays, so that a crashed
// workstation's lock is never a silent failure of every read. Runs from the polling tick.
class SorveglianzaSemafori {
public:
    static constexpr int64_t kTroppoAPiu = 60;  // seconds a lock may be held unremarked
    static constexpr int64_t kOgni = 10;         // seconds between two looks at the table
    void controlla(Database& db, Postazione& postazione, const DateTime& now);

private:
    struct Visto {
        DateTime da;                       // first seen held by the same holder
        std::optional<DateTime> segnalato;  // last reported
    };
    std::map<std::string, Visto> visti_;  // by lock number, user and host
    std::optional<DateTime> ultimaVolta_;
};

// `Stato_Cliente`: the member's status from the database procedure; Empty when the code
// is blank or the call fails (logged).
Value Stato_Cliente(Database& db, Settings& settings, const Clock& clock, const Value& memberCode);

}  // namespace velaris
