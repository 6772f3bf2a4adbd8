#pragma once
// Text helpers of the terminals' wire protocols (HTTP push requests, TCP records and
// frames). Positions are 1-based, as the terminals' protocol texts were first handled.

#include <optional>
#include <string>
#include <string_view>

#include "base/value.h"

namespace velaris {

// The text from `inizio` (1-based) up to, not including, the next `delimitatore`; empty
// when no delimiter follows or `inizio` is before the first character. Callers pass the
// position just after a key ("id=") to get the key's value.
std::string ReadUntil(std::string_view testo, std::string_view delimitatore, int inizio);

// The 2-character groups of `testo` from the last to the first (byte order reversed):
// "78563412" gives "12345678". With an odd length the leading single character comes last.
std::string HexInvert(std::string_view testo);

// The value of a hexadecimal text (either case). Nothing for an empty text or one with a
// character that is no hexadecimal digit.
std::optional<double> HextoDec(std::string_view testo);

// The text of `valore` brought to `larghezza` characters. Longer texts are cut: modo "d"
// keeps the left part, any other modo the right part. Shorter texts are filled with the
// first character of `carattere` (a blank when empty): modo "s" on the left, any other
// modo on the right. Null gives the empty text brought to the width.
std::string RiempiTronca(const Value& valore, int larghezza, std::string_view carattere, std::string_view modo);

// Decimal text of a whole-number double ("305419896"), without exponent or decimals.
std::string wholeNumberText(double value);

}  // namespace velaris
