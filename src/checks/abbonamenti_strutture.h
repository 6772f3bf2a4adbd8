#pragma once
// The subscription check at a general entrance (a terminal with neither a facility of its
// own nor booking sub-areas). Every candidate entitlement of the member across the centre's
// facilities, courses and services is staged in `wTmp_Presenze_Strutture`; the rows that may
// not be used now are struck out (Conferma=0) and the member is admitted when a usable one
// survives, unless arrears, a blocking message, the member's control setting or the
// photograph rule refuse. The check judges only: the reply, the recording of the confirmed
// rows and the display record belong to the caller.

#include <string>

#include "checks/cliente.h"
#include "db/money.h"

namespace velaris {

struct EsitoStrutture {
    // False when the centre does not know the member: refused, nothing else is set.
    bool Conosciuto = false;
    bool Ammesso = false;
    // Why. `Nessun_Candidato`: no entitlement of the member is usable at this entrance at
    // all; `Nessun_Ingresso`: none survived the tests (irregularity 10); `Sospeso`: the last
    // ones were struck out by a suspension (irregularity 12); `Fuori_Fascia`: the day and
    // time bands or the timetables struck the last ones out.
    bool Nessun_Candidato = false;
    bool Nessun_Ingresso = false;
    bool Sospeso = false;
    bool Fuori_Fascia = false;
    // The lack of an entitlement refuses (no candidate, or `NoEntry10`), a suspension
    // refuses (`NoEntry12`).
    bool Rifiuto_Diritto = false;
    bool Rifiuto_Sospeso = false;
    // The member had no usable entitlement but the money card pays the entrance's price
    // (`Prezzo_MoneyCard`, 0 admits without a debit): the caller debits it.
    bool MoneyCard = false;
    Money Prezzo_MoneyCard;
    // Overdue fees: the member is irregular; fees other than renewals are overdue.
    bool Irregolare = false;
    bool Irregolare_Altri = false;
    Messaggi messaggi;
    bool Foto_Mancante = false;

    SchedaCliente cliente;
    Value Rinnovo = Value(0);
    // The member's subscriptions and packages, each "<description> scadenza dd/mm/yyyy"
    // and CR LF; the last one's end date, type and code.
    std::string Sommario;
    Value Scadenza, Codice_Abbonamento, Codice_Iscrizione;
    // The irregularity text of the display (with the access note of a member refused by
    // the control setting).
    std::string Testo_Irregolarita;
};

// `Verifica_Abbonamenti_Strutture` for the member `codice` at the terminal `indirizzo`.
// Leaves the confirmed rows in `wTmp_Presenze_Strutture`, the irregularity codes in
// s.esiti.Irregolarita and the member's summary on the terminal's state row. A database
// failure is logged and raised again (DbError): the read ends without a verdict.
EsitoStrutture Verifica_Abbonamenti_Strutture(Sistema& s, const Value& codice, int indirizzo);

}  // namespace velaris
