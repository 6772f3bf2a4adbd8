#include "db/tsql/functions.h"

#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "base/clock.h"
#include "base/workstation.h"

namespace velaris::tsql {

// ---------------------------------------------------------------------------------------
// Date parts and date arithmetic

namespace {

struct PartName {
    const char* name;
    DatePart part;
};

const PartName kPartNames[] = {
    {"year", DatePart::Year},           {"yy", DatePart::Year},          {"yyyy", DatePart::Year},
    {"quarter", DatePart::Quarter},     {"qq", DatePart::Quarter},       {"q", DatePart::Quarter},
    {"month", DatePart::Month},         {"mm", DatePart::Month},         {"m", DatePart::Month},
    {"dayofyear", DatePart::DayOfYear}, {"dy", DatePart::DayOfYear},     {"y", DatePart::DayOfYear},
    {"day", DatePart::Day},             {"dd", DatePart::Day},           {"d", DatePart::Day},
    {"week", DatePart::Week},           {"wk", DatePart::Week},          {"ww", DatePart::Week},
    {"weekday", DatePart::Weekday},     {"dw", DatePart::Weekday},       {"w", DatePart::Weekday},
    {"hour", DatePart::Hour},           {"hh", DatePart::Hour},          {"minute", DatePart::Minute},
    {"mi", DatePart::Minute},           {"n", DatePart::Minute},         {"second", DatePart::Second},
    {"ss", DatePart::Second},           {"s", DatePart::Second},         {"millisecond", DatePart::Millisecond},
    {"ms", DatePart::Millisecond},
};

bool sameWord(std::string_view a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != b[i]) return false;
    }
    return true;
}

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

constexpr int64_t kServerEpochDay = 2;  // 1 January 1900 in the workstation's day numbers

bool inRange(DateTime d) { return d.year() >= 1 && d.year() <= 9999 && d.seconds() >= DateTime::fromParts(1, 1, 1).seconds(); }

}  // namespace

std::optional<DatePart> datePartFromName(std::string_view name) {
    for (const auto& p : kPartNames)
        if (sameWord(name, p.name)) return p.part;
    return std::nullopt;
}

const char* datePartName(DatePart part) {
    switch (part) {
        case DatePart::Year: return "year";
        case DatePart::Quarter: return "quarter";
        case DatePart::Month: return "month";
        case DatePart::DayOfYear: return "dayofyear";
        case DatePart::Day: return "day";
        case DatePart::Week: return "week";
        case DatePart::Weekday: return "weekday";
        case DatePart::Hour: return "hour";
        case DatePart::Minute: return "minute";
        case DatePart::Second: return "second";
        case DatePart::Millisecond: return "millisecond";
    }
    return "day";
}

std::optional<DateTime> dateAdd(DatePart part, int64_t n, DateTime d) {
    // Keep the arithmetic far from overflow: no part moves a date beyond 10,000 years.
    constexpr int64_t kMaxDays = 3700000;
    auto checked = [](int64_t v, int64_t limit) { return v > -limit && v < limit; };
    DateTime r;
    switch (part) {
        case DatePart::Year:
            if (!checked(n, 10000)) return std::nullopt;
            r = d.addYears(n);
            break;
        case DatePart::Quarter:
            if (!checked(n, 40000)) return std::nullopt;
            r = d.addMonths(3 * n);
            break;
        case DatePart::Month:
            if (!checked(n, 120000)) return std::nullopt;
            r = d.addMonths(n);
            break;
        case DatePart::DayOfYear:
        case DatePart::Day:
        case DatePart::Weekday:
            if (!checked(n, kMaxDays)) return std::nullopt;
            r = d.addDays(n);
            break;
        case DatePart::Week:
            if (!checked(n, kMaxDays / 7)) return std::nullopt;
            r = d.addDays(7 * n);
            break;
        case DatePart::Hour:
            if (!checked(n, kMaxDays * 24)) return std::nullopt;
            r = d.addSeconds(3600 * n);
            break;
        case DatePart::Minute:
            if (!checked(n, kMaxDays * 1440)) return std::nullopt;
            r = d.addSeconds(60 * n);
            break;
        case DatePart::Second:
            if (!checked(n, kMaxDays * 86400)) return std::nullopt;
            r = d.addSeconds(n);
            break;
        case DatePart::Millisecond:
            r = d.addSeconds(n / 1000);  // one-second resolution: whole seconds only
            break;
    }
    if (!inRange(r)) return std::nullopt;
    return r;
}

int64_t datePart(DatePart part, DateTime d) {
    switch (part) {
        case DatePart::Year: return d.year();
        case DatePart::Quarter: return (d.month() - 1) / 3 + 1;
        case DatePart::Month: return d.month();
        case DatePart::DayOfYear: return d.dayNumber() - DateTime::fromParts(d.year(), 1, 1).dayNumber() + 1;
        case DatePart::Day: return d.day();
        case DatePart::Week: {
            const DateTime jan1 = DateTime::fromParts(d.year(), 1, 1);
            const int64_t doy = d.dayNumber() - jan1.dayNumber() + 1;
            return (doy + jan1.weekdaySunday1() - 2) / 7 + 1;
        }
        case DatePart::Weekday: return d.weekdaySunday1();
        case DatePart::Hour: return d.hour();
        case DatePart::Minute: return d.minute();
        case DatePart::Second: return d.second();
        case DatePart::Millisecond: return 0;
    }
    return 0;
}

