#include "db/literals.h"

#include <cstdio>
#include <limits>

#include "db/connection.h"

namespace velaris {

std::string Data_SqlQ(const Value& v) {
    if (v.isNullOrEmpty()) return "Null";
    auto d = v.toDate();
    if (!d) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "{d '%04d-%02d-%02d'}", d->year(), d->month(), d->day());
    return buf;
}

std::string Data_SqlQ_SP(const Value& v) {
    if (v.isNullOrEmpty()) return "Null";
    auto d = v.toDate();
    if (!d) return "Null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "'%02d-%02d-%04d'", d->month(), d->day(), d->year());
    return buf;
}

std::string Ora_SqlQ(const Value& v) {
    if (Nullo_Vuoto(v)) return "Null";
    auto d = v.toDate();
    if (!d) throw DbError(13, "Type mismatch");
    char buf[40];
    std::snprintf(buf, sizeof buf, "'1900-1-1 %02d:%02d:%02d'", d->hour(), d->minute(), d->second());
    return buf;
}

std::string Num_SqlQ(const Value& v) {
    if (Nullo_Vuoto(v)) return "0";
    std::string text;
    switch (v.kind()) {
        case Value::Kind::Int: text = std::to_string(v.toInt()); break;
        case Value::Kind::Bool: text = v.toBool() ? "-1" : "0"; break;
        case Value::Kind::Double: text = formatNumber(v.toDouble()); break;
        case Value::Kind::Text: {
            // Only a text that reads as a number may enter the statement.
            auto n = parseNumber(*v.textPtr());
            if (!n) return "0";
            text = std::string(trimBlanks(*v.textPtr()));
            if (auto c = text.find(','); c != std::string::npos) text[c] = '.';
            if (!text.empty() && text.front() == '+') text.erase(0, 1);
            break;
        }
        default: return "0";
    }
    if (text == "NaN" || text.find("Infinity") != std::string::npos) return "0";
    return "Convert(Float, " + text + ")";
}

std::string SqlFieldQuoteQ(const Value& v) {
    if (v.isNullOrEmpty()) return "''";
    const std::string text = v.toText();
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('\'');
    for (char c : text) {
        if (c == '\'') out.push_back('"');
        else if (c != '\0') out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

std::string CChrQ(const Value& v) { return SqlFieldQuoteQ(v); }

bool Nullo_Vuoto(const Value& v) {
    if (v.isNullOrEmpty()) return true;
    if (v.isText()) return trimBlanks(*v.textPtr()).empty();
    return false;
}

int32_t ZeroSeNullo(const Value& v) {
    if (v.isNullOrEmpty()) return 0;
    if (v.isText() && v.textPtr()->empty()) return 0;
    double d;
    if (v.isText()) {
        auto n = parseNumber(*v.textPtr());
        if (!n) return 0;
        d = *n;
    } else {
        d = v.toDouble();
    }
    const int64_t r = roundHalfEven(d);
    if (r > std::numeric_limits<int32_t>::max() || r < std::numeric_limits<int32_t>::min()) return 0;
    return static_cast<int32_t>(r);
}

std::string Sostituisci_Testo(std::string_view text, std::string_view find, std::string_view replacement) {
    if (text.empty() || find.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        const size_t hit = text.find(find, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos)).append(replacement);
        pos = hit + find.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string Primi_Caratteri(std::string_view text, size_t width) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars == width) return std::string(text.substr(0, i));
        ++chars;
    }
    return std::string(text);
}

size_t Lunghezza_Caratteri(std::string_view text) {
    size_t chars = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
    return chars;
}

}  // namespace velaris
