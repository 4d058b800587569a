#include "common/Values.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace autovelt;

namespace {

TEST(ValuesNumbers, LeadingNumberAndIsNumeric) {
    const struct { const char* text; double value; bool numeric; } cases[] = {
        {"123abc", 123, false}, {"  12.50 ", 12.5, true}, {"-1.5", -1.5, true}, {"abc", 0, false}, {"", 0, false}, {"1e3", 1000, true},
        {"1e+", 1, false},      {"+5", 5, true},          {".5", 0.5, true},    {"-", 0, false},  {"1.2.3", 1.2, false},
        {"0042", 42, true},     {"1e999", 0, false},      {"\xd9\xa3", 0, false},  // an Arabic-Indic digit is not a digit here
        {" 1 5\t00.5 x", 1500.5, false},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_DOUBLE_EQ(leadingNumber(text), c.value) << c.text;
        EXPECT_EQ(isNumeric(text), c.numeric) << c.text;
        EXPECT_EQ(numericValue(text).has_value(), c.numeric) << c.text;
    }
}

// Halves go to the even neighbour, at whole numbers, at decimals (despite binary noise) and at the
// fourth decimal of currency; out of range clamps, or raises for the 16-bit form.
TEST(ValuesRounding, HalfToEvenEverywhere) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max(), kMin = std::numeric_limits<int64_t>::min();
    const std::pair<double, int64_t> whole[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.5001, 3}, {std::nan(""), 0}, {1e300, kMax}, {-1e300, kMin},
    };
    for (const auto& [value, expected] : whole) EXPECT_EQ(roundHalfEven(value), expected) << value;
    const struct { double value; int decimals; double expected; } decimals[] = {
        {0.125, 2, 0.12}, {0.135, 2, 0.14}, {2.675, 2, 2.68}, {2.665, 2, 2.66}, {0.00015, 4, 0.0002},
    };
    for (const auto& c : decimals) EXPECT_DOUBLE_EQ(roundHalfEven(c.value, c.decimals), c.expected) << c.value;
    EXPECT_EQ(roundHalfEvenInt16(32766.5), 32766);
    for (const double value : {32767.5, -32768.6}) EXPECT_THROW(roundHalfEvenInt16(value), VeltError) << value;
    const std::pair<double, int64_t> currency[] = {{1.23455, 12346},    {1.23445, 12344}, {-1.23455, -12346},
                                                   {0.1 + 0.2, 3000},   {123.45, 1234500}, {-19.99, -199900},
                                                   {0.0001, 1},         {12345678.9012, 123456789012},
                                                   {1234567890.12345, 12345678901234}};
    for (const auto& [value, units] : currency) EXPECT_EQ(Currency::fromDouble(value).units(), units) << value;
}

TEST(ValuesCurrency, TextArithmeticAndOverflow) {
    EXPECT_EQ(Currency::fromText(QStringLiteral("12.345abc")).units(), 123450);
    const Currency balance = Currency::fromDouble(1000.0);
    EXPECT_EQ((balance * 0.03).units(), 300000);
    EXPECT_EQ((Currency::fromUnits(5) * 0.5).units() + (Currency::fromUnits(7) * 0.5).units(), 6);  // 2.5 -> 2, 3.5 -> 4
    EXPECT_EQ((Currency::fromDouble(100.0) / 3).units(), 333333);
    EXPECT_EQ((balance + Currency::fromUnits(1) - Currency::fromUnits(3)).units(), 9999998);
    const Currency max = Currency::fromUnits(std::numeric_limits<int64_t>::max());
    using test::ErrorOf;
    EXPECT_EQ(ErrorOf([&] { (void)(max + Currency::fromUnits(1)); }), "6 Overflow");
    EXPECT_EQ(ErrorOf([] { (void)Currency::fromDouble(1e20); }), "6 Overflow");
    EXPECT_EQ(ErrorOf([&] { (void)(max * 2.0); }), "6 Overflow");
    EXPECT_TRUE(ErrorOf([&] { (void)(max / 0.0); }).startsWith("11 "));
}

