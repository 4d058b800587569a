#pragma once

// The decimal arithmetic behind the rounding and formatting of Values.h. A double is first
// read as its 15 significant digits, the precision the original system printed numbers
// with, so that binary noise (2.675 held as 2.67499999...) does not decide a half. Only
// Values.cpp uses this; everything else goes through Values.h.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace autovelt::inline common {

enum class HalfRule { ToEven, AwayFromZero };

class DecimalText {
public:
    static DecimalText fromDouble(double value);                 // finite values only
    static DecimalText fromScaled(int64_t units, int decimals);  // units / 10^decimals, exact

    DecimalText rounded(int decimals, HalfRule rule) const;

    // value × 10^decimals when that is a whole number inside int64_t.
    std::optional<int64_t> scaledToInt64(int decimals) const;
    double toDouble() const;

    QString integerDigits() const;             // "0" when below one
    QString fractionDigits(int count) const;   // cut or padded with zeros to count digits
    bool isNegative() const { return negative_; }
    bool isZero() const { return digits_.empty(); }

private:
    void normalize();

    // value = (negative ? -1 : 1) × 0.digits × 10^pointPos; no leading or trailing zeros.
    bool negative_ = false;
    std::string digits_;
    int pointPos_ = 0;
};

}  // namespace autovelt::common
