#pragma once
// Points: subscriptions and add-ons that carry points, the points a terminal charges for an
// entry (by weekday and band, after a pass at an entry terminal, with a booking) or for
// the periods of a stay, the debit over the member's holders and the points log.
//
// A debit is one guarded statement per holder (it changes the holder only while its credit
// covers the share), checked by the rows it changed, committed with its log rows in one
// transaction or not at all.

#include <cstdint>

#include "system/system.h"
#include "attendance/money_card.h"

namespace velaris {

// `Log_Punti_Clienti.Op` of an entry charge.
inline constexpr int kOpIngressoPunti = 1004;

// What an entry costs in points: `Punti` are deducted, `Punti_NoScalare` only shown.
struct CaricoPunti {
    int64_t Punti = 0;
    int64_t Punti_NoScalare = 0;
};

// `Verifica_Punti_Terminali`: the points `cliente` is charged for entering at the terminal
// at `indirizzo` now. A follow-on row (tied to an entry terminal) applies when the member
// passed that entry terminal today, once per facility and day; otherwise a booking row when
// the member has a points-paid booking started by now; otherwise the plain row of the band.
// A plain row is not charged again when the last charge for the facility today has not yet
// been followed by a pass through this terminal. A database failure is raised (DbError).
CaricoPunti Verifica_Punti_Terminali(Sistema& s, const Value& cliente, int indirizzo);

// `Cliente_Credito_Punti` mode 1: the points left on the member's subscriptions and add-ons
// valid today (for `struttura` when given). A database failure is raised (DbError).
int64_t Cliente_Credito_Punti(Sistema& s, const Value& cliente, const Value& struttura);

struct PagamentoPunti {
    EsitoAddebito esito = EsitoAddebito::Errore;
    int64_t addebitati = 0;
    int64_t residuo = 0;  // the credit left afterwards (for `struttura`)
};
// `Cliente_Credito_Punti` modes 2 and 3: debits `punti` for the activity `attivita` (its
// code with the "ST", "CS" or "SE" prefix) over the add-ons (the newest first) and then the
// subscriptions (the oldest first) that hold points for `struttura`, only when the whole
// charge is covered; a holder whose points are used up expires unless a booking of today
// or later still names it. One `Log_Punti_Clienti` row per holder drawn from.
PagamentoPunti Addebita_Punti(Sistema& s, const Value& cliente, int64_t punti, const Value& struttura,
                              const Value& attivita, int op = kOpIngressoPunti);

// `Log_Punti`: one `Log_Punti_Clienti` row. A database failure is raised (DbError): it runs
// inside the debit's transaction.
void Log_Punti(Sistema& s, int op, const Value& cliente, int64_t punti, const Value& attivita,
               const Value& iscrizione, const Value& pacchetto);

// The points an exit terminal charges for a stay that began at `oraEntrata` (a time of day)
// and ends at `adesso`: the periods beyond the minutes the entry charge covers (`Validita`),
// each at the points of the row in force at its start, totalled. 0 when the terminal has
// no points row for the entry time. A database failure is raised (DbError).
int64_t Punti_Permanenza(Sistema& s, int indirizzo, const DateTime& oraEntrata, const DateTime& adesso);

// An exit charged in points for the periods of a stay (`Punti_Permanenza`): the total is
// debited once, and only when the member's credit covers it (`consentita` false: the
// credit is exhausted, nothing debited). No points due: allowed. A database failure is
// raised (DbError).
struct UscitaPunti {
    bool consentita = false;
    int64_t punti = 0;
    int64_t residuo = 0;
};
UscitaPunti Addebito_Uscita_Punti(Sistema& s, const Value& cliente, int indirizzo, const DateTime& oraEntrata,
                                  const DateTime& adesso, const Value& struttura);

}  // namespace velaris
