#pragma once
// The workstation's Format function for the patterns the system uses, with the Italian
// names of an Italian workstation ("lun 03 mar 9:05").

#include <string>
#include <string_view>

#include "base/value.h"

namespace velaris {

// Date/time patterns: d, dd, ddd (lun), dddd (lunedì), m, mm, mmm (mar), mmmm (marzo),
// yy, yyyy, h, hh, n, nn, s, ss; "mm" right after h/hh means minutes; other characters
// are copied.
std::string formatDate(const DateTime& d, std::string_view pattern);
// "#,##0.00" with the Italian separators (1.234,50); "0" patterns with no grouping.
std::string formatNumber(double value, std::string_view pattern);
// `Riga_Orologio`: Format(today, "ddd dd mmm") & " " & Format(now, "h:mm").
std::string rigaOrologio(const DateTime& now);

// Case-insensitive (ASCII) search; npos when absent.
size_t findNoCase(std::string_view hay, std::string_view needle, size_t from = 0);
// The text without leading and trailing blanks and tabs.
std::string_view trimBlanks(std::string_view s);

// A text from outside (a read code) as a log line may show it: printable characters
// only (control characters, DEL, C1 controls and bytes that are no UTF-8 become "?"), at
// most `max` characters, then "..." when it was longer.
std::string testoPerLog(std::string_view text, size_t max = 40);

}  // namespace velaris
