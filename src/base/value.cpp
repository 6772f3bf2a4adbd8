#include "base/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace velaris {

namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil { int64_t y; unsigned m; unsigned d; };

constexpr Civil civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp + (mp < 10 ? 3 : -9);
    return {y + (m <= 2), m, d};
}

// Offset between the 1970 epoch and the workstation's 1899-12-30 epoch, in days.
constexpr int64_t kEpochOffset = daysFromCivil(1899, 12, 30);

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

unsigned daysInMonth(int64_t y, unsigned m) {
    static const unsigned dm[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return dm[m - 1];
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits digits at pos.
bool readInt(std::string_view s, size_t& pos, int maxDigits, int& out) {
    size_t start = pos;
    int v = 0;
    while (pos < s.size() && isDigit(s[pos]) && static_cast<int>(pos - start) < maxDigits) {
        v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    if (pos == start) return false;
    out = v;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool validDate(int y, int m, int d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= static_cast<int>(daysInMonth(y, m));
}

// Parses " H:M[:S[.fff]]" starting at pos; requires the rest of the text to be consumed.
bool readTime(std::string_view s, size_t pos, int& h, int& mi, int& se) {
    se = 0;
    if (!readInt(s, pos, 2, h) || pos >= s.size() || s[pos] != ':') return false;
    ++pos;
    if (!readInt(s, pos, 2, mi)) return false;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        if (!readInt(s, pos, 2, se)) return false;
        if (pos < s.size() && s[pos] == '.') {
            ++pos;
            while (pos < s.size() && isDigit(s[pos])) ++pos;  // fractions are dropped
        }
    }
    return pos == s.size() && h < 24 && mi < 60 && se < 60;
}

}  // namespace

DateTime DateTime::fromParts(int year, int month, int day, int hour, int minute, int second) {
    int64_t y = year;
    int64_t m = month - 1;
    y += floorDiv(m, 12);
    m -= floorDiv(m, 12) * 12;
    const int64_t days = daysFromCivil(y, static_cast<unsigned>(m + 1), 1) - kEpochOffset + (day - 1);
    return fromSeconds(days * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second);
}

std::optional<DateTime> DateTime::parse(std::string_view text) {
    std::string_view s = trim(text);
    if (s.empty()) return std::nullopt;
    size_t pos = 0;
    int a = 0;
    if (!readInt(s, pos, 4, a)) return std::nullopt;
    if (pos < s.size() && s[pos] == ':') {  // time alone
        int h, mi, se;
        if (!readTime(s, 0, h, mi, se)) return std::nullopt;
        return fromParts(1900, 1, 1, h, mi, se);
    }
    if (pos >= s.size() || (s[pos] != '-' && s[pos] != '/')) return std::nullopt;
    const char sep = s[pos];
    const size_t firstLen = pos;
    ++pos;
    int b = 0, c = 0;
    if (!readInt(s, pos, 2, b) || pos >= s.size() || s[pos] != sep) return std::nullopt;
    ++pos;
    if (!readInt(s, pos, 4, c)) return std::nullopt;
    int y, m, d;
    if (firstLen == 4) { y = a; m = b; d = c; }          // YYYY-MM-DD
    else if (pos - firstLen >= 6) { m = a; d = b; y = c; }  // MM-DD-YYYY
    else return std::nullopt;
    if (!validDate(y, m, d)) return std::nullopt;
    if (pos == s.size()) return fromParts(y, m, d);
    if (s[pos] != ' ' && s[pos] != 'T') return std::nullopt;
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == 'T')) ++pos;
    int h, mi, se;
    if (!readTime(s, pos, h, mi, se)) return std::nullopt;
    return fromParts(y, m, d, h, mi, se);
}

int64_t DateTime::dayNumber() const { return floorDiv(secs_, 86400); }
int DateTime::secondOfDay() const { return static_cast<int>(secs_ - dayNumber() * 86400); }
int DateTime::year() const { return static_cast<int>(civilFromDays(dayNumber() + kEpochOffset).y); }
int DateTime::month() const { return static_cast<int>(civilFromDays(dayNumber() + kEpochOffset).m); }
int DateTime::day() const { return static_cast<int>(civilFromDays(dayNumber() + kEpochOffset).d); }

int DateTime::weekdaySunday1() const {
    // 30 December 1899 was a Saturday.
    const int64_t w = ((dayNumber() + 6) % 7 + 7) % 7;  // 0 = Sunday
    return static_cast<int>(w) + 1;
}

int DateTime::weekdayMonday1() const {
    const int s = weekdaySunday1();
    return s == 1 ? 7 : s - 1;
}

