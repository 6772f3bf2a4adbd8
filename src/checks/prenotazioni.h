#pragma once
// Booked machines and sub-facilities: which of a member's slots at a terminal's machines
// may switch its machine on now, whether the member holds an entitlement for the
// machine's facility, and the member's standing (`Verifica_Abbonamenti_Prenotazioni`).

#include <cstdint>
#include <optional>

#include "system/system.h"
#include "attendance/dati_accessi.h"

namespace velaris {

// One booked slot of the member at one of the terminal's machines.
struct SlotPrenotato {
    int64_t ID_Prenotazione = 0;  // `Booking_Clienti.ID_PivotPrenotazione`
    Value Cd_SubStruttura;
    Value Codice_Struttura;       // the machine's facility
    Value Descrizione_Struttura;
    Value DaOre, AOre;            // the booked band, times of day
    DateTime apertura, chiusura;  // the activation window, dates and times, bounds included
    int64_t TempoVai = 0;
    int64_t NReleVai = 0;
    bool IOX = false;
};

// How the walk over the member's slots ended, best first.
enum class EsitoSlot {
    Utilizzabile,  // a slot whose window holds now and whose machine is still off
    GiaAttivata,   // the only slots in their window have already been switched on
    FuoriOrario,   // slots today, none in its window
    Nessuna,       // no slot at this terminal's machines today
};

struct PrenotazioneTrovata {
    EsitoSlot esito = EsitoSlot::Nessuna;
    SlotPrenotato slot;  // the usable or already-activated slot
};

// The member's slots at the machines of terminal `idTerminale` whose window touches today
// (a slot of yesterday evening or of tomorrow just after midnight included), walked by
// start time: a usable slot beats an already-activated one, which beats one outside its
// window. The window runs from the booked start less `TempoAnticipo` minutes to the start
// plus `TempoRitardo` minutes, to the second. A database error is raised.
PrenotazioneTrovata Cerca_Prenotazione(Sistema& s, const Value& idTerminale, const std::string& cliente,
                                       const DateTime& adesso);

// A slot counts as activated once its machine was switched on (remembered for the life
// of the process), or while a queued message of it still waits in `Stato_Terminali`.
bool Prenotazione_Attivata(Sistema& s, int64_t idPrenotazione);
// Remembers that the machine of a slot of day `giorno` was switched on; slots of days
// before yesterday are forgotten.
void Segna_Prenotazione_Attivata(Sistema& s, int64_t idPrenotazione, const DateTime& giorno);

// The entitlement that pays a booked use of a machine of `struttura`: a subscription
// line for that facility or an all-facilities line valid today, or else an add-on for it.
struct TitoloPrenotazione {
    Value Codice_Iscrizione;  // Null when an add-on pays
    Value Codice_Abbonamento;
    Value ID_Aggiunta = Value(0);
    Value Data_Fine;
    int64_t ID_Riga = 0;  // the paying line (`Iscrizioni_Strutture.ID`), 0 for an add-on
};
// Nothing when the member has neither. A line or add-on counted in entries with none
// left does not pay; the oldest line with entries left does. A database error is raised.
std::optional<TitoloPrenotazione> Abbonamento_Prenotazione(Sistema& s, const std::string& cliente,
                                                          const Value& struttura, const DateTime& oggi);

// Results of `Verifica_Abbonamenti_Prenotazioni`.
inline constexpr int kVAP_Ammesso = 0;
inline constexpr int kVAP_Irregolare = 1;         // overdue fees that refuse entry
inline constexpr int kVAP_Messaggio = 2;          // an unread blocking message
inline constexpr int kVAP_Controlli = 3;          // the member's own control setting refuses
inline constexpr int kVAP_Sconosciuto = 4;        // no such member

// `Verifica_Abbonamenti_Prenotazioni`: may member `cliente` use a booked slot today, by
// the rules of the terminal check (overdue fees with their days of grace, blocking
// messages, `Controlli_Cliente` 2 admitting and 3 refusing in any case). `d` receives the
// access display record of the read (member, current subscription, status word,
// irregularity text, message light, outcome text); the caller writes it. A database
// error is raised.
int Verifica_Abbonamenti_Prenotazioni(Sistema& s, const std::string& cliente, const DateTime& oggi, DatiAccessi& d);

}  // namespace velaris
