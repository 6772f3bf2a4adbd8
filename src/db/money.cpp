#include "db/money.h"

#include <cmath>

#include "db/literals.h"

namespace velaris {

namespace {

constexpr int64_t kLimit = 100000000000000;  // 10^14 units: far beyond any centre's books

// n / d rounded half away from zero (d > 0).
int64_t divideRounded(int64_t n, int64_t d) {
    const int64_t q = n / d, r = n % d;
    if (2 * (r < 0 ? -r : r) >= d) return q + (n < 0 ? -1 : 1);
    return q;
}

}  // namespace

std::optional<Money> Money::parse(std::string_view text) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    int64_t whole = 0, fraction = 0;
    int decimals = 0, roundDigit = -1, digits = 0;
    bool separator = false;
    for (char c : text) {
        if (c == '.' || c == ',') {
            if (separator) return std::nullopt;
            separator = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        const int d = c - '0';
        ++digits;
        if (!separator) {
            whole = whole * 10 + d;
            if (whole > kLimit) return std::nullopt;
        } else if (decimals < 4) {
            fraction = fraction * 10 + d;
            ++decimals;
        } else if (roundDigit < 0) {
            roundDigit = d;
        }
    }
    if (digits == 0) return std::nullopt;
    while (decimals < 4) {
        fraction *= 10;
        ++decimals;
    }
    int64_t units = whole * kScale + fraction + (roundDigit >= 5 ? 1 : 0);
    return fromUnits(negative ? -units : units);
}

std::optional<Money> Money::fromValue(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Int: {
            const int64_t i = v.toInt();
            if (i > kLimit / kScale || i < -kLimit / kScale) return std::nullopt;
            return fromUnits(i * kScale);
        }
        case Value::Kind::Bool: return fromUnits(v.toBool() ? -kScale : 0);
        case Value::Kind::Double: {
            const double scaled = v.toDouble() * static_cast<double>(kScale);
            if (!std::isfinite(scaled) || std::fabs(scaled) > static_cast<double>(kLimit)) return std::nullopt;
            return fromUnits(std::llround(scaled));
        }
        case Value::Kind::Text: return parse(*v.textPtr());
        default: return std::nullopt;
    }
}

Money Money::roundedToCents() const { return fromUnits(divideRounded(units_, 100) * 100); }

std::string Money::decimal() const {
    const int64_t a = units_ < 0 ? -units_ : units_;
    std::string out = (units_ < 0 ? "-" : "") + std::to_string(a / kScale);
    int64_t f = a % kScale;
    if (f == 0) return out;
    std::string frac = std::to_string(f);
    frac.insert(0, 4 - frac.size(), '0');
    while (frac.back() == '0') frac.pop_back();
    return out + "." + frac;
}

std::string Num_SqlQ(const Money& m) { return "Convert(Money, " + m.decimal() + ")"; }

std::string formatMoney(const Money& m) {
    const int64_t cents = m.roundedToCents().units() / 100;
    const int64_t a = cents < 0 ? -cents : cents;
    std::string whole = std::to_string(a / 100);
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) whole.insert(static_cast<size_t>(i), ".");
    const int64_t c = a % 100;
    return (cents < 0 ? "-" : "") + whole + "," + (c < 10 ? "0" : "") + std::to_string(c);
}

}  // namespace velaris
