#pragma once
// How a value becomes a SQL literal, and the small value tests every statement builder
// relies on. Every statement of the system is assembled with these functions.

#include <string>
#include <string_view>

#include "base/format.h"
#include "base/value.h"

namespace velaris {

// {d 'YYYY-MM-DD'}; "Null" for Null or Empty; the empty text for a value that is no date.
std::string Data_SqlQ(const Value& v);
// 'MM-DD-YYYY' for the member-status procedure; "Null" for Null or a value that is no date.
std::string Data_SqlQ_SP(const Value& v);
// '1900-1-1 HH:MM:SS' (the date part dropped); "Null" when blank. A value that is no time
// throws DbError (type mismatch), as the caller's own error handling expects.
std::string Ora_SqlQ(const Value& v);
// Convert(Float, <number>) with a decimal point; "0" for Null, blank and for a value that
// is no number (so a criterion "col=" + Num_SqlQ(Null) ends in "=0").
std::string Num_SqlQ(const Value& v);
// A quoted text literal: single quotes inside become double-quote characters, so a text
// can never close the literal early; NUL characters are dropped. Other values are quoted
// in their default text form; Null and Empty give ''.
std::string SqlFieldQuoteQ(const Value& v);
std::string CChrQ(const Value& v);

// The first `width` characters of a UTF-8 text (whole characters; the text itself when
// it is not longer).
std::string Primi_Caratteri(std::string_view text, size_t width);
// Length of a UTF-8 text in characters, as a column width counts it.
size_t Lunghezza_Caratteri(std::string_view text);

// True for Null, Empty and texts that are blank once trimmed; the number 0 is not blank.
bool Nullo_Vuoto(const Value& v);
// 0 for Null, Empty and the empty text; otherwise the value as a 32-bit whole number
// (halves to even); 0 when the value is no number or is out of range.
int32_t ZeroSeNullo(const Value& v);
// Replaces every occurrence of `find`, left to right, resuming after each replacement.
std::string Sostituisci_Testo(std::string_view text, std::string_view find, std::string_view replacement);

}  // namespace velaris
