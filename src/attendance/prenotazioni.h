#pragma once
// The attendance of a booked use of a machine or sub-facility: for a member, the entry on
// the machine's facility paid by the member's entitlement; for a staff member who switched
// a machine on by hand, one row of `Utilizzo_Manuale_Strutture`.

#include "system/system.h"

namespace velaris {

struct UsoPrenotato {
    Value Codice;                 // member ("CL...") or staff code
    int Tipologia_Personale = 0;  // staff kind 1..6 (consultant .. beautician); 0 for a member
    Value Codice_Struttura;       // the machine's facility
    Value Cd_SubStruttura;        // the machine
    Value DaOre, AOre;            // the booked band (members)
    int Indirizzo = 0;            // terminal address
    // The member's entitlement (`Abbonamento_Prenotazione`) and the texts of the log.
    Value Codice_Iscrizione;      // Null when an add-on pays
    Value ID_Aggiunta = Value(0);
    int64_t ID_Riga = 0;          // the paying subscription line: the entry is counted on it
    Value Codice_Abbonamento;
    Value Descrizione, Data_Fine, Cognome, Nome;
};

// `Salva_Presenza_Prenotazioni`. A member's use is recorded as part of today's visit, one
// entry counted on the entitlement unless that facility's own terminal counts it; the
// machine's relay is not the gate, so no gate signal is given. Errors are logged.
void Salva_Presenza_Prenotazioni(Sistema& s, const UsoPrenotato& u);

}  // namespace velaris