DateTime DateTime::addMonths(int64_t months) const {
    const Civil c = civilFromDays(dayNumber() + kEpochOffset);
    int64_t m = static_cast<int64_t>(c.m) - 1 + months;
    int64_t y = c.y + floorDiv(m, 12);
    m -= floorDiv(m, 12) * 12;
    const unsigned d = std::min(c.d, daysInMonth(y, static_cast<unsigned>(m + 1)));
    const int64_t days = daysFromCivil(y, static_cast<unsigned>(m + 1), d) - kEpochOffset;
    return fromSeconds(days * 86400 + secondOfDay());
}

DateTime DateTime::fromOleDays(double days) {
    return fromSeconds(static_cast<int64_t>(std::llround(days * 86400.0)));
}

std::string DateTime::canonical() const {
    const Civil c = civilFromDays(dayNumber() + kEpochOffset);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(c.y), c.m, c.d,
                  hour(), minute(), second());
    return buf;
}

std::string DateTime::defaultText() const {
    std::string c = canonical();
    if (dayNumber() == 0) return c.substr(11);
    if (secondOfDay() == 0) return c.substr(0, 10);
    return c;
}

// ---------------------------------------------------------------------------------------

int64_t roundHalfEven(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (d <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(std::nearbyint(d));  // default rounding mode: to nearest, ties to even
}

std::string formatNumber(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    if (d == 0) return "0";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    (void)ec;
    std::string s(buf, end);
    // to_chars keeps trailing zeros out of general format already; normalise the exponent
    // the way the workstation writes it (1E+20).
    if (auto e = s.find('e'); e != std::string::npos) {
        std::string mant = s.substr(0, e);
        int exp = std::stoi(s.substr(e + 1));
        char eb[16];
        std::snprintf(eb, sizeof eb, "E%c%d", exp < 0 ? '-' : '+', std::abs(exp));
        s = mant + eb;
    }
    return s;
}

std::optional<double> parseNumber(std::string_view text) {
    std::string_view s = trim(text);
    if (s.empty()) return std::nullopt;
    std::string buf(s);
    bool seenSep = false;
    for (char& c : buf) {
        if (c == ',' || c == '.') {
            if (seenSep) return std::nullopt;
            seenSep = true;
            c = '.';
        }
    }
    const char* b = buf.data();
    if (*b == '+') ++b;
    double v = 0;
    auto [p, ec] = std::from_chars(b, buf.data() + buf.size(), v);
    if (ec != std::errc() || p != buf.data() + buf.size()) return std::nullopt;
    return v;
}

// ---------------------------------------------------------------------------------------

int64_t Value::toInt() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? -1 : 0;
        case Kind::Int: return std::get<int64_t>(v_);
        case Kind::Double: return roundHalfEven(std::get<double>(v_));
        case Kind::Text: {
            if (auto n = parseNumber(std::get<std::string>(v_))) return roundHalfEven(*n);
            return 0;
        }
        case Kind::Date: return roundHalfEven(std::get<DateTime>(v_).toOleDays());
        default: return 0;
    }
}

double Value::toDouble() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? -1.0 : 0.0;
        case Kind::Int: return static_cast<double>(std::get<int64_t>(v_));
        case Kind::Double: return std::get<double>(v_);
        case Kind::Text: return parseNumber(std::get<std::string>(v_)).value_or(0.0);
        case Kind::Date: return std::get<DateTime>(v_).toOleDays();
        default: return 0.0;
    }
}

bool Value::toBool() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_);
        case Kind::Int: return std::get<int64_t>(v_) != 0;
        case Kind::Double: return std::get<double>(v_) != 0.0;
        case Kind::Text: {
            const auto& s = std::get<std::string>(v_);
            std::string_view t = trim(s);
            if (t.size() == 4 && (t[0] | 0x20) == 't' && (t[1] | 0x20) == 'r' && (t[2] | 0x20) == 'u' &&
                (t[3] | 0x20) == 'e')
                return true;
            if (auto n = parseNumber(t)) return *n != 0.0;
            return false;
        }
        case Kind::Date: return std::get<DateTime>(v_).seconds() != 0;
        default: return false;
    }
}

std::optional<DateTime> Value::toDate() const {
    switch (kind()) {
        case Kind::Date: return std::get<DateTime>(v_);
        case Kind::Text: return DateTime::parse(std::get<std::string>(v_));
        case Kind::Int:
        case Kind::Double: return DateTime::fromOleDays(toDouble());
        default: return std::nullopt;
    }
}

std::optional<double> Value::asNumber() const {
    switch (kind()) {
        case Kind::Bool:
        case Kind::Int:
        case Kind::Double: return toDouble();
        case Kind::Text: return parseNumber(std::get<std::string>(v_));
        default: return std::nullopt;
    }
}

std::string Value::toText() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? "True" : "False";
        case Kind::Int: return std::to_string(std::get<int64_t>(v_));
        case Kind::Double: return formatNumber(std::get<double>(v_));
        case Kind::Text: return std::get<std::string>(v_);
        case Kind::Date: return std::get<DateTime>(v_).defaultText();
        default: return {};
    }
}

}  // namespace velaris
