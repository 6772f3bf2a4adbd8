#pragma once
// SQL Server's rules for the functions, operators and text comparison that the embedded
// engine provides to translated statements (registered on each connection as tsql_*
// user functions and the TSQL collation). The rules are plain functions here so that
// they can be tested on their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/value.h"

struct sqlite3;

namespace velaris {
class Clock;
}

namespace velaris::tsql {

enum class DatePart : uint8_t { Year, Quarter, Month, DayOfYear, Day, Week, Weekday, Hour, Minute, Second, Millisecond };

// The part a DATEADD/DATEPART/DATEDIFF keyword names (year, yy, yyyy, mm, dw, ...).
std::optional<DatePart> datePartFromName(std::string_view name);
const char* datePartName(DatePart part);

// DATEADD: months and years keep the day, clamped to the end of the target month.
// Fractions of the number are dropped, as the server does. nullopt when the result
// leaves the years 1 to 9999.
std::optional<DateTime> dateAdd(DatePart part, int64_t number, DateTime d);
// DATEPART with the server's week starting on Sunday: weekday 1 is Sunday.
int64_t datePart(DatePart part, DateTime d);
// DATEDIFF: the number of part boundaries crossed from `from` to `to`.
int64_t dateDiff(DatePart part, DateTime from, DateTime to);

// The server's date/time numbers: 0 is 1 January 1900, fractions are the time of day.
DateTime fromServerNumber(double days);
double toServerNumber(DateTime d);

// Reads a date/time text as CONVERT does with the given style (0 for none): ISO forms,
// mm/dd/yyyy (101, and the default), dd/mm/yyyy (103), dd.mm.yyyy (104), dd-mm-yyyy (105),
// hh:mi:ss (108), yyyymmdd (112), "Mar  7 2024 10:30AM" (100).
std::optional<DateTime> parseServerDate(std::string_view text, int style = 0);
// Writes a date/time as CONVERT(varchar, d, style) does; nullopt for a style it does not know.
std::optional<std::string> formatServerDate(DateTime d, int style);

// The TSQL collation: case-insensitive for ASCII and Latin-1 letters, accent-sensitive,
// trailing blanks ignored; accented letters sort beside their base letter.
int collate(std::string_view a, std::string_view b);
// LIKE with %, _, [abc], [a-z] and [^abc], compared as the collation compares letters.
bool likeMatch(std::string_view value, std::string_view pattern, int escape = -1);
// Upper and lower case over ASCII and Latin-1 letters.
std::string upperText(std::string_view s);
std::string lowerText(std::string_view s);

// The server's error for a text too long for its column, and its number.
inline constexpr const char* kTruncatedMessage = "String or binary data would be truncated.";
inline constexpr long kTruncatedNumber = 8152;

// Registers the tsql_* functions and the TSQL collation on a connection. GETDATE()
// reads `clock`, which must outlive the connection.
void registerFunctions(sqlite3* db, const Clock& clock);

}  // namespace velaris::tsql
