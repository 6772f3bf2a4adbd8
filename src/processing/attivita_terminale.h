#pragma once
// The activity a member types at a terminal that manages activities, and whether the
// member holds anything for it there.

#include <string>
#include <vector>

#include "system/system.h"

namespace velaris {

// What a typed code names (`Attivita_DaTerminale`).
struct AttivitaDigitata {
    enum class Esito {
        Trovata,
        Sconosciuta,      // "err1": no facility, course or service has that code
        NonControllata,   // "err2": not admitted through a facility this terminal controls
    };
    Esito esito = Esito::Sconosciuta;
    Value Codice;       // the facility, course or service
    int Tipologia = 0;  // 1 facility ("ST"), 2 course ("CS"), 3 service ("SE")
    Value Struttura;    // the facility through which it is admitted here
    Value Descrizione;
};

// `Attivita_DaTerminale`: the activity whose second code (`Codice_Bis`) is `codice`. A
// course or service is admitted through a facility of `Attivita_Strutture`; the activity
// counts only when that facility (a facility: the facility itself) is one of `luoghi`,
// the facilities the terminal controls. A database error is raised.
AttivitaDigitata Attivita_DaTerminale(Sistema& s, const std::string& codice, const std::vector<Value>& luoghi);

// `Attivita_Cliente_Terminale`: true ("entry") when `cliente` holds, today, a facility line,
// a course or service line mapped to a facility (`Attivita_Terminali`, also through an
// associated facility), or an add-on, that reaches facility `struttura`; false ("noentry")
// otherwise. The candidates are staged in `wTmp_Presenze_Strutture`. A database error is
// raised.
bool Attivita_Cliente_Terminale(Sistema& s, const std::string& cliente, const Value& struttura);

}  // namespace velaris
