#pragma once
// Visit-frequency rules: the current period of an interval record of `Intervalli_DD`,
// the visits counted in it (attendances, or attendances plus bookings) and `Verifica_DD`,
// which reads an entitlement's frequency data, tests its suspension and its limit.

#include <string>

#include "system/system.h"

namespace velaris {

// `Cerca_Data_Inizio`: first date of the current period of interval `idIntervallo`
// (today from the clock). Empty for an unknown interval or a unit other than 1..4.
Value Cerca_Data_Inizio(Sistema& s, const Value& idIntervallo);
// `Cerca_Data_Fine`: last date of the current period. Periods of N units run N-1 units
// forward from today for every unit, years included.
Value Cerca_Data_Fine(Sistema& s, const Value& idIntervallo);

// `Conta_Presenze_Periodo`: attendances of `codiceCliente` between the two dates on the
// weekdays the interval counts. With a facility each use of it counts; without, each
// entry counts once. Registration, add-on and package narrow the count when given
// (registration not blank, IDs greater than 0). 0 on failure (logged).
int Conta_Presenze_Periodo(Sistema& s, const Value& codiceCliente, const Value& idIntervallo, const Value& dataInizio,
                           const Value& dataFine, const Value& codiceIscrizione, const Value& idAggiunta,
                           const Value& codiceStruttura, const Value& idPacchetto);
// `Conta_Presenze_Prenotazioni_Periodo`: the attendances plus the member's bookings in
// the period; a booking of today whose window (start minus tolerance .. end) holds now is
// the entry under examination and is not added.
int Conta_Presenze_Prenotazioni_Periodo(Sistema& s, const Value& codiceCliente, const Value& idIntervallo,
                                        const Value& dataInizio, const Value& dataFine,
                                        const Value& codiceIscrizione, const Value& idAggiunta,
                                        const Value& codiceStruttura, const Value& idPacchetto);

// The frequency test the checks share: true when `frequenzaDD` and `idIntervallo` are
// both greater than 0 and the visits in the current period (with bookings when setting
// 188 `PrenComePres` is true) have reached `frequenzaDD`.
bool Limite_Frequenza_Raggiunto(Sistema& s, const Value& frequenzaDD, const Value& idIntervallo,
                                const Value& codiceCliente, const Value& codiceIscrizione, const Value& idAggiunta,
                                const Value& codiceStruttura, const Value& idPacchetto);

// The entitlement `Verifica_DD` examines. Only the members its mode needs are read.
struct DatiDD {
    Value Codice_Cliente;
    Value Codice_Abbonamento;  // mode 1: the subscription type
    Value Codice_Pacchetto;    // mode 2: a single package (Anagrafica_Pacchetti)
    Value Codice_PacchettoM;   // mode 2: a multi-activity package (takes precedence when not blank)
    Value Codice_Struttura;    // the facility; modes 1 and 2 read its per-facility data when not blank
    Value Codice_Iscrizione;   // the registration (subscription line)
    Value ID_Aggiunta;         // the add-on
    Value ID_Pacchetto;        // the package sale the add-on belongs to (0: none)
};

// `Verifica_DD` results.
constexpr int kDD_Entro = -1;     // within limits, or no limit
constexpr int kDD_Limite = 2;     // limit reached
constexpr int kDD_Sospeso = 3;    // suspended

// `Verifica_DD`:
//  mode 1 (subscription) and 2 (package): read FrequenzaDD, ID_Intervallo and
//    Tempo_Permanenza into the three outputs, then test the suspension: 3 when suspended
//    today (s.esiti.EsitoT_Sospeso set), else -1 (EsitoT_Sospeso cleared);
//  mode 3 (frequency): with the values passed in `frequenzaDD` and `idIntervallo`, -1 when
//    the entitlement was never used at the facility or the limit is not reached, 2 when
//    it is reached. Failures are logged and read as -1.
// The statement that reads a subscription type's frequency rule (FrequenzaDD, ID_Intervallo,
// Tempo_Permanenza), asked once per read by the checks that need it.
std::string Sql_Frequenza_Abbonamento(const Value& abbonamento);

int Verifica_DD(Sistema& s, int modo, const DatiDD& d, Value& frequenzaDD, Value& idIntervallo,
                Value& tempoPermanenza);

// DATEPART(weekday, ...) number of a Monday = 1 weekday (Sunday = 1 .. Saturday = 7).
int giornoSql(int giornoLunedi1);

}  // namespace velaris