int64_t dateDiff(DatePart part, DateTime a, DateTime b) {
    switch (part) {
        case DatePart::Year: return b.year() - a.year();
        case DatePart::Quarter:
            return (int64_t{b.year()} * 4 + (b.month() - 1) / 3) - (int64_t{a.year()} * 4 + (a.month() - 1) / 3);
        case DatePart::Month: return (int64_t{b.year()} * 12 + b.month()) - (int64_t{a.year()} * 12 + a.month());
        case DatePart::DayOfYear:
        case DatePart::Day:
        case DatePart::Weekday: return b.dayNumber() - a.dayNumber();
        case DatePart::Week:
            // Weeks start on Sunday; day 0 of the epoch is a Saturday.
            return floorDiv(b.dayNumber() + 6, 7) - floorDiv(a.dayNumber() + 6, 7);
        case DatePart::Hour: return floorDiv(b.seconds(), 3600) - floorDiv(a.seconds(), 3600);
        case DatePart::Minute: return floorDiv(b.seconds(), 60) - floorDiv(a.seconds(), 60);
        case DatePart::Second: return b.seconds() - a.seconds();
        case DatePart::Millisecond: return (b.seconds() - a.seconds()) * 1000;
    }
    return 0;
}

DateTime fromServerNumber(double days) {
    return DateTime::fromSeconds(static_cast<int64_t>(std::llround((days + kServerEpochDay) * 86400.0)));
}

double toServerNumber(DateTime d) { return static_cast<double>(d.seconds()) / 86400.0 - kServerEpochDay; }

// ---------------------------------------------------------------------------------------
// Date/time texts

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool digitsAt(std::string_view s, size_t pos, size_t count, int& out) {
    if (pos + count > s.size()) return false;
    int v = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = s[pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Day-first forms: dd/mm/yyyy, dd.mm.yyyy, dd-mm-yyyy with an optional time.
std::optional<DateTime> parseDayFirst(std::string_view s) {
    size_t pos = 0;
    int parts[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        size_t start = pos;
        int v = 0;
        while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 4) v = v * 10 + (s[pos++] - '0');
        if (pos == start) return std::nullopt;
        parts[k] = v;
        if (k < 2) {
            if (pos >= s.size() || (s[pos] != '/' && s[pos] != '.' && s[pos] != '-')) return std::nullopt;
            ++pos;
        }
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", parts[2], parts[1], parts[0]);
    std::string iso = buf;
    iso.append(s.substr(pos));
    return DateTime::parse(iso);
}

// "Mar  7 2024 10:30AM" and "Mar 7 2024".
std::optional<DateTime> parseMonthName(std::string_view s) {
    if (s.size() < 10) return std::nullopt;
    int month = 0;
    for (int m = 0; m < 12 && month == 0; ++m) {  // English month names, any case
        bool same = true;
        for (size_t i = 0; i < 3; ++i)
            if ((s[i] | 0x20) != (kMonths[m][i] | 0x20)) same = false;
        if (same) month = m + 1;
    }
    if (month == 0) return std::nullopt;
    size_t pos = 3;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    int day = 0;
    size_t st = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') day = day * 10 + (s[pos++] - '0');
    if (pos == st || pos >= s.size() || s[pos] != ' ') return std::nullopt;
    ++pos;
    int year = 0;
    if (!digitsAt(s, pos, 4, year)) return std::nullopt;
    pos += 4;
    int h = 0, mi = 0, se = 0;
    std::string_view rest = trimmed(s.substr(pos));
    if (!rest.empty()) {
        bool pm = false, am = false;
        if (rest.size() >= 2) {
            std::string_view suffix = rest.substr(rest.size() - 2);
            if (sameWord(suffix, "pm")) pm = true;
            if (sameWord(suffix, "am")) am = true;
            if (pm || am) rest = trimmed(rest.substr(0, rest.size() - 2));
        }
        auto t = DateTime::parse(rest);
        if (!t || t->dayNumber() != 2) return std::nullopt;
        h = t->hour();
        mi = t->minute();
        se = t->second();
        if (pm || am) {
            if (h < 1 || h > 12) return std::nullopt;
            if (h == 12) h = 0;
            if (pm) h += 12;
        }
    }
    if (day < 1 || day > 31 || year < 1) return std::nullopt;
    const DateTime d = DateTime::fromParts(year, month, day, h, mi, se);
    if (d.month() != month) return std::nullopt;  // 31 April and the like
    return d;
}

}  // namespace

std::optional<DateTime> parseServerDate(std::string_view text, int style) {
    const std::string_view s = trimmed(text);
    if (s.empty()) return std::nullopt;
    switch (style) {
        case 3: case 103: case 4: case 104: case 5: case 105:
            if (auto d = parseDayFirst(s)) return d;
            break;
        case 112: case 12: {
            int y, m, d;
            if (s.size() == 8 && digitsAt(s, 0, 4, y) && digitsAt(s, 4, 2, m) && digitsAt(s, 6, 2, d)) {
                const DateTime r = DateTime::fromParts(y, m, d);
                if (r.month() == m && m >= 1 && m <= 12) return r;
            }
            return std::nullopt;
        }
        default: break;
    }
    if (auto d = DateTime::parse(s)) return d;
    if (s.size() == 8) {  // yyyymmdd is read in every style
        int y, m, d;
        if (digitsAt(s, 0, 4, y) && digitsAt(s, 4, 2, m) && digitsAt(s, 6, 2, d) && m >= 1 && m <= 12 && d >= 1) {
            const DateTime r = DateTime::fromParts(y, m, d);
            if (r.month() == m) return r;
        }
    }
    return parseMonthName(s);
}

std::optional<std::string> formatServerDate(DateTime d, int style) {
    char buf[48];
    const int y = d.year(), mo = d.month(), da = d.day(), h = d.hour(), mi = d.minute(), se = d.second();
    switch (style) {
        case 0:
        case 100: {
            const int h12 = h % 12 == 0 ? 12 : h % 12;
            std::snprintf(buf, sizeof buf, "%s %2d %04d %2d:%02d%s", kMonths[mo - 1], da, y, h12, mi, h < 12 ? "AM" : "PM");
            break;
        }
        case 1: std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", mo, da, y % 100); break;
        case 101: std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", mo, da, y); break;
        case 3: std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", da, mo, y % 100); break;
        case 103: std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", da, mo, y); break;
        case 104: std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", da, mo, y); break;
        case 105: std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", da, mo, y); break;
        case 8:
        case 108: std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, se); break;
        case 110: std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", mo, da, y); break;
        case 112: std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, mo, da); break;
        case 20:
        case 120: std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, da, h, mi, se); break;
        case 21:
        case 121: std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.000", y, mo, da, h, mi, se); break;
        case 23: std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, da); break;
        case 126: std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", y, mo, da, h, mi, se); break;
        default: return std::nullopt;
    }
    return std::string(buf);
}

