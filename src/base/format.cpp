#include "base/format.h"

#include <cmath>
#include <cstdio>

namespace velaris {

namespace {
const char* const kDays[] = {"domenica", "lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato"};
const char* const kDaysShort[] = {"dom", "lun", "mar", "mer", "gio", "ven", "sab"};
const char* const kMonths[] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                               "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
const char* const kMonthsShort[] = {"gen", "feb", "mar", "apr", "mag", "giu",
                                    "lug", "ago", "set", "ott", "nov", "dic"};

std::string two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}
}  // namespace

std::string formatDate(const DateTime& d, std::string_view p) {
    std::string out;
    bool lastWasHour = false;
    for (size_t i = 0; i < p.size();) {
        const char c = p[i];
        size_t n = 1;
        while (i + n < p.size() && p[i + n] == c) ++n;
        switch (c) {
            case 'd':
                if (n == 1) out += std::to_string(d.day());
                else if (n == 2) out += two(d.day());
                else if (n == 3) out += kDaysShort[d.weekdaySunday1() - 1];
                else out += kDays[d.weekdaySunday1() - 1];
                lastWasHour = false;
                break;
            case 'm':
                if (lastWasHour && n <= 2) out += n == 1 ? std::to_string(d.minute()) : two(d.minute());
                else if (n == 1) out += std::to_string(d.month());
                else if (n == 2) out += two(d.month());
                else if (n == 3) out += kMonthsShort[d.month() - 1];
                else out += kMonths[d.month() - 1];
                lastWasHour = false;
                break;
            case 'y':
                out += n <= 2 ? two(d.year() % 100) : std::to_string(d.year());
                lastWasHour = false;
                break;
            case 'h':
                out += n == 1 ? std::to_string(d.hour()) : two(d.hour());
                lastWasHour = true;
                break;
            case 'n':
                out += n == 1 ? std::to_string(d.minute()) : two(d.minute());
                lastWasHour = false;
                break;
            case 's':
                out += n == 1 ? std::to_string(d.second()) : two(d.second());
                lastWasHour = false;
                break;
            default:
                out.append(n, c);
                if (c != ':' && c != ' ') lastWasHour = false;
                break;
        }
        i += n;
    }
    return out;
}

std::string formatNumber(double value, std::string_view pattern) {
    const size_t dot = pattern.find('.');
    const int decimals = dot == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - dot - 1);
    const bool group = pattern.find(',') != std::string_view::npos;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(value));
    std::string digits(buf);
    std::string frac;
    if (auto p = digits.find('.'); p != std::string::npos) {
        frac = digits.substr(p + 1);
        digits.erase(p);
    }
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (group && i > 0 && (digits.size() - i) % 3 == 0) out.push_back('.');
        out.push_back(digits[i]);
    }
    if (decimals > 0) out += "," + frac;
    const bool negative = value < 0 && out.find_first_not_of("0.,") != std::string::npos;
    return negative ? "-" + out : out;
}

std::string rigaOrologio(const DateTime& now) { return formatDate(now, "ddd dd mmm") + " " + formatDate(now, "h:mm"); }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

size_t findNoCase(std::string_view hay, std::string_view needle, size_t from) {
    if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && lower(hay[i + k]) == lower(needle[k])) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

std::string testoPerLog(std::string_view text, size_t max) {
    std::string out;
    size_t shown = 0, i = 0;
    while (i < text.size()) {
        if (shown == max) return out + "...";
        const auto b = static_cast<unsigned char>(text[i]);
        // The length of a well-formed UTF-8 sequence starting here, 0 when it is not one.
        size_t len = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
        if (len == 0 || i + len > text.size()) len = 0;
        uint32_t cp = len == 1 ? b : len == 2 ? b & 0x1Fu : len == 3 ? b & 0x0Fu : b & 0x07u;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) {
                len = 0;
                break;
            }
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) len = 0;  // overlong, surrogate
        if (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) len = 0;
        if (len == 0) {
            out += '?';
            ++i;
        } else {
            const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
            if (control) out += '?';
            else out.append(text.substr(i, len));
            i += len;
        }
        ++shown;
    }
    return out;
}

}  // namespace velaris
