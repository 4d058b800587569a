// The loan figures of chosen loans, and properties of many. Each chosen loan's figures were worked out the slow way, in
// whole ten-thousandths of a pound with exact fractions for every rounding: the first repayment the annuity gives, a
// penny more until the loan is repaid, then a repayment fewer while the last comes to nothing.

#include "common/VeltError.h"
#include "common/Values.h"
#include "loans/LoanFigures.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

QDate stepOn(const QDate& d, const QString& frequency) {
    const int days = frequency == "W" ? 7 : frequency == "F" ? 14 : frequency == "4" ? 28 : 0;
    return days ? d.addDays(days) : d.addMonths(1);
}

// The figures as "rate|APR|term|repayment|last|interest|first date|last date".
QString figures(const LoanFigures& f) {
    return QStringList{currencyText(f.annualRate), currencyText(f.apr), QString::number(f.term), currencyText(f.repayment),
                       currencyText(f.lastRepayment.value_or(Currency())), currencyText(f.totalInterest),
                       f.firstRepaymentDate.toString(Qt::ISODate), f.lastRepaymentDate.toString(Qt::ISODate)}
        .join(QLatin1Char('|'));
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
    const char* figures;
};

class LoanFiguresTable : public ::testing::TestWithParam<LoanCase> {};

TEST_P(LoanFiguresTable, MatchTheFiguresWorkedOutTheSlowWay) {
    const LoanCase& c = GetParam();
    EXPECT_EQ(figures(workOutLoanFigures(requestFor(c.total, c.overrideRate, c.frequency, c.term, c.first))), c.figures);
}

INSTANTIATE_TEST_SUITE_P(
    Loans, LoanFiguresTable,
    ::testing::Values(
        LoanCase{"TierBoundIncluded", 1000, 0, "M", 10, QDate(2026, 4, 5), "12|12.7|10|105.62|105.57|56.15|2026-04-05|2027-01-05"},
        LoanCase{"SecondTier", 3000, 0, "M", 24, QDate(2026, 4, 5), "9.9|10.4|24|138.34|138.25|320.07|2026-04-05|2028-03-05"},
        LoanCase{"AboveEveryTierIsFreeRoundedUp", 7000, 0, "M", 12, QDate(2026, 4, 5), "0|0|12|583.34|583.26|0|2026-04-05|2027-03-05"},
        LoanCase{"OverrideBeatsTiers", 3000, 6.7, "M", 36, QDate(2026, 4, 5), "6.7|6.9|36|92.25|91.99|320.74|2026-04-05|2029-03-05"},
        LoanCase{"Weekly", 1500, 0, "W", 52, QDate(2026, 3, 12), "9.9|10.4|52|30.33|29.84|76.67|2026-03-12|2027-03-04"},
        LoanCase{"Fortnightly", 2500, 0, "F", 26, QDate(2026, 3, 19), "9.9|10.4|26|101.18|100.64|130.14|2026-03-19|2027-03-04"},
        LoanCase{"FourWeekly", 900, 0, "4", 13, QDate(2026, 4, 2), "12|12.7|13|73.79|73.55|59.03|2026-04-02|2027-03-04"},
        LoanCase{"TermShortens", 5001, 0, "M", 1000, QDate(2026, 4, 5), "0|0|999|5.01|1.02|0|2026-04-05|2109-06-05"},
        LoanCase{"FirstDateBeforeApplication", 800, 0, "M", 12, QDate(2026, 2, 1), "12|12.7|12|71.11|71.02|53.23|2026-04-05|2027-03-05"},
        LoanCase{"MonthEnds", 2000, 0, "M", 18, QDate(2026, 3, 31), "9.9|10.4|18|120.03|116.6|157.11|2026-03-31|2027-08-28"}),
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
