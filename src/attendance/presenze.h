#pragma once
// Recording an admitted entry: presence numbers drawn under the cross-workstation lock,
// the visit and its detail rows, the entry deducted from the subscription line or add-on
// that pays for it, the journal, the irregular-entry history, the entry log and the exit
// deadline; and the reconciliation of a member's bookings with the attendances on record.

#include <cstdint>
#include <optional>

#include "system/system.h"

namespace velaris {

// Activity code of an entry that is not tied to one facility, course or service.
inline constexpr const char* kAltreStrutture = "ALTRE_STRUTTURE";

// Lock row that serialises the presence counter between workstations.
inline constexpr int kSemaforoPresenze = 103;
// `Contatori` row of the presence counter.
inline constexpr int kContatorePresenze = 22;

// Draws the next presence number (`Contatori` row 22, column `ContatoreN`) under lock 103.
// Nothing when the lock could not be taken in its bounded wait or the counter could not be
// read or written (logged under `function`); the lock is released on every path.
std::optional<int64_t> Preleva_Numero_Presenza(Sistema& s, const LockPolicy& policy = {},
                                               const char* function = "Preleva_Numero_Presenza");

// `Salva_Presenza_Terminali`: records the entry of `Codice_Cliente` for one activity decided
// at a terminal; the caller has opened the gate. Date and time are taken from the clock. Arguments 4 and 5 are rewritten
// when a recovery voucher or a single booking redirects the payment to another entitlement.
// Errors end the procedure with one event-log line; statements already run stay.
void Salva_Presenza_Terminali(Sistema& s,
                              const Value& Codice_Cliente,          // 1: Null or blank: nothing is done
                              int Tipologia,                        // 2: 1 facility, 2 course, 3 service
                              const Value& Codice_Attivita,         // 3: activity, or kAltreStrutture
                              Value& Codice_Iscrizione,             // 4: paying subscription, Null when none
                              Value& ID_Aggiunta,                   // 5: paying add-on, 0 when none
                              const Value& DaOre,                   // 6: band of an accompanied activity
                              const Value& AOre,                    // 7
                              int Indirizzo,                        // 8: terminal address
                              const Value& Attivita_Accompagnamento,// 9: activity tested for the companion band
                              int Nuova_Visita,                     // 10: 0 reuse today's presence number
                              const Value& Descrizione_Default,     // 11: log description when none is found
                              const Value& Data_Fine_Default,       // 12: log end date when none is found
                              const Value& Cognome,                 // 13
                              const Value& Nome,                    // 14
                              const Value& Rinnovo,                 // 15: renewal indicator of the log
                              const Value& Struttura_Abbonamento,   // 16: facility of the entitlement (counted elsewhere)
                              const Value& Punti,                   // 17: points of the exit-time row
                              int Seguito,                          // 18: non-zero: a follow-up, no companion rows
                              const Value& Tempo_Permanenza,        // 19: fixed stay in minutes (exit time)
                              const Value& Codice_Abbonamento,      // 20: subscription type (exit time)
                              const Value& Codice_Pacchetto,        // 21: package code (exit time)
                              const Value& Ora_Uscita_Default,      // 22: fallback exit time
                              int Non_Registrare);                  // 23: non-zero: status, journal and log only

// `Verifica_Prenotazioni_NoIngressi_Gen`: marks each unused booking in the filters as used
// when an entry at its activity falls inside its window, and as unused otherwise. Each
// filter is optional (Null or Empty: no filter).
void Verifica_Prenotazioni_NoIngressi_Gen(Sistema& s, const Value& Data_Da, const Value& Data_A,
                                          const Value& Codice_Cliente, const Value& Attivita);

// `Calcola_Ora_Uscita`: the latest exit time (on 1 January 1900) of a stay that begins at
// `Ora_Entrata`, or Null when none can be worked out.
Value Calcola_Ora_Uscita(Sistema& s, const Value& Codice_Abbonamento, const Value& Codice_Pacchetto,
                         const Value& Codice_Attivita, const Value& ID_Aggiunta, int Giorno_Settimana,
                         const Value& Ora_Entrata, const Value& Permanenza, const Value& Codice_Biglietto,
                         const Value& Ora_Default);

}  // namespace velaris
