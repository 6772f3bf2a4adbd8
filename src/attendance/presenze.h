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

// What `Salva_Presenza_Terminali` records: the entry of a member for one activity decided
// at a terminal.
struct PresenzaTerminale {
    Value Codice_Cliente;                       // Null or blank: nothing is done
    int Tipologia = 1;                          // 1 facility, 2 course, 3 service
    Value Codice_Attivita;                      // the activity, or kAltreStrutture
    // The entitlement that pays; rewritten when a recovery voucher or a single booking
    // redirects the payment to another one.
    Value Codice_Iscrizione = Value::null();    // paying subscription, Null when none
    Value ID_Aggiunta = Value(0);               // paying add-on, 0 when none
    // The subscription line (`Iscrizioni_Strutture.ID`) that admitted the member: the entry
    // is counted on it. 0: the line is looked up by subscription, client and activity.
    int64_t ID_Riga = 0;
    Value DaOre = Value::null(), AOre = Value::null();  // band of an accompanied activity
    int Indirizzo = 0;                          // terminal address
    Value Attivita_Accompagnamento = Value::null();     // activity tested for the companion band
    bool Nuova_Visita = true;                   // false: reuse today's presence number
    Value Descrizione_Default = Value::null();  // log description when none is found
    Value Data_Fine_Default = Value::null();    // log end date when none is found
    Value Cognome, Nome;
    Value Rinnovo = Value(0);                   // renewal indicator of the log
    Value Struttura_Abbonamento = Value::null();  // facility of the entitlement (counted elsewhere)
    Value Punti = Value(0);                     // points of the exit-time row
    bool Seguito = false;                       // a follow-up: no companion rows, no exit deadline
    // Exit-time inputs.
    Value Tempo_Permanenza = Value(0);          // fixed stay in minutes
    Value Codice_Abbonamento = Value::null();   // subscription type
    Value Codice_Pacchetto = Value::null();     // package code
    Value Ora_Uscita_Default = Value::null();   // fallback exit time
    bool Non_Registrare = false;                // status, journal and log only
};

// `Salva_Presenza_Terminali`; the caller has opened the gate. Date and time are taken from
// the clock. Errors end the procedure with one event-log line; statements already run stay.
void Salva_Presenza_Terminali(Sistema& s, PresenzaTerminale& p);

// What `Salva_Presenza` records: the entry admitted by the check at a general entrance,
// whose confirmed staging rows wait in `wTmp_Presenze_Strutture`.
struct PresenzaStrutture {
    Value Codice_Cliente;                        // Null or blank: nothing is done
    DateTime Data, Ora;                          // the moment of the entry (time on 1 January 1900)
    int Indirizzo = 0;                           // terminal address, 0 at the desk
    Value Stato_Precedente;                      // the client's status before the entry
    Value Codice_Iscrizione = Value::null();     // preferences of an all-facilities entry;
                                                 // blank: the all-facilities line's own
    Value Descrizione_Default = Value::null();   // log description when the rows give none
    Value Data_Fine_Default = Value::null();     // log end date when the rows give none
    Value Cognome, Nome;
    Value Rinnovo = Value(0);
    bool Senza_Fasce = false;                    // no time-band control rows are written
    // The outcome of the check: out of the time band, suspended, irregular, no entries left.
    bool Fuori_Fascia = false, Sospeso = false, Irregolare = false, Nessun_Ingresso = false;
};

// `Salva_Presenza`. True when the entry is recorded (or there is nothing to record); false
// after a failure, which is logged: the statements already run stay, lock 103 is released.
bool Salva_Presenza(Sistema& s, const PresenzaStrutture& p);

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
