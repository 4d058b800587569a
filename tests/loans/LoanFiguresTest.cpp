// The loan figures against a calculation of their own: whole ten-thousandths of a pound, exact fractions for every
// rounding, and the schedule found the slow way (a penny more until repaid, then a repayment fewer while the last is nothing).

#include "common/VeltError.h"
#include "loans/LoanFigures.h"

#include <QRandomGenerator>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

using int128 = __int128;

// num / den rounded half to even, den > 0.
int64_t halfEven(int128 num, int128 den) {
    int128 q = num / den, r = num % den;
    if (r < 0) { r += den; --q; }
    if (2 * r > den || (2 * r == den && (q & 1))) ++q;
    return int64_t(q);
}

// num / den rounded half away from zero, den > 0.
int64_t halfAway(int128 num, int128 den) {
    const bool negative = num < 0;
    const int128 magnitude = negative ? -num : num;
    const int64_t q = int64_t((2 * magnitude + den) / (2 * den));
    return negative ? -q : q;
}

QDate stepOn(const QDate& d, const QString& frequency) {
    const int days = frequency == "W" ? 7 : frequency == "F" ? 14 : frequency == "4" ? 28 : 0;
    return days ? d.addDays(days) : d.addMonths(1);
}

int64_t referenceApr(int64_t rateUnits) {  // tenths of a percent
    const int64_t monthly = halfEven(rateUnits, 12);
    int64_t b = 1000000 + monthly;
    for (int i = 1; i <= 11; ++i) b += halfEven(int128(b) * monthly, 1000000);
    return halfAway(b - 1000000, 1000);
}

// The first repayment estimate: the annuity (its 15-digit text read back), n of them to four decimals, shared over n and
// rounded up to the penny (a share a hair above a penny goes up too).
int64_t referenceEstimate(int64_t total, int64_t rateUnits, const QString& frequency, int n) {
    const double periods = frequency == "W" ? 5200.0 : frequency == "F" ? 2600.0 : frequency == "4" ? 1300.0 : 1200.0;
    const double r = rateUnits / 10000.0 / periods;
    double p = total / 10000.0 / n;
    if (r != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", (total / 10000.0) * r / (1 - 1 / std::pow(1 + r, n)));
        p = std::strtod(text, nullptr);
    }
    const int64_t repaid = std::llround(n * p * 10000.0);
    return (repaid / (100 * n) + (repaid % (100 * n) > 0)) * 100;
}

// The figures as "rate|apr|term|repayment|last|interest|first date|last date", in ten-thousandths and ISO dates.
QString referenceFigures(int64_t total, int64_t rateUnits, const QString& frequency, int n, QDate applied, QDate first) {
    if (first < applied) first = stepOn(applied, frequency);
    for (int64_t p = referenceEstimate(total, rateUnits, frequency, n);; p += 100) {
        std::vector<int64_t> balances, interests;
        std::vector<QDate> dates;
        int64_t b = total;
        for (QDate previous = applied, due = first; int(dates.size()) < n; previous = due, due = stepOn(due, frequency)) {
            const int64_t scaled = halfEven(int128(b) * rateUnits * previous.daysTo(due), int128(365) * 10000);
            interests.push_back(halfAway(scaled, 10000) * 100);
            b = b - p + interests.back();
            balances.push_back(b);
            dates.push_back(due);
        }
        if (b > 0) continue;
        int term = n;
        while (term > 1 && p + balances[term - 1] <= 0) --term;
        const int64_t interest = std::accumulate(interests.begin(), interests.begin() + term, int64_t(0));
        return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8").arg(rateUnits).arg(referenceApr(rateUnits) * 1000).arg(term).arg(p)
            .arg(p + balances[term - 1]).arg(interest).arg(first.toString(Qt::ISODate), dates[term - 1].toString(Qt::ISODate));
    }
}

QString figures(const LoanFigures& f) {
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8").arg(f.annualRate.units()).arg(f.apr.units()).arg(f.term).arg(f.repayment.units())
        .arg(f.lastRepayment.value_or(Currency()).units()).arg(f.totalInterest.units())
        .arg(f.firstRepaymentDate.toString(Qt::ISODate), f.lastRepaymentDate.toString(Qt::ISODate));
}

Currency pounds(double value) { return Currency::fromDouble(value); }

const QDate kApplied(2026, 3, 5);

// Tiers: up to 1000 at 12.0%, up to 5000 at 9.9%, the rest unbound.
LoanFigureRequest requestFor(double total, double overrideRate, const char* frequency, int term, QDate first) {
    RateTiers tiers;
    tiers.upTo[0] = pounds(1000);
    tiers.rate[0] = pounds(12.0);
    tiers.upTo[1] = pounds(5000);
    tiers.rate[1] = pounds(9.9);
    return {tiers, pounds(overrideRate), pounds(total), frequency, term, kApplied, first};
}

struct LoanCase {
    const char* name;
    double total;
    double overrideRate;
    const char* frequency;
    int term;
    QDate first;
    double expectedRate;
    const char* byHand = nullptr;  // repayment|last|term, worked by hand
};

class LoanFiguresTable : public ::testing::TestWithParam<LoanCase> {};

TEST_P(LoanFiguresTable, MatchTheCalculationByHand) {
    const LoanCase& c = GetParam();
    const LoanFigures f = workOutLoanFigures(requestFor(c.total, c.overrideRate, c.frequency, c.term, c.first));
    ASSERT_TRUE(f.lastRepayment.has_value());
    const int64_t rate = pounds(c.expectedRate).units();
    EXPECT_EQ(figures(f), referenceFigures(pounds(c.total).units(), rate, c.frequency, c.term, kApplied, c.first));
    const QString byHand = QStringLiteral("%1|%2|%3").arg(f.repayment.toDouble(), 0, 'f', 2).arg(f.lastRepayment->toDouble(), 0, 'f', 2);
    if (c.byHand) {
        EXPECT_EQ(byHand.arg(f.term), c.byHand);
    }
}

