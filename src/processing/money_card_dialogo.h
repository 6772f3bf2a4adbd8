#pragma once
// The keypad dialogue of a money-card terminal (a terminal whose `MoneyCard` column is not
// 0): the member badges, chooses entry or purchase, and pays an amount or points, a
// service in points, or bar articles by card or cash. Every step answers the terminal and
// saves the terminal's state row itself.
//
// Input must fit the prompt (a key where a key is asked, digits of the field's width for
// an amount): anything else, a badge above all, cancels the dialogue and is processed as a
// fresh read. A dialogue left alone expires back to the idle prompt. Its states are those
// of `stato` from MenuMoneyCard to ConfermaContanti.

#include "processing/intake.h"
#include "system/terminal_states.h"

namespace velaris {

// `Elabora_MoneyCard`: one step of the dialogue for the read in `m` at the current
// terminal. Returns 1 when the member chose the entry (then `m.Stato` is 2 and
// `m.Codice_Cliente` the member: the read goes on as an ordinary entry of the member) and
// in the states that are no dialogue's (locked, activity choices), 0 when the dialogue
// answered the terminal and saved the state row. A database failure is
// logged, shown as "ERRORE NON PREVISTO" and leaves the terminal idle.
int Elabora_MoneyCard(Sistema& s, Messaggio& m);

// Dialogues left alone for longer than their wait go back to the idle prompt, their
// basket emptied (run by the polling tick).
void Scadenza_Dialoghi_MoneyCard(Sistema& s);

}  // namespace velaris
