#include "attendance/log_terminali.h"

#include "db/literals.h"

namespace velaris {

void Log_Terminali(Sistema& s, const Value& Codice, int Indirizzo, const Value& Codice_Bis,
                   const Value& Codice_Tessera, const Value& Tipologia, const Value& Accompagnatore) {
    try {
        if (Nullo_Vuoto(Codice)) return;
        const std::string codice = Codice.toText();
        // Only member passes are logged; the points and companion rules read them back.
        if (codice.size() < 2 || (codice.compare(0, 2, "CL") != 0)) return;
        const DateTime now = s.clock.now();
        s.db.executeDeferred("INSERT INTO Log_Terminali_Presenze (Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale, "
                     "Codice_Bis, Codice_Tessera, Tipologia, Accompagnatore)  VALUES (" +
                     CChrQ(Codice) + ", " + Data_SqlQ(Value(now.datePart())) + ", " +
                     Ora_SqlQ(Value(now.timeOnDay1900())) + ", " + Num_SqlQ(Value(Indirizzo)) + ", " +
                     // The codes as read: their length is the terminal's.
                     CChrQ_Colonna(s.db, Codice_Bis, 50, "Log_Terminali_Presenze.Codice_Bis", "Log_Terminali") + ", " +
                     CChrQ_Colonna(s.db, Codice_Tessera, 50, "Log_Terminali_Presenze.Codice_Tessera", "Log_Terminali") +
                     ", " + Num_SqlQ(Tipologia) + ", " +
                     Num_SqlQ(Accompagnatore) + ")",
                             "Log_Terminali");
    } catch (const std::exception& e) {
        s.db.logError(e, "Log_Terminali");
    }
}

}  // namespace velaris
