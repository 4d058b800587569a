#pragma once

// The one home of the value conventions every routine relies on: the numeric value of a
// text, rounding, currency, the format strings, day-first date reading and calendar
// differences. Never write a second version of any of these elsewhere.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace autovelt::inline common {

// ---- Numbers -------------------------------------------------------------------------

// The numeric value of a text: the leading number, anything unreadable is 0.
// "123abc" -> 123, "  12.50 " -> 12.5, "-3x" -> -3, "abc" -> 0, "" -> 0.
double leadingNumber(const QString& text);

// True when the whole text (surrounding blanks allowed) reads as a number: "12", "-1.5",
// " 7 ", "1e3". Empty text is not numeric.
bool isNumeric(const QString& text);

// The value of a text that isNumeric accepts; nothing otherwise (the conversions that
// raise "Type mismatch" on a text that is not a number use this).
std::optional<double> numericValue(const QString& text);

// Rounds to a whole number, halves to even: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2.
// NaN gives 0; values beyond the int64_t range are clamped to it.
int64_t roundHalfEven(double value);

// Rounds to a 16-bit whole number, halves to even (32767.4 -> 32767); a value outside
// -32768..32767 (NaN included) raises VeltError 6 "Overflow", as the 16-bit conversion of
// the original system did.
int16_t roundHalfEvenInt16(double value);

// Rounds to the given number of decimals, halves to even (decimal halves are judged
// after removing binary noise, so 0.125 at 2 decimals gives 0.12).
double roundHalfEven(double value, int decimals);

// ---- Currency ------------------------------------------------------------------------

// Money with four decimals, held as a whole number of ten-thousandths. A value that does
// not fit raises VeltError 6 "Overflow", as the original currency type did.
class Currency {
public:
    constexpr Currency() = default;
    static constexpr Currency fromUnits(int64_t tenThousandths) { Currency c; c.units_ = tenThousandths; return c; }
    static Currency fromDouble(double value);          // halves to even at the fourth decimal
    static Currency fromText(const QString& text);     // leadingNumber, then fromDouble

    int64_t units() const { return units_; }
    double toDouble() const { return static_cast<double>(units_) / 10000.0; }

    Currency operator+(Currency o) const;               // overflow raises error 6
    Currency operator-(Currency o) const;
    Currency operator*(double factor) const;            // result rounded half to even
    Currency operator/(double divisor) const;           // same; 0 raises error 11
    auto operator<=>(const Currency&) const = default;

private:
    int64_t units_ = 0;
};

// ---- Number formats ------------------------------------------------------------------

// Formats a number with one of the patterns the importer uses: "###0.00", "#0.00",
// "#,##0.00", "###0.0", "#0", "00000000". Rounding to the pattern's decimals takes
// halves away from zero, as the formatting of the original system did.
QString formatNumber(double value, const QString& pattern);
QString formatNumber(Currency value, const QString& pattern);

// value / divisor as formatNumber(value / divisor, "#0.00") shows it (halves away from
// zero), read back as currency: worked on the whole units, without the text round trip.
// divisor > 0.
Currency penniesOf(Currency value, int64_t divisor);

// The text a number converts to when it is turned into a string: 15 significant digits,
// no trailing zeros (87.4567, 100, 0.1). Reading it back with leadingNumber gives the
// value as the original system's text round trip did.
QString numberText(double value);

// The text of a currency value: every decimal it holds, none it does not (12.7, 100, 0.0125).
QString currencyText(Currency value);

// ---- Dates ---------------------------------------------------------------------------

// Formats a date/time with one of the patterns the importer uses. Patterns are read as the
// original system read them: "dd/mm/yy", "mm/dd/yy", "MM/DD/YY", "mm/dd/yyyy",
// "YYYY-MM-DD", "YYYYMMDD", "HHMMSS", "hh:mm:ss", "HH:MM", "d mmmm yyyy", "ddd",
// "YYYYMMM", "dd_mm_yyyy", "hh_mm_ss", "yyyy-mm-dd". Letters are case-insensitive;
// "mm" right after an hour or right before seconds means minutes.
QString formatDate(const QDateTime& value, const QString& pattern);
QString formatDate(const QDate& value, const QString& pattern);

// Reads a text date day first ("dd/mm/yy", "dd/mm/yyyy", "d/m/yyyy", with "/", "-" or "."
// separators, or ISO "yyyy-mm-dd"). Two-digit years use the window 1930 to 2029.
std::optional<QDate> parseDayFirstDate(const QString& text);

// Same, and a time part ("hh:mm" or "hh:mm:ss") may follow after a blank.
std::optional<QDateTime> parseDayFirstDateTime(const QString& text);

// True when parseDayFirstDate would succeed.
bool isDate(const QString& text);

// The hand readers of dates written in plain ASCII share these. True when every character
// is ASCII.
bool isAscii(QStringView text);
// Reads the run of ASCII digits at `at`, moving past it, into `value` (the first `most`
// digits); true when it has from `least` to `most` digits. `count` receives how many.
bool readAsciiDigits(QStringView text, qsizetype& at, int least, int most, int& value, int* count = nullptr);

// A two-digit year in the window 1930 to 2029.
int expandTwoDigitYear(int twoDigitYear);

// Calendar differences that count boundaries crossed, not elapsed periods:
// months from 31 January to 1 February is 1; years from 31 December to 1 January is 1.
int64_t dateDiffDays(const QDate& from, const QDate& to);
int64_t dateDiffMonths(const QDate& from, const QDate& to);
int64_t dateDiffYears(const QDate& from, const QDate& to);

// The birthday of someone born on `born` in `year`; a 29 February birthday counts as the
// 28th, which every year has.
QDate birthdayInYear(const QDate& born, int year);

}  // namespace autovelt::common
