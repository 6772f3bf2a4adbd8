#pragma once
// The variant value that flows between the database, the query helpers and the checks.
// It mirrors what the centre's database hands back: Null, Empty (never loaded), booleans,
// whole and fractional numbers, texts and date/times.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velaris {

// A date and time with one-second resolution, counted in seconds from 30 December 1899,
// the epoch of the workstation's date type (so day 2 is 1 January 1900, the date that
// every time of day is stored on).
class DateTime {
public:
    constexpr DateTime() = default;
    static constexpr DateTime fromSeconds(int64_t s) { DateTime d; d.secs_ = s; return d; }
    // Builds from calendar parts; out-of-range parts roll over (month 13 is January next year).
    static DateTime fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    // Parses "YYYY-M-D[ H:M[:S[.fff]]]", "YYYY-M-DTH:M:S", "H:M[:S]" (on 1 January 1900) and
    // "MM-DD-YYYY". Returns nothing for anything else or for an impossible date.
    static std::optional<DateTime> parse(std::string_view text);

    int64_t seconds() const { return secs_; }
    int64_t dayNumber() const;      // whole days since the epoch (floor)
    int secondOfDay() const;        // 0 .. 86399
    int year() const;
    int month() const;
    int day() const;
    int hour() const { return secondOfDay() / 3600; }
    int minute() const { return secondOfDay() / 60 % 60; }
    int second() const { return secondOfDay() % 60; }
    int weekdayMonday1() const;     // Monday = 1 .. Sunday = 7, the program's own numbering
    int weekdaySunday1() const;     // Sunday = 1 .. Saturday = 7, as DATEPART(weekday, ...) counts

    DateTime datePart() const { return fromSeconds(dayNumber() * 86400); }
    DateTime timeOnDay1900() const { return fromSeconds(2 * 86400 + secondOfDay()); }
    DateTime addSeconds(int64_t s) const { return fromSeconds(secs_ + s); }
    DateTime addDays(int64_t d) const { return fromSeconds(secs_ + d * 86400); }
    DateTime addMonths(int64_t m) const;  // day clamped to the end of the target month
    DateTime addYears(int64_t y) const { return addMonths(y * 12); }
    double toOleDays() const { return static_cast<double>(secs_) / 86400.0; }
    static DateTime fromOleDays(double days);

    // "YYYY-MM-DD HH:MM:SS": the canonical form the embedded database stores.
    std::string canonical() const;
    // The workstation's default text form: the date alone at midnight, the time alone
    // on the epoch day, both otherwise.
    std::string defaultText() const;

    friend auto operator<=>(const DateTime&, const DateTime&) = default;

private:
    int64_t secs_ = 0;
};

class Value {
public:
    enum class Kind { Empty, Null, Bool, Int, Double, Text, Date };
    struct NullTag { friend bool operator==(NullTag, NullTag) { return true; } };
    struct EmptyTag { friend bool operator==(EmptyTag, EmptyTag) { return true; } };

    Value() : v_(EmptyTag{}) {}
    static Value null() { Value v; v.v_ = NullTag{}; return v; }
    Value(bool b) : v_(b) {}
    Value(int i) : v_(static_cast<int64_t>(i)) {}
    Value(long i) : v_(static_cast<int64_t>(i)) {}
    Value(long long i) : v_(static_cast<int64_t>(i)) {}
    Value(double d) : v_(d) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(DateTime d) : v_(d) {}

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNullOrEmpty() const { return isNull() || isEmpty(); }
    bool isText() const { return kind() == Kind::Text; }
    bool isNumber() const { return kind() == Kind::Int || kind() == Kind::Double || kind() == Kind::Bool; }
    bool isDate() const { return kind() == Kind::Date; }

    // Conversions follow the workstation's rules: booleans are -1 and 0, texts are parsed
    // as numbers or dates when asked, Null and Empty read as 0 / "" / false.
    // Whole-number conversion rounds halves to even and saturates at the 64-bit range.
    int64_t toInt() const;
    double toDouble() const;
    bool toBool() const;
    std::optional<DateTime> toDate() const;
    // The ordinary text form: numbers with a decimal point whatever the process locale,
    // up to 15 significant digits; booleans "True"/"False"; dates in their default form;
    // Null and Empty give the empty text.
    std::string toText() const;
    // Numeric view when the value is a number or a text that reads as one.
    std::optional<double> asNumber() const;

    const std::string* textPtr() const { return std::get_if<std::string>(&v_); }

    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

private:
    std::variant<EmptyTag, NullTag, bool, int64_t, double, std::string, DateTime> v_;
};

// Round half to even, the rule of the workstation's whole-number conversions.
int64_t roundHalfEven(double d);
// Locale-independent text of a double: up to 15 significant digits, no exponent for
// ordinary magnitudes, "." as decimal point.
std::string formatNumber(double d);
// Parses a whole or decimal number (optional sign, "." or "," as decimal separator,
// surrounding blanks allowed). Nothing for anything else.
std::optional<double> parseNumber(std::string_view text);

}  // namespace velaris
