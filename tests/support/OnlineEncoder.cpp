#include "OnlineEncoder.h"

#include "common/AnsiCodePage.h"

#include <QList>
#include <algorithm>
#include <optional>
#include <random>

namespace autovelt::testing {

namespace {

constexpr int kGroupMax = 9999;  // four decimal digits
constexpr int kTableWindow = 10;

class Dice {
public:
    explicit Dice(uint32_t seed) : engine_(seed) {}
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    QString digits(int count) {
        QString out;
        for (int i = 0; i < count; ++i) out += QChar(u'0' + between(0, 9));
        return out;
    }

private:
    std::mt19937 engine_;
};

QString fourDigits(int value) { return QString::number(value).rightJustified(4, u'0'); }

// Largest offset e such that (code·(j+3) + e) / (j+3) still rounds, half to even, to code.
int roundingSlack(int code, int j) {
    const int divisor = j + 3;
    const bool exactHalfRoundsBack = divisor % 2 == 0 && code % 2 == 0;
    return exactHalfRoundsBack ? divisor / 2 : (divisor - 1) / 2;
}

struct Groups {
    QList<int> unshifted;  // each group before the shift D is added
    int shiftLow = 0;
    int shiftHigh = -1;
};

Groups planGroups(const QList<int>& codes, Dice& dice, bool useSlack) {
    Groups g{{}, -kGroupMax, kGroupMax};
    for (int j = 1; j <= codes.size(); ++j) {
        const int code = codes[j - 1];
        const int slack = useSlack ? roundingSlack(code, j) : 0;
        const int value = code * (j + 3) + (j + 97) + dice.between(-slack, slack);
        g.unshifted.append(value);
        g.shiftLow = std::max(g.shiftLow, -value);
        g.shiftHigh = std::min(g.shiftHigh, kGroupMax - value);
    }
    return g;
}

// Writes a digit as the table symbol the decoder turns back into it, for the ten table
// positions that apply to a value of `count` characters.
std::optional<QChar> symbolFor(QChar digit, int count, const OnlineCodeTables& tables) {
    const int window = count % kTableWindow;
    for (int i = window; i < window + kTableWindow; ++i) {
        if (tables.digits[i] != digit) continue;
        const QChar symbol = tables.symbols[i];
        // The decoder replaces at the first window position holding this symbol.
        if (tables.symbols.indexOf(symbol, window) == i) return symbol;
    }
    return std::nullopt;
}

QString withSymbols(QString value, int count, SymbolUse use, const OnlineCodeTables& tables, Dice& dice) {
    if (use == SymbolUse::None) return value;
    if (tables.digits.size() < 20 || tables.symbols.size() < 20) throw OnlineEncodingError("code tables too short");
    for (QChar& c : value) {
        if (use == SymbolUse::Some && dice.between(0, 2) != 0) continue;
        if (const std::optional<QChar> symbol = symbolFor(c, count, tables)) c = *symbol;
    }
    return value;
}

QString encodeCodes(const QList<int>& codes, uint32_t seed, SymbolUse use, const OnlineCodeTables& tables) {
    if (codes.size() > kMaxOnlineFieldCharacters) throw OnlineEncodingError("too many characters for the online form");
    Dice dice(seed);
    Groups groups = planGroups(codes, dice, true);
    if (groups.shiftLow > groups.shiftHigh) groups = planGroups(codes, dice, false);
    if (groups.shiftLow > groups.shiftHigh) throw OnlineEncodingError("character codes too far apart for four-digit groups");
    const int shift = dice.between(groups.shiftLow, groups.shiftHigh);
    const int p = dice.between(std::max(0, -shift), std::min(kGroupMax, kGroupMax - shift));
    QString value = dice.digits(10) + fourDigits(p) + fourDigits(p + shift) + dice.digits(4);
    for (int unshifted : groups.unshifted) value += fourDigits(unshifted + shift);
    value += dice.digits(10);
    return withSymbols(value, int(codes.size()), use, tables, dice);
}

// Roots whose (root - 48) / 2, rounded half to even, is `n`.
QList<int> rootsFor(int n) {
    if (n % 2 == 0) return {2 * n + 47, 2 * n + 48, 2 * n + 49};
    return {2 * n + 48};
}

// A four-digit value whose root, rounded, is one of the roots for `n`, less `already`.
std::optional<int> groupFor(int n, int already, Dice& dice) {
    QList<int> roots = rootsFor(n);
    std::shuffle(roots.begin(), roots.end(), std::mt19937(uint32_t(dice.between(0, 1 << 30))));
    for (int r : roots) {
        const int low = std::max(r * r - r + 1 - already, 0);  // √ rounds to r on [r²-r+1, r²+r]
        const int high = std::min(r * r + r - already, kGroupMax);
        if (low <= high) return dice.between(low, high);
    }
    return std::nullopt;
}

}  // namespace

QString encodeOnlineField(const QString& plain, uint32_t seed, SymbolUse symbols, const OnlineCodeTables& tables) {
    QList<int> codes;
    for (QChar c : plain) {
        const std::optional<int> code = ansiCode(c);
        if (!code) throw OnlineEncodingError("character outside the ANSI character set");
        codes.append(*code);
    }
    return encodeCodes(codes, seed, symbols, tables);
}

QString encodeOnlineFieldUtf8(const QString& plain, uint32_t seed, SymbolUse symbols, const OnlineCodeTables& tables) {
    QList<int> codes;
    for (char byte : plain.toUtf8()) codes.append(int(static_cast<unsigned char>(byte)));
    return encodeCodes(codes, seed, symbols, tables);
}

QString encodeOnlineNumber(const QString& digits, uint32_t seed) {
    if (digits.isEmpty()) throw OnlineEncodingError("a number needs at least one digit");
    Dice dice(seed);
    const std::optional<int> countGroup = groupFor(int(digits.size()), 0, dice);
    if (!countGroup) throw OnlineEncodingError("too many digits for the online form");
    QString value = dice.digits(4) + fourDigits(*countGroup);
    int previous = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') throw OnlineEncodingError("only decimal digits can be encoded as a number");
        const int digit = c.unicode() - u'0';
        value += fourDigits(*groupFor(digit, previous, dice));
        previous = digit;
    }
    return value;
}

}  // namespace autovelt::testing
