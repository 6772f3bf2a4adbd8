#pragma once
// The dialogue states of a terminal: `Stato` of its row in `Stato_Terminali`. Message
// intake reads the state to decide what a code means and writes the next one.

namespace velaris::stato {

inline constexpr int Bloccato = 1;            // waits for the unlock code ("SBLOCCO:____")
inline constexpr int Pronto = 2;              // ready: waits for a card ("CODICE:_______")
inline constexpr int SceltaPrenotazione = 4;  // a booking choice is pending
inline constexpr int AttesaAttivita = 8;      // activity dialogue: waits for the activity code
inline constexpr int AttesaConferma = 9;      // activity dialogue: waits for the confirmation key
inline constexpr int SceltaAttivazione = 10;  // an activation choice is pending ("1 ATTIVARE")
inline constexpr int Iniettato = 500;         // not a state: a read injected by another program

// The money-card sales dialogue (terminals whose `MoneyCard` is not 0).
inline constexpr int MenuMoneyCard = -1;     // waits for the menu key ("1 INGRESSO|2 ACQUISTO")
inline constexpr int AttesaImporto = 3;      // waits for an amount or a number of points
inline constexpr int AttesaServizio = 4;     // waits for a service code
inline constexpr int AttesaArticolo = 5;     // waits for an article code, or 1 to confirm
inline constexpr int SceltaPagamento = 6;    // waits for the payment choice
inline constexpr int ConfermaContanti = 7;   // waits for the cash confirmation

}  // namespace velaris::stato