INSTANTIATE_TEST_SUITE_P(Loans, LoanFiguresTable,
                         ::testing::Values(LoanCase{"TierBoundIncluded", 1000, 0, "M", 10, QDate(2026, 4, 5), 12.0},
                                           LoanCase{"SecondTier", 3000, 0, "M", 24, QDate(2026, 4, 5), 9.9},
                                           LoanCase{"AboveEveryTierIsFreeRoundedUp", 7000, 0, "M", 12, QDate(2026, 4, 5), 0.0,
                                                    "583.34|583.26|12"},
                                           LoanCase{"OverrideBeatsTiers", 3000, 6.7, "M", 36, QDate(2026, 4, 5), 6.7},
                                           LoanCase{"Weekly", 1500, 0, "W", 52, QDate(2026, 3, 12), 9.9},
                                           LoanCase{"Fortnightly", 2500, 0, "F", 26, QDate(2026, 3, 19), 9.9},
                                           LoanCase{"FourWeekly", 900, 0, "4", 13, QDate(2026, 4, 2), 12.0},
                                           LoanCase{"TermShortens", 5001, 0, "M", 1000, QDate(2026, 4, 5), 0.0, "5.01|1.02|999"},
                                           LoanCase{"FirstDateBeforeApplication", 800, 0, "M", 12, QDate(2026, 2, 1), 12.0},
                                           LoanCase{"MonthEnds", 2000, 0, "M", 18, QDate(2026, 3, 31), 9.9}),
                         [](const auto& info) { return std::string(info.param.name); });

// Terms, rates and totals at their limits still end with a fair last repayment.
TEST(LoanFigures, ExtremeLoansEndWithAFairLastRepayment) {
    const struct { double total, rate; const char* frequency; int term; } cases[] = {
        {6000, 0, "M", 32767}, {250000, 19.9, "W", 32767}, {5000, 2000, "M", 60}, {5000, 900, "M", 32767},
        {100000, 5000, "W", 1}, {0.01, 12, "M", 120}, {300, 12, "M", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.total) + " " + c.frequency + " " + std::to_string(c.term));
        const LoanFigures f = workOutLoanFigures(requestFor(c.total, c.rate, c.frequency, c.term, stepOn(kApplied, c.frequency)));
        ASSERT_TRUE(f.lastRepayment.has_value());
        EXPECT_LE(f.term, std::max(c.term, 1));
        EXPECT_GT(f.lastRepayment->units(), 0);
        EXPECT_LE(*f.lastRepayment, f.repayment);
    }
    EXPECT_THROW(workOutLoanFigures(requestFor(1000, 1e9, "M", 12, QDate(2026, 4, 5))), VeltError);
}

TEST(LoanFigures, PropertiesOverGeneratedLoans) {
    QRandomGenerator random(20261206);
    const char* frequencies[] = {"M", "W", "F", "4"};
    for (int i = 0; i < 3000; ++i) {
        const QString frequency = frequencies[random.bounded(4)];
        const int64_t totalPence = 1 + random.bounded(2500000);
        const int64_t rateHundredths = random.bounded(5) == 0 ? 0 : random.bounded(4000);
        const int term = 1 + random.bounded(frequency == "M" ? 120 : 260);
        const QDate applied = QDate(2026, 1, 1).addDays(random.bounded(365));
        // Braced: the random draws are taken in the order written.
        const ScheduleRequest request{Currency::fromUnits(totalPence * 100), Currency::fromUnits(rateHundredths * 100), frequency, applied,
                                      applied.addDays(random.bounded(-10, 40)), term,
                                      Currency::fromUnits((1 + random.bounded(int(totalPence))) * 100)};
        const auto schedule = FitRepaymentSchedule(request);
        ASSERT_TRUE(schedule.has_value());
        SCOPED_TRACE(i);
        EXPECT_LE(schedule->term, term);
        EXPECT_GT(schedule->lastRepayment.units(), 0);
        EXPECT_LE(schedule->lastRepayment, schedule->repayment);
        EXPECT_GE(schedule->repayment, request.repayment);
        // Repaid to the penny: what is paid equals what was lent plus the interest charged.
        const int64_t paid = (schedule->term - 1) * schedule->repayment.units() + schedule->lastRepayment.units();
        EXPECT_EQ(paid, request.totalBorrowing.units() + schedule->totalInterest.units());
        EXPECT_EQ(schedule->repayment.units() % 100 + schedule->lastRepayment.units() % 100, 0) << "whole pence";
    }
}

TEST(LoanFigures, NothingToScheduleWithoutTermTotalOrDates) {
    const ScheduleRequest valid{pounds(100), Currency(), "M", kApplied, QDate(2026, 4, 5), 12, pounds(10)};
    EXPECT_TRUE(FitRepaymentSchedule(valid).has_value());
    ScheduleRequest noTerm = valid, noDate = valid, noTotal = valid;
    noTerm.term = 0;
    noDate.firstRepaymentDate = QDate();
    noTotal.totalBorrowing = Currency();
    for (const ScheduleRequest& request : {noTerm, noDate, noTotal}) EXPECT_FALSE(FitRepaymentSchedule(request).has_value());
}

}  // namespace
