#pragma once
// The subscription check at terminals that belong to a facility: staff cards record
// their passages, member cards are judged on subscriptions, fee arrears, credit, visit
// frequencies, day and time bands, other entitlements, blocking messages, the member's
// own control setting and the photograph rule.

#include <string>

#include "system/system.h"

namespace velaris {

// Verdicts of `Verifica_Abbonamenti_Terminali`.
constexpr int kVAT_Rifiutato = 0;
constexpr int kVAT_Ammesso = 1;
constexpr int kVAT_Personale = 2;  // staff card judged (s.esiti.Personale), passage recorded

// What the check is asked: the card and what the caller read of the terminal and its
// facility.
struct RichiestaTerminale {
    Value Codice;            // the card code
    Value Esterna;           // the facility is external (`Anagrafica_Strutture.Esterna`)
    Value Modo_Irregolari;   // its `NoVerifica_Irregolari`: 1 judges an external facility's
                             // arrears with days of grace, -1 judges on the entitlement alone
    Value Visualizza_Dett;   // the terminal writes the display record
    Value Codice_Struttura;  // the terminal's facility
};

// The verdict (kVAT_*) and the member's subscription summary computed on the way: the
// subscriptions as text, the end of the last current subscription read, and 1 in
// `Rinnovo` when a future subscription exists.
struct EsitoTerminale {
    int Esito = kVAT_Rifiutato;
    Value Testo_Abbonamento = Value("");
    Value Data_Scadenza;
    Value Rinnovo;
};

// `Verifica_Abbonamenti_Terminali`. Works on the current terminal (s.corrente,
// s.registro.corrente()) and leaves the flags of the member in s.esiti. The member's name
// and summary are written to the terminal's state row once computed, and with
// `Visualizza_Dett` on the desk's display record is written. A database failure
// is logged and raised again (DbError): the read ends without a verdict. Other failures
// are logged and end the check with the verdict reached so far.
EsitoTerminale Verifica_Abbonamenti_Terminali(Sistema& s, const RichiestaTerminale& r);

// The staff-card path (shared with the check by facility): recognised prefixes CO, IS,
// ME, FI, OP, ET. Judges the card, records the passage at a staff terminal and the entry
// log row, and leaves the verdict in s.esiti.Personale for the reply. Returns 2 when the
// card was judged, 0 when its table does not hold it (or the code is no staff code).
int Verifica_Personale(Sistema& s, const Value& codice);
// True for a code that begins with one of the six staff prefixes.
bool codicePersonale(const std::string& codice);
// The staff kind of a code, 1..6 by prefix (CO, IS, ME, FI, OP, ET), as the staff
// registers store it; 0 for any other code.
int tipologiaPersonale(const std::string& codice);
// The staff member's table holds the code. A database error is raised.
bool personaleRegistrato(Sistema& s, const std::string& codice);

// A staff kind: the prefix of its codes, its master table and key column, and the role
// word of the logs.
struct TipoPersonale {
    const char* prefisso;
    const char* tabella;
    const char* chiave;
    const char* ruolo;
};
// The staff kind of a code (by its first two characters), or nullptr.
const TipoPersonale* tipoPersonale(const std::string& codice);

// `Descrizione_Modalita`: the text of fee modality m for the irregularity list.
std::string Descrizione_Modalita(Sistema& s, int m);

// The status word of a member's `Stato` ("ABBONATO" .. "IN RINNOVO"; "" otherwise).
std::string descrizioneStato(const Value& stato);

}  // namespace velaris
