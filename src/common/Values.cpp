#include "common/Values.h"

#include "common/DecimalText.h"
#include "common/VeltError.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <limits>

namespace autovelt::inline common {

// ---- Numbers -------------------------------------------------------------------------

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Length of the number that starts at `from` (sign, digits, one decimal point, an exponent
// only when digits follow it); 0 when no digit is found.
qsizetype numberLength(const QString& text, qsizetype from) {
    qsizetype i = from;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(text[i])) { ++i; ++digits; }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isAsciiDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
        const qsizetype expStart = j;
        while (j < n && isAsciiDigit(text[j])) ++j;
        if (j > expStart) i = j;
    }
    return i - from;
}

qsizetype skipBlanks(const QString& text, qsizetype from) {
    while (from < text.size() && isBlank(text[from])) ++from;
    return from;
}

// Out-of-range values ("1e999") read as 0 rather than infinity: unreadable is 0.
double readNumber(const QString& text, qsizetype from, qsizetype length) {
    const QByteArray ascii = text.mid(from, length).toLatin1();
    const double value = std::strtod(ascii.constData(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

}  // namespace

double leadingNumber(const QString& text) {
    // Blanks anywhere are passed over, as the original reading of a number did: an amount
    // typed "1 500" is 1500, not 1.
    QString compact = text;
    compact.removeIf(isBlank);
    const qsizetype length = numberLength(compact, 0);
    return length == 0 ? 0.0 : readNumber(compact, 0, length);
}

std::optional<double> numericValue(const QString& text) {
    // Plain digits, by far the commonest case (an encoded field is read four digits at a
    // time), are their own value: no parsing needed.
    if (!text.isEmpty() && text.size() <= 15 &&
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        int64_t digits = 0;
        for (const QChar c : text) digits = digits * 10 + (c.unicode() - u'0');
        return double(digits);
    }
    const qsizetype start = skipBlanks(text, 0);
    const qsizetype length = numberLength(text, start);
    if (length == 0 || skipBlanks(text, start + length) != text.size()) return std::nullopt;
    const QByteArray ascii = text.mid(start, length).toLatin1();
    const double value = std::strtod(ascii.constData(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

bool isNumeric(const QString& text) {
    return numericValue(text).has_value();
}

int64_t roundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    // 2^63 as a double; anything at or beyond it cannot be held and is clamped.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit) return std::numeric_limits<int64_t>::max();
    if (value < -limit) return std::numeric_limits<int64_t>::min();
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
    if (rounded >= limit) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(rounded);
}

int16_t roundHalfEvenInt16(double value) {
    const int64_t rounded = roundHalfEven(value);
    if (std::isnan(value) || rounded < std::numeric_limits<int16_t>::min() || rounded > std::numeric_limits<int16_t>::max())
        throw VeltError(6, QStringLiteral("Integer"), QStringLiteral("Overflow"));
    return static_cast<int16_t>(rounded);
}

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    const DecimalText rounded = DecimalText::fromDouble(value).rounded(decimals, HalfRule::ToEven);
    return rounded.toDouble();
}

// ---- Currency ------------------------------------------------------------------------

namespace {

Currency currencyFromDecimal(const DecimalText& value) {
    const std::optional<int64_t> units = value.rounded(4, HalfRule::ToEven).scaledToInt64(4);
    if (!units) throw VeltError(6, QStringLiteral("Currency"), QStringLiteral("Overflow"));
    return Currency::fromUnits(*units);
}

}  // namespace

Currency Currency::fromDouble(double value) {
    if (!std::isfinite(value)) throw VeltError(6, QStringLiteral("Currency"), QStringLiteral("Overflow"));
    // Whole pounds, the commonest amounts, are exact as they are.
    constexpr double kExactWhole = 9.0e14;  // well inside what units of a ten-thousandth can hold
    if (value == std::trunc(value) && std::fabs(value) < kExactWhole) return fromUnits(int64_t(value) * 10000);
    // So are amounts within a hair of four decimals: below a thousand million, the fifteen
    // digits the decimal reading keeps put them nowhere near a rounding tie at the fourth.
    if (std::fabs(value) < 1e9) {
        const double units = value * 10000.0;
        const double nearest = std::nearbyint(units);
        if (std::fabs(units - nearest) < 1e-6) return fromUnits(int64_t(nearest));
    }
    return currencyFromDecimal(DecimalText::fromDouble(value));
}

Currency Currency::fromText(const QString& text) {
    return fromDouble(leadingNumber(text));
}

Currency Currency::operator+(Currency o) const {
    int64_t sum = 0;
    if (__builtin_add_overflow(units_, o.units_, &sum)) throw VeltError(6, QStringLiteral("Currency"), QStringLiteral("Overflow"));
    return fromUnits(sum);
}

Currency Currency::operator-(Currency o) const {
    int64_t difference = 0;
    if (__builtin_sub_overflow(units_, o.units_, &difference)) throw VeltError(6, QStringLiteral("Currency"), QStringLiteral("Overflow"));
    return fromUnits(difference);
}

Currency Currency::operator*(double factor) const {
    return fromDouble(toDouble() * factor);
}

Currency Currency::operator/(double divisor) const {
    if (divisor == 0.0) throw VeltError(11, QStringLiteral("Currency"), QStringLiteral("Division by zero"));
    return fromDouble(toDouble() / divisor);
}

// ---- Number formats ------------------------------------------------------------------

namespace {

struct NumberPattern {
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
};

NumberPattern parseNumberPattern(const QString& pattern) {
    NumberPattern p;
    bool afterPoint = false;
    for (QChar c : pattern) {
        if (c == u'.' && !afterPoint) { afterPoint = true; continue; }
        if (c == u',' && !afterPoint) { p.grouping = true; continue; }
        if (c != u'0' && c != u'#') {
            throw VeltError(5, QStringLiteral("formatNumber"),
                            QStringLiteral("Invalid procedure call or argument"));
        }
        if (afterPoint) {
            ++p.maxDecimals;
            if (c == u'0') p.minDecimals = p.maxDecimals;
        } else if (c == u'0') {
            ++p.minIntegerDigits;
        }
    }
    return p;
}

QString groupThousands(const QString& digits) {
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += u',';
        out += digits[i];
    }
    return out;
}

QString formatDecimal(const DecimalText& value, const QString& pattern) {
    const NumberPattern p = parseNumberPattern(pattern);
    const DecimalText rounded = value.rounded(p.maxDecimals, HalfRule::AwayFromZero);
    QString integerPart = rounded.integerDigits();
    QString fraction = rounded.fractionDigits(p.maxDecimals);
    while (fraction.size() > p.minDecimals && fraction.endsWith(u'0')) fraction.chop(1);
    if (integerPart == QLatin1String("0") && p.minIntegerDigits == 0) integerPart.clear();
    while (integerPart.size() < p.minIntegerDigits) integerPart.prepend(u'0');
    if (p.grouping) integerPart = groupThousands(integerPart);
    QString out = integerPart;
    if (p.maxDecimals > 0 && (!fraction.isEmpty() || p.minDecimals > 0)) out += u'.' + fraction;
    if (rounded.isNegative() && !rounded.isZero()) out.prepend(u'-');
    return out;
}

}  // namespace

QString formatNumber(double value, const QString& pattern) {
    if (!std::isfinite(value)) return QString();
    return formatDecimal(DecimalText::fromDouble(value), pattern);
}

QString formatNumber(Currency value, const QString& pattern) {
    return formatDecimal(DecimalText::fromScaled(value.units(), 4), pattern);
}

Currency penniesOf(Currency value, int64_t divisor) {
    // value / divisor in pence is units / (divisor * 100).
    const __int128 denominator = __int128(divisor) * 100;
    const __int128 magnitude = value.units() < 0 ? -__int128(value.units()) : __int128(value.units());
    const __int128 pence = (2 * magnitude + denominator) / (2 * denominator);
    const __int128 units = (value.units() < 0 ? -pence : pence) * 100;
    return Currency::fromUnits(static_cast<int64_t>(units));
}

QString numberText(double value) {
    if (!std::isfinite(value)) return QString();
    return QString::number(value, 'g', 15);
}

QString currencyText(Currency value) {
    return formatNumber(value, QStringLiteral("0.####"));
}

// ---- Dates ---------------------------------------------------------------------------

namespace {

struct DateToken {
    QChar letter;          // lower-case pattern letter, or null for a literal
    int length = 0;
    QChar literal;
    bool minutes = false;  // an "m" that stands for the minute
};

QList<DateToken> tokenizeDatePattern(const QString& pattern) {
    static const QString letters = QStringLiteral("dmyhns");
    QList<DateToken> tokens;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        if (!letters.contains(c)) {
            tokens.append(DateToken{QChar(), 0, pattern[i]});
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < pattern.size() && pattern[j].toLower() == c) ++j;
        tokens.append(DateToken{c, int(j - i), QChar()});
        i = j;
    }
    return tokens;
}

QChar neighbourLetter(const QList<DateToken>& tokens, qsizetype index, int step) {
    for (qsizetype i = index + step; i >= 0 && i < tokens.size(); i += step) {
        if (!tokens[i].letter.isNull()) return tokens[i].letter;
    }
    return QChar();
}

// "m" or "mm" next to an hour or seconds is the minute, as the original formatting read it.
bool meansMinutes(const QList<DateToken>& tokens, qsizetype index) {
    if (tokens[index].length > 2) return false;
    return neighbourLetter(tokens, index, -1) == u'h' || neighbourLetter(tokens, index, +1) == u's';
}

// The patterns in use are few and each is read many times: each thread keeps the ones it
// has read (a pattern given by the installation's settings counts among them).
const QList<DateToken>& datePattern(const QString& pattern) {
    thread_local QHash<QString, QList<DateToken>> read;
    auto found = read.constFind(pattern);
    if (found != read.constEnd()) return *found;
    if (read.size() >= 256) read.clear();
    QList<DateToken> tokens = tokenizeDatePattern(pattern);
    for (qsizetype i = 0; i < tokens.size(); ++i) tokens[i].minutes = tokens[i].letter == u'm' && meansMinutes(tokens, i);
    return *read.insert(pattern, std::move(tokens));
}

void appendPadded(QString& out, int value, int width) {
    if (value >= 0 && value < 100 && width <= 2) {
        if (value >= 10) out += QChar(u'0' + value / 10);
        else if (width == 2) out += u'0';
        out += QChar(u'0' + value % 10);
        return;
    }
    out += QString::number(value).rightJustified(width, u'0');
}

void appendToken(QString& out, const QDate& date, const QTime& time, const DateToken& t) {
    static const QLocale english(QLocale::English, QLocale::UnitedKingdom);
    const int width = t.length >= 2 ? 2 : 1;
    switch (t.letter.unicode()) {
    case u'd':
        if (t.length >= 4) out += english.dayName(date.dayOfWeek(), QLocale::LongFormat);
        else if (t.length == 3) out += english.dayName(date.dayOfWeek(), QLocale::ShortFormat);
        else appendPadded(out, date.day(), width);
        return;
    case u'm':
        if (t.minutes) appendPadded(out, time.minute(), width);
        else if (t.length >= 4) out += english.monthName(date.month(), QLocale::LongFormat);
        else if (t.length == 3) out += english.monthName(date.month(), QLocale::ShortFormat);
        else appendPadded(out, date.month(), width);
        return;
    case u'y':
        if (t.length >= 3) appendPadded(out, date.year(), 4);
        else if (t.length == 2) appendPadded(out, date.year() % 100, 2);
        else out += QString::number(date.dayOfYear());
        return;
    case u'h': appendPadded(out, time.hour(), width); return;
    case u'n': appendPadded(out, time.minute(), width); return;
    case u's': appendPadded(out, time.second(), width); return;
    }
}

QString formatDateAndTime(const QDate& date, const QTime& time, const QString& pattern) {
    QString out;
    out.reserve(pattern.size() + 8);
    for (const DateToken& t : datePattern(pattern)) {
        if (t.letter.isNull()) out += t.literal;
        else appendToken(out, date, time, t);
    }
    return out;
}

}  // namespace

QString formatDate(const QDateTime& value, const QString& pattern) {
    if (!value.isValid()) return QString();
    // A local time is worked out from the clock's count each time it is asked for: once here.
    return formatDateAndTime(value.date(), value.time(), pattern);
}

// A calendar date, at midnight: no time zone is involved.
QString formatDate(const QDate& value, const QString& pattern) {
    if (!value.isValid()) return QString();
    return formatDateAndTime(value, QTime(0, 0), pattern);
}

int expandTwoDigitYear(int twoDigitYear) {
    if (twoDigitYear < 0 || twoDigitYear > 99) return twoDigitYear;
    return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

namespace {

// The three numbers of a day-first date and how many digits each was written with.
struct DateNumbers {
    int first = 0, middle = 0, last = 0;
    int firstDigits = 0, lastDigits = 0;
};

std::optional<QDate> dateFromNumbers(const DateNumbers& n) {
    QDate date;
    if (n.firstDigits == 4) {
        if (n.lastDigits > 2) return std::nullopt;
        date = QDate(n.first, n.middle, n.last);
    } else {
        if (n.firstDigits > 2 || (n.lastDigits != 2 && n.lastDigits != 4)) return std::nullopt;
        const int year = n.lastDigits == 2 ? expandTwoDigitYear(n.last) : n.last;
        date = QDate(year, n.middle, n.first);
    }
    if (!date.isValid()) return std::nullopt;
    return date;
}

// "d/m/y" with 1-4, 1-2 and 1-4 ASCII digits and one separator ("/", "." or "-") used twice.
std::optional<DateNumbers> readAsciiDateNumbers(QStringView t) {
    qsizetype at = 0;
    DateNumbers n;
    if (!readAsciiDigits(t, at, 1, 4, n.first, &n.firstDigits) || at >= t.size()) return std::nullopt;
    const QChar separator = t[at++];
    if (separator != u'/' && separator != u'.' && separator != u'-') return std::nullopt;
    if (!readAsciiDigits(t, at, 1, 2, n.middle) || at >= t.size() || t[at++] != separator) return std::nullopt;
    if (!readAsciiDigits(t, at, 1, 4, n.last, &n.lastDigits) || at != t.size()) return std::nullopt;
    return n;
}

}  // namespace

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool readAsciiDigits(QStringView text, qsizetype& at, int least, int most, int& value, int* count) {
    const qsizetype start = at;
    value = 0;
    for (; at < text.size() && isAsciiDigit(text[at]); ++at)
        if (at - start < most) value = value * 10 + (text[at].unicode() - u'0');
    const qsizetype digits = at - start;
    if (count) *count = int(digits);
    return digits >= least && digits <= most;
}

std::optional<QDate> parseDayFirstDate(const QString& text) {
    const QStringView trimmed = QStringView(text).trimmed();
    if (isAscii(trimmed)) {
        const std::optional<DateNumbers> numbers = readAsciiDateNumbers(trimmed);
        return numbers ? dateFromNumbers(*numbers) : std::nullopt;
    }
    // Digits of other scripts are read as the pattern reads them.
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{1,4})([/.\\-])(\\d{1,2})\\2(\\d{1,4})$"));
    const QRegularExpressionMatch m = shape.match(trimmed);
    if (!m.hasMatch()) return std::nullopt;
    DateNumbers n;
    n.first = m.captured(1).toInt();
    n.firstDigits = int(m.capturedLength(1));
    n.middle = m.captured(3).toInt();
    n.last = m.captured(4).toInt();
    n.lastDigits = int(m.capturedLength(4));
    return dateFromNumbers(n);
}

std::optional<QDateTime> parseDayFirstDateTime(const QString& text) {
    static const QRegularExpression shape(
        QStringLiteral("^(\\S+)(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch m = shape.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const std::optional<QDate> date = parseDayFirstDate(m.captured(1));
    if (!date) return std::nullopt;
    if (m.captured(2).isEmpty()) return QDateTime(*date, QTime(0, 0));
    const QTime time(m.captured(2).toInt(), m.captured(3).toInt(),
                     m.captured(4).isEmpty() ? 0 : m.captured(4).toInt());
    if (!time.isValid()) return std::nullopt;
    return QDateTime(*date, time);
}

bool isDate(const QString& text) {
    return parseDayFirstDate(text).has_value();
}

int64_t dateDiffDays(const QDate& from, const QDate& to) {
    if (!from.isValid() || !to.isValid()) return 0;
    return from.daysTo(to);
}

int64_t dateDiffMonths(const QDate& from, const QDate& to) {
    if (!from.isValid() || !to.isValid()) return 0;
    return int64_t(to.year() - from.year()) * 12 + (to.month() - from.month());
}

int64_t dateDiffYears(const QDate& from, const QDate& to) {
    if (!from.isValid() || !to.isValid()) return 0;
    return int64_t(to.year()) - from.year();
}

QDate birthdayInYear(const QDate& born, int year) {
    return QDate(year, born.month(), born.month() == 2 && born.day() == 29 ? 28 : born.day());
}

}  // namespace autovelt::common