// ---------------------------------------------------------------------------------------
// Text: UTF-8, Latin-1 case folding, the collation, LIKE

namespace {

uint32_t decodeUtf8(const unsigned char* s, size_t n, size_t& i) {
    const unsigned char c = s[i];
    if (c < 0x80) {
        ++i;
        return c;
    }
    auto cont = [&](size_t k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
    if ((c & 0xE0) == 0xC0 && cont(1)) {
        const uint32_t cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
        i += 2;
        return cp;
    }
    if ((c & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        const uint32_t cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
        i += 3;
        return cp;
    }
    if ((c & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
        const uint32_t cp =
            ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
        i += 4;
        return cp;
    }
    ++i;  // a stray byte stands for itself
    return c;
}

void encodeUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) out.push_back(static_cast<char>(cp));
    else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

uint32_t foldCase(uint32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
    return cp;
}

uint32_t toUpper(uint32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 32;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
    return cp;
}

struct Weight {
    uint32_t base;
    uint8_t accent;
};

// Latin-1 lower-case letters 0xE0..0xFF: base letter and accent (0 none, 1 grave,
// 2 acute, 3 circumflex, 4 tilde, 5 diaeresis, 6 ring, 7 stroke, 8 cedilla).
const struct {
    char base;
    uint8_t accent;
} kLatin1[32] = {
    {'a', 1}, {'a', 2}, {'a', 3}, {'a', 4}, {'a', 5}, {'a', 6}, {0, 0},   {'c', 8},  // e0-e7
    {'e', 1}, {'e', 2}, {'e', 3}, {'e', 5}, {'i', 1}, {'i', 2}, {'i', 3}, {'i', 5},  // e8-ef
    {0, 0},   {'n', 4}, {'o', 1}, {'o', 2}, {'o', 3}, {'o', 4}, {'o', 5}, {0, 0},    // f0-f7
    {'o', 7}, {'u', 1}, {'u', 2}, {'u', 3}, {'u', 5}, {'y', 2}, {0, 0},   {'y', 5},  // f8-ff
};

Weight weigh(uint32_t cp) {
    cp = foldCase(cp);
    if (cp >= 0xE0 && cp <= 0xFF) {
        const auto& l = kLatin1[cp - 0xE0];
        if (l.base) return {static_cast<uint32_t>(l.base), l.accent};
    }
    return {cp, 0};
}

size_t trimmedLength(const unsigned char* s, size_t n) {
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

int collateRaw(const unsigned char* a, size_t na, const unsigned char* b, size_t nb) {
    na = trimmedLength(a, na);
    nb = trimmedLength(b, nb);
    size_t i = 0, j = 0;
    int secondary = 0;
    while (i < na && j < nb) {
        const unsigned char ca = a[i], cb = b[j];
        if (ca < 0x80 && cb < 0x80) {
            const unsigned char la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
            const unsigned char lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
            if (la != lb) return la < lb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const Weight wa = weigh(decodeUtf8(a, na, i));
        const Weight wb = weigh(decodeUtf8(b, nb, j));
        if (wa.base != wb.base) return wa.base < wb.base ? -1 : 1;
        if (secondary == 0 && wa.accent != wb.accent) secondary = wa.accent < wb.accent ? -1 : 1;
    }
    if (i < na) return 1;
    if (j < nb) return -1;
    return secondary;
}

std::vector<uint32_t> foldedCodePoints(std::string_view s) {
    std::vector<uint32_t> out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t i = 0;
    while (i < s.size()) out.push_back(foldCase(decodeUtf8(p, s.size(), i)));
    return out;
}

struct PatternItem {
    enum Kind { Lit, One, Any, Set } kind = Lit;
    uint32_t cp = 0;
    bool negated = false;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
};

}  // namespace

int collate(std::string_view a, std::string_view b) {
    return collateRaw(reinterpret_cast<const unsigned char*>(a.data()), a.size(),
                      reinterpret_cast<const unsigned char*>(b.data()), b.size());
}

std::string upperText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t i = 0;
    while (i < s.size()) encodeUtf8(toUpper(decodeUtf8(p, s.size(), i)), out);
    return out;
}

std::string lowerText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t i = 0;
    while (i < s.size()) encodeUtf8(foldCase(decodeUtf8(p, s.size(), i)), out);
    return out;
}

bool likeMatch(std::string_view value, std::string_view pattern, int escape) {
    const std::vector<uint32_t> v = foldedCodePoints(value);
    const std::vector<uint32_t> praw = foldedCodePoints(pattern);
    const uint32_t esc = escape < 0 ? 0xFFFFFFFFu : foldCase(static_cast<uint32_t>(escape));
    std::vector<PatternItem> p;
    for (size_t i = 0; i < praw.size(); ++i) {
        const uint32_t c = praw[i];
        PatternItem it;
        it.kind = PatternItem::Lit;
        if (c == esc && i + 1 < praw.size()) {
            it.cp = praw[++i];
        } else if (c == '%') {
            it.kind = PatternItem::Any;
        } else if (c == '_') {
            it.kind = PatternItem::One;
        } else if (c == '[') {
            size_t k = i + 1;
            PatternItem set;
            set.kind = PatternItem::Set;
            if (k < praw.size() && praw[k] == '^') {
                set.negated = true;
                ++k;
            }
            bool closed = false;
            bool first = true;
            while (k < praw.size()) {
                if (praw[k] == ']' && !first) {
                    closed = true;
                    break;
                }
                first = false;
                uint32_t lo = praw[k], hi = praw[k];
                if (k + 2 < praw.size() && praw[k + 1] == '-' && praw[k + 2] != ']') {
                    hi = praw[k + 2];
                    k += 2;
                }
                set.ranges.emplace_back(lo, hi);
                ++k;
            }
            if (closed) {
                it = std::move(set);
                i = k;
            } else {
                it.cp = c;  // an unclosed [ stands for itself
            }
        } else {
            it.cp = c;
        }
        p.push_back(std::move(it));
    }
    auto one = [&](const PatternItem& it, uint32_t c) {
        switch (it.kind) {
            case PatternItem::Lit: return weigh(it.cp).base == weigh(c).base && weigh(it.cp).accent == weigh(c).accent;
            case PatternItem::One: return true;
            case PatternItem::Set: {
                bool in = false;
                for (auto [lo, hi] : it.ranges)
                    if (c >= lo && c <= hi) in = true;
                return in != it.negated;
            }
            case PatternItem::Any: return false;
        }
        return false;
    };
    // Greedy matching with one back-tracking point per '%'.
    size_t vi = 0, pi = 0, starP = std::string::npos, starV = 0;
    while (vi < v.size()) {
        if (pi < p.size() && p[pi].kind == PatternItem::Any) {
            starP = pi++;
            starV = vi;
        } else if (pi < p.size() && one(p[pi], v[vi])) {
            ++pi;
            ++vi;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            vi = ++starV;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].kind == PatternItem::Any) ++pi;
    return pi == p.size();
}

// ---------------------------------------------------------------------------------------
// The SQLite functions

namespace {

std::string_view textOf(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    const int n = sqlite3_value_bytes(v);
    return std::string_view(reinterpret_cast<const char*>(t ? t : reinterpret_cast<const unsigned char*>("")),
                            static_cast<size_t>(n));
}

bool isNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }
bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i])) return true;
    return false;
}

