#pragma once
// The access display record: one row of `wTmp_DatiAccessi` per decided card read, shown
// by the centre's desk programs; plus the small writers that complete or correct it and
// the address-0 marker row by which the desk programs learn that a new row is due.

#include <string>

#include "system/system.h"

namespace velaris {

// The 31 values of a display row, in the order of the statement. Texts are written
// quoted, numbers as numbers (blank: 0), dates and times as literals (blank: Null).
struct DatiAccessi {
    Value Completo = Value(1);
    Value Codice_Tessera;
    Value Codice;
    Value Cognome;
    Value Nome;
    Value Indirizzo;
    Value Data_Entrata;
    Value Ora_Entrata;
    Value Data_Ultima_Entrata;
    Value Ora_Ultima_Entrata;
    Value Codice_Abbonamento;
    Value DesAbbonamento;  // cut to its first 255 characters
    Value Stato;
    Value Foto;
    Value Scadenza;
    Value DesStato;
    Value Codice_Iscrizione;
    Value TestoIrr;
    Value Codice_Consulente;
    Value Sem1;
    Value Sem2;
    Value Sem3;
    Value Sospeso;
    Value Messaggio;
    Value ASeduta;
    Value Struttura_Ingresso;
    Value Entrata;
    Value Terminale;
    Value CheckOut;
    Value Monitor_Aggiuntivo;
    Value TestoIrr_Push;
};

// The INSERT statement of a display row.
std::string istruzioneDatiAccessi(const DatiAccessi& d);
// `VisualizzaDatiForm`: writes the row; a failure is logged and the read goes on.
void VisualizzaDatiForm(Sistema& s, const DatiAccessi& d);

// The short row of a read at a general entrance or a sales terminal: Completo 1, the card
// code and the terminal only.
void DatiAccessi_Breve(Sistema& s, const Value& codiceTessera, int terminale);

// End of a verdict: completes the newest incomplete row of `codice` (Completo=0) with
// Sem2 (1 admitted), Sem3 (1 outside the time band), Sospeso=1 when suspended, and any
// further assignments in `altre` (each led by ", ", as ", Sem1 = 1 "). Returns the row's
// ID, 0 when there is none.
int64_t Completa_DatiAccessi(Sistema& s, const Value& codice, bool ammesso, bool fuoriOrario, bool sospeso,
                             const std::string& altre = "");
// Sets the lights 2 and 3 of a written row.
void Semafori_DatiAccessi(Sistema& s, int64_t id, int sem2, int sem3);

// The display-refresh marker: the address-0 row of `Stato_Terminali`, due now plus
// `secondi` (setting 17 `Tempo_Attesa` when Empty/blank is passed, 2 when that is blank).
void Marker_DatiAccessi(Sistema& s, const Value& secondi = Value());

}  // namespace velaris
