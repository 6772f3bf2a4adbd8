#pragma once
// Dialogues at the keypad: a terminal that asked for typed input (a machine number, an
// activity code, a confirmation) waits for an answer that fits its prompt. Anything else
// (a badge, letters, too many digits) cancels the dialogue and is served as a fresh read,
// and a dialogue left alone expires back to the idle prompt, so that the next person is
// never taken for the previous one.
//
// Every dialogue follows the same rules: the state write that enters a dialogue state
// arms the expiry (Avvia_Dialogo), returning to the idle state disarms it, the intake
// runs Uscita_Dialogo before it dispatches on the state, and the polling tick runs
// Scadenza_Dialoghi.

#include <string>

#include "processing/intake.h"

namespace velaris {

// Seconds a dialogue may wait for its answer.
inline constexpr int kSecondiDialogo = 60;

// Dialogue states with a typed answer: the staff member's machine number, the activity
// code and its confirmation, the activation choice.
inline constexpr int kStatoMacchina = 4;
inline constexpr int kStatoAttivita = 8;
inline constexpr int kStatoConferma = 9;
inline constexpr int kStatoScelta = 10;

// The number of digits the prompt of dialogue state `stato` takes; 0 when `stato` is no
// dialogue (ready, locked, or a state this table does not know).
int Larghezza_Risposta(int stato);

// An answer fits a prompt of `larghezza` digits: one to `larghezza` digits, nothing else.
bool Risposta_Adatta(const std::string& codice, int larghezza);

// Arms (or re-arms) the expiry of the dialogue `indirizzo` now waits in.
void Avvia_Dialogo(Sistema& s, int indirizzo);
// The terminal is idle again: nothing to expire.
void Chiudi_Dialogo(Sistema& s, int indirizzo);
// Arms or disarms by the state the terminal is left in.
void Segui_Dialogo(Sistema& s, int indirizzo, int stato);
// True when the dialogue of `indirizzo` has run out.
bool Dialogo_Scaduto(const Sistema& s, int indirizzo);

// At intake, before the dispatch on the state: a read at a terminal whose dialogue has
// expired, or that does not fit the prompt of its dialogue, ends the dialogue ("OPERAZIONE|
// ANNULLATA" on the display for a read that does not fit) and is then processed as a
// fresh read: `m.Stato` becomes 2 and the dialogue values of the state row are cleared.
void Uscita_Dialogo(Sistema& s, Messaggio& m);

// Polling tick: every dialogue that has run out returns to the idle prompt and state.
void Scadenza_Dialoghi(Sistema& s);

// A code as the state row's `Codice_Cliente` (20 characters) can hold it: a longer code is
// cut, with a log line under `funzione`.
Value Codice_Per_Stato(Sistema& s, const std::string& codice, const char* funzione);

}  // namespace velaris
