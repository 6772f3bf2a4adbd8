#pragma once
// Booked slots whose machine has been switched on, remembered for the life of the process
// as the state rows are (start-up empties `Stato_Terminali`).

#include <cstdint>
#include <map>

#include "base/value.h"

namespace velaris {

// By booking (`ID_PivotPrenotazione`), with the day of the slot so that past days can be
// forgotten.
struct Attivazioni {
    std::map<int64_t, DateTime> prenotazioni;
};

}  // namespace velaris