bool isCanonicalDate(std::string_view t) {
    if (t.size() != 19) return false;
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    for (size_t i = 0; i < 19; ++i) {
        if (shape[i] == 'd') {
            if (t[i] < '0' || t[i] > '9') return false;
        } else if (t[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

DateTime parseCanonical(std::string_view t) {
    auto num = [&](size_t pos, size_t len) {
        int v = 0;
        for (size_t i = 0; i < len; ++i) v = v * 10 + (t[pos + i] - '0');
        return v;
    };
    return DateTime::fromParts(num(0, 4), num(5, 2), num(8, 2), num(11, 2), num(14, 2), num(17, 2));
}

void resultDate(sqlite3_context* ctx, DateTime d) {
    const std::string s = d.canonical();
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void resultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

const char kDateError[] = "Conversion failed when converting date and/or time from character string.";

// The date/time a value stands for; reports the server's conversion error when there is none.
std::optional<DateTime> dateArg(sqlite3_context* ctx, sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: return fromServerNumber(sqlite3_value_double(v));
        case SQLITE_TEXT: {
            const std::string_view t = textOf(v);
            if (isCanonicalDate(t)) {
                const DateTime d = parseCanonical(t);
                if (d.canonical() == t) return d;
            }
            if (auto d = parseServerDate(t)) return d;
            sqlite3_result_error(ctx, kDateError, -1);
            return std::nullopt;
        }
        default:
            sqlite3_result_error(ctx, kDateError, -1);
            return std::nullopt;
    }
}

// Strict number reading of a text, as the server converts varchar to a number.
std::optional<double> strictNumber(std::string_view t, bool& whole) {
    t = trimmed(t);
    if (t.empty()) return std::nullopt;
    std::string buf(t);
    const char* b = buf.c_str();
    if (*b == '+') ++b;
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(b, &end);
    if (end == b || *end != '\0' || errno == ERANGE || std::isnan(d) || std::isinf(d)) return std::nullopt;
    // strtod also reads hexadecimal and "inf": only plain decimal digits count.
    for (const char* p = b; *p; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == '.' || *p == '-' || *p == '+' || *p == 'e' || *p == 'E'))
            return std::nullopt;
    whole = buf.find_first_of(".eE") == std::string::npos;
    return d;
}

std::string conversionError(std::string_view text, const char* type) {
    std::string t(text.substr(0, 60));
    return "Conversion failed when converting the varchar value '" + t + "' to data type " + type + ".";
}

// A numeric view of an operand of + or -: numbers as they are, texts that read as numbers.
struct Num {
    bool isInt = false;
    int64_t i = 0;
    double d = 0;
    double asDouble() const { return isInt ? static_cast<double>(i) : d; }
};

bool numArg(sqlite3_context* ctx, sqlite3_value* v, Num& out, const char* type) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            out.isInt = true;
            out.i = sqlite3_value_int64(v);
            return true;
        case SQLITE_FLOAT:
            out.isInt = false;
            out.d = sqlite3_value_double(v);
            return true;
        case SQLITE_TEXT: {
            bool whole = false;
            const std::string_view t = textOf(v);
            auto n = strictNumber(t, whole);
            if (!n) {
                const std::string msg = conversionError(t, type);
                sqlite3_result_error(ctx, msg.c_str(), -1);
                return false;
            }
            if (whole && std::fabs(*n) < 9.0e18) {
                out.isInt = true;
                out.i = static_cast<int64_t>(*n);
            } else {
                out.isInt = false;
                out.d = *n;
            }
            return true;
        }
        default:
            sqlite3_result_error(ctx, "Operand type clash: varbinary is incompatible with the operator", -1);
            return false;
    }
}

void resultNum(sqlite3_context* ctx, const Num& n) {
    if (n.isInt) sqlite3_result_int64(ctx, n.i);
    else sqlite3_result_double(ctx, n.d);
}

const char kOverflow[] = "Arithmetic overflow error converting expression to data type int.";

void fnAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    const bool dateA = ta == SQLITE_TEXT && isCanonicalDate(textOf(argv[0]));
    const bool dateB = tb == SQLITE_TEXT && isCanonicalDate(textOf(argv[1]));
    if (ta == SQLITE_TEXT && tb == SQLITE_TEXT && !(dateA && dateB)) {
        std::string s(textOf(argv[0]));
        s.append(textOf(argv[1]));
        return resultText(ctx, s);
    }
    if (dateA || dateB) {  // date + number adds days (and fractions of a day)
        const std::optional<DateTime> d = dateArg(ctx, argv[dateA ? 0 : 1]);
        if (!d) return;
        double other;
        if (dateA && dateB) {
            const std::optional<DateTime> e = dateArg(ctx, argv[1]);
            if (!e) return;
            other = toServerNumber(*e);
        } else {
            Num n;
            if (!numArg(ctx, argv[dateA ? 1 : 0], n, "datetime")) return;
            other = n.asDouble();
        }
        const DateTime r = fromServerNumber(toServerNumber(*d) + other);
        if (r.year() < 1 || r.year() > 9999) return sqlite3_result_error(ctx, "Arithmetic overflow error converting expression to data type datetime.", -1);
        return resultDate(ctx, r);
    }
    Num a, b;
    if (!numArg(ctx, argv[0], a, tb == SQLITE_FLOAT ? "float" : "int")) return;
    if (!numArg(ctx, argv[1], b, ta == SQLITE_FLOAT ? "float" : "int")) return;
    if (a.isInt && b.isInt) {
        Num r;
        r.isInt = true;
        if (__builtin_add_overflow(a.i, b.i, &r.i)) return sqlite3_result_error(ctx, kOverflow, -1);
        return resultNum(ctx, r);
    }
    sqlite3_result_double(ctx, a.asDouble() + b.asDouble());
}

