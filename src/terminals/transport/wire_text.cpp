#include "terminals/transport/wire_text.h"

#include <cmath>
#include <cstdio>

namespace velaris {

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::string ReadUntil(std::string_view testo, std::string_view delimitatore, int inizio) {
    if (inizio < 1 || static_cast<size_t>(inizio) > testo.size()) return {};
    const size_t from = static_cast<size_t>(inizio) - 1;
    const size_t p = testo.find(delimitatore, from);
    if (p == std::string_view::npos) return {};
    return std::string(testo.substr(from, p - from));
}

std::string HexInvert(std::string_view testo) {
    std::string out;
    out.reserve(testo.size());
    size_t end = testo.size();
    while (end >= 2) {
        out.append(testo.substr(end - 2, 2));
        end -= 2;
    }
    if (end == 1) out.push_back(testo[0]);
    return out;
}

std::optional<double> HextoDec(std::string_view testo) {
    if (testo.empty()) return std::nullopt;
    double v = 0;
    for (char c : testo) {
        const int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + d;
    }
    return v;
}

std::string RiempiTronca(const Value& valore, int larghezza, std::string_view carattere, std::string_view modo) {
    const std::string text = valore.isNull() ? std::string() : valore.toText();
    if (larghezza <= 0) return {};
    const size_t width = static_cast<size_t>(larghezza);
    if (text.size() > width) return modo == "d" ? text.substr(0, width) : text.substr(text.size() - width);
    const std::string fill(width - text.size(), carattere.empty() ? ' ' : carattere.front());
    return modo == "s" ? fill + text : text + fill;
}

std::string wholeNumberText(double value) {
    if (!std::isfinite(value)) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", value);
    return buf;
}

}  // namespace velaris
