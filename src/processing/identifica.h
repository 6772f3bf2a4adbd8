#pragma once
// Whose code is it: the card owner lookup over members, additional cards, one-day QR
// codes, visitors, staff and articles.

#include <string>

#include "system/system.h"

namespace velaris {

// Magnetic-track sentinels: ";12345?" and ";12345?>" give "12345". A code that does not
// begin with ";" and end with "?", ">" or "<", or that holds no "?", is returned unchanged.
std::string Togli_Sentinelle(const std::string& codice);

// Width of the owner-code columns (Codice_Cliente, Codice_Istruttore, Codice_Visitatore,
// ...): a longer code owns nothing.
constexpr size_t kLarghezza_Codice = 20;

// `Identifica_Codice`: the owner code of `codice`, with the owner's names in `Cognome`
// and `Nome` when a name table was read. Codes with a staff, article or visitor prefix,
// and every code when `Utilizza_CodBis` is 0, are their own owner (direct mode), unless
// they are longer than kLarghezza_Codice (then nothing owns them, and the log says so);
// otherwise the code is resolved and the result is empty when nothing owns it.
// An additional card leaves its notes in `s.lettura.Note_Tessera_Letta`; an accepted
// QR code is consumed. Errors are logged and what was found so far is returned.
std::string Identifica_Codice(Sistema& s, std::string& codice, Value& Cognome, Value& Nome);

}  // namespace velaris