void fnSub(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    const bool dateA = ta == SQLITE_TEXT && isCanonicalDate(textOf(argv[0]));
    const bool dateB = tb == SQLITE_TEXT && isCanonicalDate(textOf(argv[1]));
    if (dateA) {  // date - number, date - date: the server's date/time difference
        const std::optional<DateTime> d = dateArg(ctx, argv[0]);
        if (!d) return;
        double other;
        if (dateB) {
            const std::optional<DateTime> e = dateArg(ctx, argv[1]);
            if (!e) return;
            other = toServerNumber(*e);
        } else {
            Num n;
            if (!numArg(ctx, argv[1], n, "datetime")) return;
            other = n.asDouble();
        }
        const DateTime r = fromServerNumber(toServerNumber(*d) - other);
        if (r.year() < 1 || r.year() > 9999) return sqlite3_result_error(ctx, "Arithmetic overflow error converting expression to data type datetime.", -1);
        return resultDate(ctx, r);
    }
    if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
        bool w;
        if (!strictNumber(textOf(argv[0]), w) || !strictNumber(textOf(argv[1]), w))
            return sqlite3_result_error(ctx, "Operand data type varchar is invalid for subtract operator.", -1);
    }
    Num a, b;
    if (!numArg(ctx, argv[0], a, "int") || !numArg(ctx, argv[1], b, "int")) return;
    if (a.isInt && b.isInt) {
        Num r;
        r.isInt = true;
        if (__builtin_sub_overflow(a.i, b.i, &r.i)) return sqlite3_result_error(ctx, kOverflow, -1);
        return resultNum(ctx, r);
    }
    sqlite3_result_double(ctx, a.asDouble() - b.asDouble());
}

void fnDiv(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    if (!numArg(ctx, argv[0], a, "int") || !numArg(ctx, argv[1], b, "int")) return;
    if ((b.isInt && b.i == 0) || (!b.isInt && b.d == 0.0))
        return sqlite3_result_error(ctx, "Divide by zero error encountered.", -1);
    if (a.isInt && b.isInt) {
        if (a.i == std::numeric_limits<int64_t>::min() && b.i == -1) return sqlite3_result_error(ctx, kOverflow, -1);
        return sqlite3_result_int64(ctx, a.i / b.i);  // truncation toward zero, as the server divides integers
    }
    sqlite3_result_double(ctx, a.asDouble() / b.asDouble());
}

void fnMod(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    if (!numArg(ctx, argv[0], a, "int") || !numArg(ctx, argv[1], b, "int")) return;
    if ((b.isInt && b.i == 0) || (!b.isInt && b.d == 0.0))
        return sqlite3_result_error(ctx, "Divide by zero error encountered.", -1);
    if (a.isInt && b.isInt) {
        if (b.i == -1) return sqlite3_result_int64(ctx, 0);
        return sqlite3_result_int64(ctx, a.i % b.i);
    }
    sqlite3_result_double(ctx, std::fmod(a.asDouble(), b.asDouble()));
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto* clock = static_cast<const Clock*>(sqlite3_user_data(ctx));
    resultDate(ctx, clock->now());
}

