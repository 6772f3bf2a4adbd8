#pragma once
// Exact amounts of money: whole ten-thousandths of the currency unit, the scale of SQL
// Server's money type. Amounts never pass through binary floating point between the
// database, the arithmetic, the statements and the display.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/value.h"

namespace velaris {

class Money {
public:
    static constexpr int64_t kScale = 10000;  // ten-thousandths per unit

    constexpr Money() = default;
    static constexpr Money fromUnits(int64_t tenThousandths) { Money m; m.units_ = tenThousandths; return m; }
    static constexpr Money fromCents(int64_t cents) { return fromUnits(cents * 100); }
    // A decimal text with "." or "," as separator, an optional sign and blanks around;
    // digits beyond the fourth decimal round half away from zero. Nothing for anything
    // else (letters, exponents, several separators, magnitudes beyond 10^14).
    static std::optional<Money> parse(std::string_view text);
    // A value read from the database: whole and fractional numbers (rounded to the
    // nearest ten-thousandth, as the money type stores them) and decimal texts. Nothing
    // for Null, Empty, blank texts and values that are no number.
    static std::optional<Money> fromValue(const Value& v);

    constexpr int64_t units() const { return units_; }
    constexpr bool isZero() const { return units_ == 0; }
    constexpr bool isNegative() const { return units_ < 0; }
    // Rounded to whole cents, halves away from zero.
    Money roundedToCents() const;
    // The plain decimal text: "12.34", "-0.5", "0" (no grouping, "." as separator).
    std::string decimal() const;

    constexpr Money operator+(Money o) const { return fromUnits(units_ + o.units_); }
    constexpr Money operator-(Money o) const { return fromUnits(units_ - o.units_); }
    constexpr Money operator-() const { return fromUnits(-units_); }
    constexpr Money operator*(int64_t n) const { return fromUnits(units_ * n); }
    Money& operator+=(Money o) { units_ += o.units_; return *this; }
    Money& operator-=(Money o) { units_ -= o.units_; return *this; }
    friend constexpr auto operator<=>(Money, Money) = default;

private:
    int64_t units_ = 0;
};

constexpr Money min(Money a, Money b) { return a < b ? a : b; }

// The literal of an amount in a statement: Convert(Money, 12.34). Exact on SQL Server; on
// the embedded engine the conversion rounds to four decimals, so sums stay canonical.
std::string Num_SqlQ(const Money& m);
// Format(x, "#,##0.00") with the Italian separators: "1.234,50", "-0,05".
std::string formatMoney(const Money& m);

}  // namespace velaris
