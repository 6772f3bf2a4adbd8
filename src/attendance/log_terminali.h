#pragma once
// The raw log of every pass at a terminal, read back by the companion-card and points rules.

#include "system/system.h"

namespace velaris {

// `Log_Terminali`: one `Log_Terminali_Presenze` row for a member code ("CL..."); any other
// code, and a blank one, writes nothing. Errors are logged, never raised.
void Log_Terminali(Sistema& s, const Value& Codice, int Indirizzo, const Value& Codice_Bis,
                   const Value& Codice_Tessera, const Value& Tipologia, const Value& Accompagnatore);

}  // namespace velaris