// HOST_NAME(): the workstation this server runs as (--workstation), as the server
// reports the client's computer name.
void fnHostName(sqlite3_context* ctx, int, sqlite3_value**) {
    const std::string name = workstationName();
    sqlite3_result_text(ctx, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
}

std::optional<DatePart> partArg(sqlite3_context* ctx, sqlite3_value* v) {
    auto p = datePartFromName(textOf(v));
    if (!p) sqlite3_result_error(ctx, "Invalid date part", -1);
    return p;
}

// The whole number of a DATEADD count: fractions are dropped.
std::optional<int64_t> countArg(sqlite3_context* ctx, sqlite3_value* v) {
    Num n;
    if (!numArg(ctx, v, n, "int")) return std::nullopt;
    if (n.isInt) return n.i;
    if (!(std::fabs(n.d) < 9.0e18)) {
        sqlite3_result_error(ctx, kOverflow, -1);
        return std::nullopt;
    }
    return static_cast<int64_t>(std::trunc(n.d));
}

void fnDateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    auto part = partArg(ctx, argv[0]);
    if (!part) return;
    auto n = countArg(ctx, argv[1]);
    if (!n) return;
    auto d = dateArg(ctx, argv[2]);
    if (!d) return;
    auto r = dateAdd(*part, *n, *d);
    if (!r) return sqlite3_result_error(ctx, "Adding a value to a 'datetime' column caused an overflow.", -1);
    resultDate(ctx, *r);
}

void fnDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    auto part = partArg(ctx, argv[0]);
    if (!part) return;
    auto d = dateArg(ctx, argv[1]);
    if (!d) return;
    sqlite3_result_int64(ctx, datePart(*part, *d));
}

void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    auto part = partArg(ctx, argv[0]);
    if (!part) return;
    auto a = dateArg(ctx, argv[1]);
    if (!a) return;
    auto b = dateArg(ctx, argv[2]);
    if (!b) return;
    sqlite3_result_int64(ctx, dateDiff(*part, *a, *b));
}

// dbo.Set_Data: the date part of a date/time, at midnight.
void fnSetData(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    auto d = dateArg(ctx, argv[0]);
    if (!d) return;
    resultDate(ctx, d->datePart());
}

// Text of a value as the server converts it to varchar.
std::string plainText(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
        case SQLITE_FLOAT: return formatNumber(sqlite3_value_double(v));
        default: return std::string(textOf(v));
    }
}

size_t charCount(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// Byte offset of character `index` (0-based), clamped to the end.
size_t byteOffset(std::string_view s, size_t index) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == index) return i;
            ++chars;
        }
    }
    return s.size();
}

void fnLen(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string s = plainText(argv[0]);
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    sqlite3_result_int64(ctx, static_cast<int64_t>(charCount(std::string_view(s).substr(0, n))));
}

bool lengthArg(sqlite3_context* ctx, sqlite3_value* v, const char* fn, int64_t& out) {
    Num n;
    if (!numArg(ctx, v, n, "int")) return false;
    out = n.isInt ? n.i : static_cast<int64_t>(std::trunc(n.d));
    if (out < 0) {
        const std::string msg = std::string("Invalid length parameter passed to the ") + fn + " function.";
        sqlite3_result_error(ctx, msg.c_str(), -1);
        return false;
    }
    return true;
}

void fnLeft(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n;
    if (!lengthArg(ctx, argv[1], "left", n)) return;
    const std::string s = plainText(argv[0]);
    resultText(ctx, s.substr(0, byteOffset(s, static_cast<size_t>(n))));
}

void fnRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n;
    if (!lengthArg(ctx, argv[1], "right", n)) return;
    const std::string s = plainText(argv[0]);
    const size_t count = charCount(s);
    const size_t skip = static_cast<uint64_t>(n) >= count ? 0 : count - static_cast<size_t>(n);
    resultText(ctx, s.substr(byteOffset(s, skip)));
}

void fnSubstring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num st;
    if (!numArg(ctx, argv[1], st, "int")) return;
    int64_t len;
    if (!lengthArg(ctx, argv[2], "substring", len)) return;
    const int64_t start = st.isInt ? st.i : static_cast<int64_t>(std::trunc(st.d));
    // Characters start .. start+len-1, counted from 1; positions before 1 hold nothing.
    const int64_t first = std::max<int64_t>(start, 1);
    const int64_t last = start > std::numeric_limits<int64_t>::max() - len ? std::numeric_limits<int64_t>::max() : start + len;  // exclusive
    const std::string s = plainText(argv[0]);
    if (last <= first) return resultText(ctx, std::string());
    const size_t b = byteOffset(s, static_cast<size_t>(first - 1));
    const size_t e = static_cast<uint64_t>(last - 1) >= s.size() ? s.size() : byteOffset(s, static_cast<size_t>(last - 1));
    resultText(ctx, s.substr(b, e - b));
}

void fnUpper(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    resultText(ctx, upperText(plainText(argv[0])));
}

void fnLower(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    resultText(ctx, lowerText(plainText(argv[0])));
}

// Case-insensitive search as the server's collation compares: byte offset or npos.
size_t findFolded(const std::string& hay, const std::string& needle, size_t from) {
    const std::string h = lowerText(hay), n = lowerText(needle);
    // Latin-1 folding keeps the byte length of every character, so offsets carry over.
    return h.find(n, from);
}

void fnReplace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const std::string s = plainText(argv[0]), f = plainText(argv[1]), r = plainText(argv[2]);
    if (f.empty()) return resultText(ctx, s);
    const std::string h = lowerText(s), n = lowerText(f);
    std::string out;
    size_t pos = 0;
    while (true) {
        const size_t hit = h.find(n, pos);
        if (hit == std::string::npos) break;
        out.append(s, pos, hit - pos).append(r);
        pos = hit + n.size();
    }
    out.append(s, pos, std::string::npos);
    resultText(ctx, out);
}

void fnCharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const std::string f = plainText(argv[0]), s = plainText(argv[1]);
    int64_t start = 1;
    if (argc > 2) {
        Num n;
        if (!numArg(ctx, argv[2], n, "int")) return;
        start = n.isInt ? n.i : static_cast<int64_t>(n.d);
        if (start < 1) start = 1;
    }
    if (f.empty()) return sqlite3_result_int64(ctx, 0);
    const size_t from = byteOffset(s, static_cast<size_t>(std::min<int64_t>(start - 1, static_cast<int64_t>(s.size()))));
    const size_t hit = findFolded(s, f, from);
    if (hit == std::string::npos) return sqlite3_result_int64(ctx, 0);
    sqlite3_result_int64(ctx, static_cast<int64_t>(charCount(std::string_view(s).substr(0, hit))) + 1);
}

double roundAway(double x, int64_t digits, bool truncate) {
    if (digits > 15) return x;
    const double scale = std::pow(10.0, static_cast<double>(std::llabs(digits)));
    const double scaled = digits >= 0 ? x * scale : x / scale;
    const double r = truncate ? std::trunc(scaled) : std::round(scaled);  // halves away from zero
    return digits >= 0 ? r / scale : r * scale;
}

void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    Num x, d;
    if (!numArg(ctx, argv[0], x, "float") || !numArg(ctx, argv[1], d, "int")) return;
    const int64_t digits = d.isInt ? d.i : static_cast<int64_t>(d.d);
    bool truncate = false;
    if (argc > 2 && !isNull(argv[2])) truncate = sqlite3_value_int64(argv[2]) != 0;
    if (x.isInt) {
        if (digits >= 0) return sqlite3_result_int64(ctx, x.i);
        return sqlite3_result_int64(ctx, static_cast<int64_t>(roundAway(static_cast<double>(x.i), digits, truncate)));
    }
    sqlite3_result_double(ctx, roundAway(x.d, digits, truncate));
}

void fnFloor(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num x;
    if (!numArg(ctx, argv[0], x, "float")) return;
    if (x.isInt) return sqlite3_result_int64(ctx, x.i);
    sqlite3_result_double(ctx, std::floor(x.d));
}

void fnCeiling(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num x;
    if (!numArg(ctx, argv[0], x, "float")) return;
    if (x.isInt) return sqlite3_result_int64(ctx, x.i);
    sqlite3_result_double(ctx, std::ceil(x.d));
}

// CONVERT(float, x) and CONVERT(decimal(p, s), x): the scale rounds when given (>= 0).
void fnFloat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    double v;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && isCanonicalDate(textOf(argv[0]))) {
        auto d = dateArg(ctx, argv[0]);
        if (!d) return;
        v = toServerNumber(*d);
    } else if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        bool whole;
        auto n = strictNumber(textOf(argv[0]), whole);
        if (!n) return sqlite3_result_error(ctx, "Error converting data type varchar to float.", -1);
        v = *n;
    } else {
        v = sqlite3_value_double(argv[0]);
    }
    if (argc > 1 && !isNull(argv[1])) {
        const int64_t scale = sqlite3_value_int64(argv[1]);
        if (scale >= 0) v = roundAway(v, scale, false);
    }
    sqlite3_result_double(ctx, v);
}

void fnInt(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_INTEGER: return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        case SQLITE_FLOAT: {
            const double d = std::trunc(sqlite3_value_double(argv[0]));
            if (!(std::fabs(d) < 9.2e18)) return sqlite3_result_error(ctx, kOverflow, -1);
            return sqlite3_result_int64(ctx, static_cast<int64_t>(d));
        }
        case SQLITE_TEXT: {
            const std::string_view t = textOf(argv[0]);
            if (isCanonicalDate(t)) {  // a date/time becomes its day number, rounded
                auto d = dateArg(ctx, argv[0]);
                if (!d) return;
                return sqlite3_result_int64(ctx, static_cast<int64_t>(std::llround(toServerNumber(*d))));
            }
            bool whole = false;
            auto n = strictNumber(t, whole);
            if (!n || !whole) {
                const std::string msg = conversionError(t, "int");
                return sqlite3_result_error(ctx, msg.c_str(), -1);
            }
            return sqlite3_result_int64(ctx, static_cast<int64_t>(*n));
        }
        default: return sqlite3_result_error(ctx, "Explicit conversion to int is not allowed", -1);
    }
}

void fnBit(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const std::string_view t = trimmed(textOf(argv[0]));
        if (sameWord(t, "true")) return sqlite3_result_int(ctx, 1);
        if (sameWord(t, "false")) return sqlite3_result_int(ctx, 0);
        bool whole;
        auto n = strictNumber(t, whole);
        if (!n) {
            const std::string msg = conversionError(t, "bit");
            return sqlite3_result_error(ctx, msg.c_str(), -1);
        }
        return sqlite3_result_int(ctx, *n != 0 ? 1 : 0);
    }
    sqlite3_result_int(ctx, sqlite3_value_double(argv[0]) != 0 ? 1 : 0);
}

// CONVERT(varchar[(n)], x[, style]); dates (canonical texts) are written by style.
void fnVarchar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const int64_t len = argc > 2 && !isNull(argv[2]) ? sqlite3_value_int64(argv[2]) : 30;
    std::string s;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && isCanonicalDate(textOf(argv[0]))) {
        auto d = dateArg(ctx, argv[0]);
        if (!d) return;
        const int style = argc > 1 && !isNull(argv[1]) ? sqlite3_value_int(argv[1]) : 0;
        auto f = formatServerDate(*d, style);
        if (!f) {
            const std::string msg = std::to_string(style) + " is not a valid style number when converting from datetime to a character string.";
            return sqlite3_result_error(ctx, msg.c_str(), -1);
        }
        s = *f;
    } else {
        s = plainText(argv[0]);
    }
    if (len >= 0 && charCount(s) > static_cast<uint64_t>(len)) s = s.substr(0, byteOffset(s, static_cast<size_t>(len)));
    resultText(ctx, s);
}

