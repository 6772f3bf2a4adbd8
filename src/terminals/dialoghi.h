#pragma once
// What the server remembers about its terminals between two reads, beside their state
// rows: when a dialogue waiting for typed input runs out, and which booked slots have
// had their machine switched on. Both live as long as the process, as the state rows do
// (start-up empties `Stato_Terminali`).

#include <cstdint>
#include <map>

#include "db/value.h"

namespace velaris {

// Terminals waiting for typed input (a machine number, an activity code, a confirmation,
// an amount): the moment each dialogue expires.
struct Dialoghi {
    std::map<int, DateTime> scadenze;  // terminal address -> expiry
};

// Booked slots whose machine was switched on, by booking (`ID_PivotPrenotazione`), with
// the day of the slot so that past days can be forgotten.
struct Attivazioni {
    std::map<int64_t, DateTime> prenotazioni;
};

}  // namespace velaris
