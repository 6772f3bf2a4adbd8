#pragma once
// Dialogues at the keypad: a terminal that asked for typed input (a machine number, an
// activity code, a confirmation) waits for an answer that fits its prompt. Anything else
// (a badge, letters, too many digits) cancels the dialogue and is served as a fresh read,
// and a dialogue left alone expires back to the idle prompt, so that the next person is
// never taken for the previous one.
//
// The deadlines live in `s.dialoghi`: the state write that enters a dialogue state arms
// it (Segui_Dialogo), returning to the idle state disarms it, the intake runs
// Uscita_Dialogo before it dispatches on the state, and the polling tick runs
// Scadenza_Dialoghi for every terminal, whichever dialogue it was in.

#include <string>

#include "processing/intake.h"
#include "system/terminal_states.h"

namespace velaris {

// The number of digits the prompt of dialogue state `stato` takes at terminal `indirizzo`;
// 0 when `stato` is no dialogue of this table there (ready, locked, or another procedure's
// dialogue, such as the money card's, which keeps its own rules).
int Larghezza_Risposta(const Sistema& s, int indirizzo, int stato);

// An answer fits a prompt of `larghezza` digits: one to `larghezza` digits, nothing else.
bool Risposta_Adatta(const std::string& codice, int larghezza);

// Arms the dialogue expiry of `indirizzo` when `stato` is a dialogue of this table, and
// disarms it otherwise.
void Segui_Dialogo(Sistema& s, int indirizzo, int stato);

// At intake, before the dispatch on the state, for the dialogues of this table: a read at a
// terminal whose dialogue has expired, or that does not fit the prompt of its dialogue,
// ends the dialogue ("OPERAZIONE|ANNULLATA" on the display, "NUMERO MACCHINA|ERRATO" at the
// machine prompt, for a read that does not fit) and is then processed as a fresh read:
// `m.Stato` becomes 2 and the dialogue values of the state row are cleared.
void Uscita_Dialogo(Sistema& s, Messaggio& m);

// Polling tick: every dialogue that has run out (any terminal, any dialogue) returns to the
// idle prompt and state, its basket emptied and its state row's dialogue values cleared.
void Scadenza_Dialoghi(Sistema& s);

// A code as the state row's `Codice_Cliente` (20 characters) can hold it: a longer code is
// cut, with a log line under `funzione`.
Value Codice_Per_Stato(Sistema& s, const std::string& codice, const char* funzione);

}  // namespace velaris