// CONVERT(datetime | date | time, x[, style]).
void fnDatetime(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const int style = argc > 1 && !isNull(argv[1]) ? sqlite3_value_int(argv[1]) : 0;
    const std::string_view kind = argc > 2 ? textOf(argv[2]) : std::string_view("datetime");
    std::optional<DateTime> d;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const std::string_view t = textOf(argv[0]);
        d = isCanonicalDate(t) ? DateTime::parse(t) : parseServerDate(t, style);
        if (!d) return sqlite3_result_error(ctx, kDateError, -1);
    } else {
        d = dateArg(ctx, argv[0]);
        if (!d) return;
    }
    if (kind == "date") d = d->datePart();
    else if (kind == "time") d = d->timeOnDay1900();
    resultDate(ctx, *d);
}

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int esc = -1;
    if (argc > 2) {
        const std::string_view e = textOf(argv[2]);
        const auto* p = reinterpret_cast<const unsigned char*>(e.data());
        size_t i = 0;
        if (e.empty()) return sqlite3_result_error(ctx, "The invalid escape character \"\" was specified in a LIKE predicate.", -1);
        esc = static_cast<int>(decodeUtf8(p, e.size(), i));
        if (i != e.size()) return sqlite3_result_error(ctx, "The escape of a LIKE predicate must be one character.", -1);
    }
    sqlite3_result_int(ctx, likeMatch(plainText(argv[0]), plainText(argv[1]), esc) ? 1 : 0);
}

void fnError(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const std::string msg(textOf(argv[0]));
    sqlite3_result_error(ctx, msg.c_str(), -1);
}

// tsql_fit(value, n): a value stored into a text column declared n characters wide. As
// on the server, a longer text is refused, unless all it has beyond the width is blanks,
// which are dropped. Numbers are measured in their text form.
void fnFit(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* v = argv[0];
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    const int64_t width = sqlite3_value_int64(argv[1]);
    const auto* p = type == SQLITE_BLOB ? static_cast<const unsigned char*>(sqlite3_value_blob(v))
                                        : sqlite3_value_text(v);
    const size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
    if (type == SQLITE_BLOB) {
        if (static_cast<int64_t>(n) > width) return sqlite3_result_error(ctx, kTruncatedMessage, -1);
        return sqlite3_result_value(ctx, v);
    }
    // The byte where character number `width` + 1 starts (UTF-8).
    size_t cut = 0;
    int64_t chars = 0;
    for (; cut < n; ++cut) {
        if ((p[cut] & 0xC0) == 0x80) continue;
        if (chars == width) break;
        ++chars;
    }
    if (cut >= n) return sqlite3_result_value(ctx, v);
    for (size_t i = cut; i < n; ++i)
        if (p[i] != ' ') return sqlite3_result_error(ctx, kTruncatedMessage, -1);
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(p), static_cast<int>(cut), SQLITE_TRANSIENT);
}

int collationCallback(void*, int na, const void* a, int nb, const void* b) {
    return collateRaw(static_cast<const unsigned char*>(a), static_cast<size_t>(na),
                      static_cast<const unsigned char*>(b), static_cast<size_t>(nb));
}

}  // namespace

void registerFunctions(sqlite3* db, const Clock& clock) {
    struct Def {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    static const Def defs[] = {
        {"tsql_add", 2, fnAdd},           {"tsql_sub", 2, fnSub},           {"tsql_div", 2, fnDiv},
        {"tsql_mod", 2, fnMod},           {"tsql_dateadd", 3, fnDateAdd},   {"tsql_datepart", 2, fnDatePart},
        {"tsql_datediff", 3, fnDateDiff}, {"tsql_set_data", 1, fnSetData},  {"tsql_len", 1, fnLen},
        {"tsql_left", 2, fnLeft},         {"tsql_right", 2, fnRight},       {"tsql_substring", 3, fnSubstring},
        {"tsql_upper", 1, fnUpper},       {"tsql_lower", 1, fnLower},       {"tsql_replace", 3, fnReplace},
        {"tsql_charindex", 2, fnCharIndex}, {"tsql_charindex", 3, fnCharIndex}, {"tsql_round", 2, fnRound},
        {"tsql_round", 3, fnRound},       {"tsql_floor", 1, fnFloor},       {"tsql_ceiling", 1, fnCeiling},
        {"tsql_float", 1, fnFloat},       {"tsql_float", 2, fnFloat},       {"tsql_int", 1, fnInt},
        {"tsql_bit", 1, fnBit},           {"tsql_varchar", 3, fnVarchar},   {"tsql_datetime", 3, fnDatetime},
        {"tsql_like", 2, fnLike},         {"tsql_like", 3, fnLike},         {"tsql_error", 1, fnError},
        {"tsql_fit", 2, fnFit},
    };
    for (const Def& d : defs) {
        // tsql_error exists to fail, tsql_fit may: they must never be evaluated ahead of
        // their turn (for a row that is never written).
        const int flags = d.fn == fnError || d.fn == fnFit ? SQLITE_UTF8 : SQLITE_UTF8 | SQLITE_DETERMINISTIC;
        sqlite3_create_function_v2(db, d.name, d.args, flags, nullptr, d.fn, nullptr, nullptr, nullptr);
    }
    sqlite3_create_function_v2(db, "tsql_getdate", 0, SQLITE_UTF8, const_cast<Clock*>(&clock), fnGetDate, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "host_name", 0, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, fnHostName, nullptr,
                               nullptr, nullptr);
    sqlite3_create_collation_v2(db, "TSQL", SQLITE_UTF8, nullptr, collationCallback, nullptr);
}

}  // namespace velaris::tsql