// The format takes halves away from zero, unlike the rounding above.
TEST(ValuesFormats, NumbersAndCurrency) {
    const struct { double value; const char* pattern; const char* expected; } cases[] = {
        {1234.5, "###0.00", "1234.50"},   {2.665, "#0.00", "2.67"}, {-2.665, "#0.00", "-2.67"},   {-0.001, "#0.00", "0.00"},
        {999.999, "#,##0.00", "1,000.00"}, {12.25, "###0.0", "12.3"}, {2.5, "#0", "3"},           {42, "00000000", "00000042"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.expected)) << c.value << " " << c.pattern;
    EXPECT_THROW(formatNumber(1.0, QStringLiteral("0.00%")), VeltError) << "unknown pattern";
    EXPECT_EQ(formatNumber(Currency::fromUnits(-12350), QStringLiteral("#,##0.00")), QStringLiteral("-1.24"));
    EXPECT_EQ(numberText(87.4567) + " " + numberText(100.0) + " " + numberText(2.0 / 3.0), "87.4567 100 0.666666666666667");
    EXPECT_EQ(currencyText(Currency::fromUnits(127000)) + " " + currencyText(Currency::fromUnits(-125)), "12.7 -0.0125");
    for (const int64_t units : {4999LL, 5000LL, 15000LL, 25000LL, -15001LL}) {
        const Currency value = Currency::fromUnits(units);
        EXPECT_EQ(penniesOf(value, 100), Currency::fromText(formatNumber(value.toDouble() / 100.0, QStringLiteral("#0.00")))) << units;
    }
}

// "mm" next to hours or seconds means minutes.
TEST(ValuesFormats, DatePatterns) {
    const QDateTime at(QDate(2021, 1, 2), QTime(9, 5, 7));
    const std::pair<const char*, const char*> cases[] = {
        {"dd/mm/yy", "02/01/21"}, {"YYYY-MM-DD", "2021-01-02"}, {"HHMMSS", "090507"},         {"HH:MM", "09:05"},
        {"ddd", "Sat"},           {"YYYYMMM", "2021Jan"},       {"d mmmm yyyy", "2 January 2021"},
    };
    for (const auto& [pattern, expected] : cases)
        EXPECT_EQ(formatDate(at, QString::fromLatin1(pattern)), QString::fromLatin1(expected)) << pattern;
    EXPECT_EQ(formatDate(QDate(), QStringLiteral("dd/mm/yy")), QString());
}

TEST(ValuesDates, DayFirstReading) {
    const QTime midnight(0, 0);
    const struct { const char* text; QDateTime expected; } cases[] = {
        {"02/01/21", QDateTime(QDate(2021, 1, 2), midnight)},   {"31-12-1999", QDateTime(QDate(1999, 12, 31), midnight)},
        {"31.12.99", QDateTime(QDate(1999, 12, 31), midnight)}, {"2021-01-02", QDateTime(QDate(2021, 1, 2), midnight)},
        {"01/01/29", QDateTime(QDate(2029, 1, 1), midnight)},   {"01/01/30", QDateTime(QDate(1930, 1, 1), midnight)},
        {"02/01/2021 13:45:09", QDateTime(QDate(2021, 1, 2), QTime(13, 45, 9))},
        {" 1/2/2021 ", QDateTime(QDate(2021, 2, 1), midnight)}, {"2021/1/2", QDateTime(QDate(2021, 1, 2), midnight)},
        {"", {}}, {"29/02/2023", {}}, {"12/31/2021", {}}, {"01/02/021", {}}, {"01/02/2021x", {}}, {"02/01/2021 25:00", {}},
        {"02/01-21", {}}, {"12345/01/21", {}}, {"01/123/21", {}}, {"2021/01/2021", {}}, {"/01/21", {}},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(parseDayFirstDateTime(text).value_or(QDateTime()), c.expected) << c.text;
        if (!text.contains(':')) {
            EXPECT_EQ(isDate(text), c.expected.isValid()) << c.text;
            EXPECT_EQ(parseDayFirstDate(text).value_or(QDate()), c.expected.date()) << c.text;
        }
    }
}

TEST(ValuesDates, DifferencesCountBoundaries) {
    const struct { QDate from, to; int64_t days, months, years; } cases[] = {
        {QDate(2021, 1, 31), QDate(2021, 2, 1), 1, 1, 0},  {QDate(2020, 12, 31), QDate(2021, 1, 1), 1, 1, 1},
        {QDate(2021, 3, 1), QDate(2020, 3, 1), -365, -12, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::tuple(dateDiffDays(c.from, c.to), dateDiffMonths(c.from, c.to), dateDiffYears(c.from, c.to)),
                  std::tuple(c.days, c.months, c.years)) << c.from.toString().toStdString();
    }
}

}  // namespace
