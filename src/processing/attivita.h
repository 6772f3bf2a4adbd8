#pragma once
// Activity selection at terminals bound to a facility: the member's candidate activities
// (the facility, its activities, courses and services, and those of its associated
// facilities) and the entitlements that cover them are staged in the scratch tables,
// ordered, and walked until one admits the member now. The admitted activity is recorded,
// or, at a terminal that asks for confirmation, offered as an activation choice first.

#include <cstdint>
#include <string>
#include <vector>

#include "processing/intake.h"

namespace velaris {

// What the selection decided, for the reply of the member check.
struct EsitoAttivita {
    // 0 admitted (recorded, or a choice is pending); 4 no candidate admits the member; 5 or 6
    // the entry's points or money-card charge is not covered by the member's credit.
    int16_t Esito = 4;
    // An activation choice was queued: the state row must go to 10 (`m.Stato_Nuovo` is set
    // and `m.Codice_Cliente` holds the member) and no verdict text follows.
    bool Scelta = false;
    // The admitted activity and its kind: 1 facility ("ST"), 2 course ("CS"), 3 service ("SE").
    Value Codice_Attivita;
    int Tipologia = 0;
    std::string Tipo_Attivita;
    int APrenotazione = 0;
    // The entitlement that paid (after any redirection by the recording).
    Value Codice_Iscrizione;
    Value ID_Aggiunta;
    // Information lines to queue after "OK|ABILITATO", in order: "RESIDUO| n" for an
    // entitlement counted in entries, "DATA SCADENZA:|ddd dd mmm yyyy" for one with an end date.
    std::vector<std::string> Righe_Info;
    // "CREDITO RESIDUO:| n" after an entry paid with points or the money card.
    std::string Info_Ulteriore;
    // The member's summary as the subscription check left it in the state row.
    Value Cognome, Nome, Abbonamento, Data_Scadenza, Rinnovo;
    // Why a refusal happened, for the reason text: a band, lesson time or closure refused
    // a candidate (also left in s.esiti.EsitoT_FuoriOrario); no candidate, or only
    // entitlements whose entries are used up; a suspended entitlement that may not enter
    // (s.esiti.EsitoT_Sospeso, `Esito` 3).
    bool Fuori_Fascia = false;
    bool Nessun_Ingresso = false;
    // Assignments for the access display record of a refusal (", Entrata = ... "), to pass
    // to Completa_DatiAccessi; empty when admitted.
    std::string Altre_DatiAccessi;
    // `Controlli_Cliente` of the member, read on a refusal for the note of the display.
    Value Controlli_Cliente;
};

// Selects and admits one activity for `Codice_Cliente` at the current terminal (a terminal
// with `Codice_Struttura` set), after the subscription check admitted the member. With
// `Attivita` given, only that activity is a candidate, and it is recorded without the
// activation choice (the member has chosen it). In state 10 (the member confirmed
// the activation choice) the choice is not asked again. A database error is not trapped
// here: it ends the message in `Elabora_Messaggi`'s handler (logged, no verdict, no state
// write); the recording itself traps and logs its own errors.
EsitoAttivita Verifica_Attivita_Terminale(Sistema& s, Messaggio& m, const Value& Codice_Cliente,
                                          const Value& Attivita = Value());

// Add-ons carry no kind of their own: the staged rows of `wTmp_Presenze_Strutture` that
// `condizione` (empty, or terms each followed by " AND ") selects take kind 2 or 3 when
// their code is a course or a service.
// With `lotto`, the statements are added to it instead of being run.
void Tipologia_Da_Anagrafiche(Sistema& s, const std::string& condizione, std::vector<std::string>* lotto = nullptr);

}  // namespace velaris
