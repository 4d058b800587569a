#include "common/OnlineDecoding.h"

#include "common/AnsiCodePage.h"
#include "common/Values.h"
#include "common/VeltError.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace autovelt::inline common {

namespace {

// The arithmetic of the decoders, with the range checks of the original integer types:
// a result outside its type is an overflow error, never a wrapped value.
class Arithmetic {
public:
    explicit Arithmetic(QString source) : source_(std::move(source)) {}

    VeltError overflow() const { return VeltError(6, source_, QStringLiteral("Overflow")); }
    VeltError typeMismatch() const { return VeltError(13, source_, QStringLiteral("Type mismatch")); }
    VeltError invalidCall() const {
        return VeltError(5, source_, QStringLiteral("Invalid procedure call or argument"));
    }

    int64_t inRange(int64_t value, int64_t min, int64_t max) const {
        if (value < min || value > max) throw overflow();
        return value;
    }
    int byteValue(double value) const { return int(inRange(roundHalfEven(value), 0, 255)); }
    int int16Value(int64_t value) const {
        return int(inRange(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
    }
    int32_t int32Value(int64_t value) const {
        return int32_t(inRange(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }

    // A text converted to a whole number as the original did: it must read as a number
    // as a whole, is rounded half to even, and must fit the target type.
    int64_t wholeNumber(const QString& text, int64_t min, int64_t max) const {
        const std::optional<double> value = numericValue(text);
        if (!value) throw typeMismatch();
        return inRange(roundHalfEven(*value), min, max);
    }

    // The number in positions first to first + 3 (counted from 1). Four plain digits, by
    // far the usual case, are read at once; anything else as the original read it.
    int int16At(const QString& value, qsizetype first) const {
        if (const std::optional<int> digits = fourDigitsAt(value, first)) return *digits;
        return int(wholeNumber(value.mid(first - 1, 4), std::numeric_limits<int16_t>::min(),
                               std::numeric_limits<int16_t>::max()));
    }
    int32_t int32At(const QString& value, qsizetype first) const {
        if (const std::optional<int> digits = fourDigitsAt(value, first)) return *digits;
        return int32_t(wholeNumber(value.mid(first - 1, 4), std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::max()));
    }

    int64_t roundedRoot(int64_t value) const {
        if (value < 0) throw invalidCall();
        return roundHalfEven(std::sqrt(double(value)));
    }

    QChar ansi(int64_t code) const {
        if (code < 0 || code > 255) throw invalidCall();
        return ansiCharacter(int(code));
    }

private:
    static std::optional<int> fourDigitsAt(const QString& value, qsizetype first) {
        if (first < 1 || first + 3 > value.size()) return std::nullopt;
        qsizetype at = 0;
        int number = 0;
        if (!readAsciiDigits(QStringView(value).sliced(first - 1, 4), at, 4, 4, number)) return std::nullopt;
        return number;
    }

    QString source_;
};

constexpr qsizetype kFieldFraming = 32;  // 22-character header + 10-character trailer
constexpr int kTableWindow = 10;

// Digits may arrive written as table symbols; which ten table positions apply depends on
// the number of characters.
QString withSymbolsAsDigits(QString value, int window, const OnlineCodeTables& tables, const Arithmetic& a) {
    if (tables.digits.size() < window + kTableWindow || tables.symbols.size() < window + kTableWindow) {
        throw a.invalidCall();
    }
    for (int i = window; i < window + kTableWindow; ++i) value.replace(tables.symbols[i], tables.digits[i]);
    return value;
}

QString decodeField(const QString& value, const OnlineCodeTables& tables) {
    const Arithmetic a(QStringLiteral("DecodeOnlineField"));
    const int count = a.byteValue(double(value.size() - kFieldFraming) / 4.0);
    const QString digits = withSymbolsAsDigits(value, count % kTableWindow, tables, a);
    const int p = a.int16At(digits, 11);
    const int q = a.int16At(digits, 15);
    const int shift = a.int16Value(q - p);
    QString plain;
    for (int j = 1; j <= count; ++j) {
        const int group = a.int16At(digits, 4 * j + 19);
        const int unshifted = a.int16Value(a.int16Value(group - (j + 97)) - shift);
        plain += a.ansi(roundHalfEven(double(unshifted) / double(j + 3)));
    }
    return plain;
}

bool isTextEncoded(const QString& value) {
    return value.contains(u'^') || value.contains(u')') || value.contains(u'#');
}

// One decoded digit: the rounded root of the running value, less 48, halved and rounded.
int32_t digitOf(int64_t accumulated, const Arithmetic& a) {
    return a.int32Value(roundHalfEven(double(a.roundedRoot(accumulated) - 48) / 2.0));
}

}  // namespace

QString DecodeOnlineField(const QString& value, const OnlineCodeTables& tables) {
    try {
        return decodeField(value, tables);
    } catch (const VeltError&) {
        return QString();
    }
}

QString DecodeOnlineNumber(const QString& value, const OnlineCodeTables& /*tables*/) {
    if (value.isEmpty() || isTextEncoded(value)) return QString();
    const Arithmetic a(QStringLiteral("DecodeOnlineNumber"));
    a.int32At(value, 1);  // must be a number; carries no value
    const int count = a.byteValue(double(a.roundedRoot(a.int32At(value, 5)) - 48) / 2.0);
    int32_t accumulated = 0;
    QString digits;
    for (int j = 1; j <= count; ++j) {
        accumulated = a.int32Value(int64_t(accumulated) + a.int32At(value, 4 * j + 5));
        accumulated = digitOf(accumulated, a);
        digits += QString::number(accumulated);
    }
    const int64_t number = a.wholeNumber(digits, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max());
    return QString::number(number);
}

}  // namespace autovelt::common
