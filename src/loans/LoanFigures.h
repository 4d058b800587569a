#pragma once

// The money of a loan application: the annual rate from the product's tiers, the APR, the
// regular repayment and the repayment schedule. Values in, values out: no database and no
// importer state, so the figures can be checked and timed on their own.
//
// Money is currency (four decimals) throughout; the annuity estimate of the repayment runs
// in double precision, as the loan officers' own calculator does.

#include "common/Values.h"

#include <QDate>
#include <QString>
#include <array>
#include <optional>

namespace autovelt::inline loans {

// The rate tiers of a product: tier k charges rate[k] on a total borrowing up to upTo[k];
// a tier without a bound is unused.
struct RateTiers {
    std::array<std::optional<Currency>, 8> upTo{};
    std::array<Currency, 8> rate{};
};

// The rate of the lowest-numbered tier whose bound covers the total; 0 when none does.
Currency tierRate(const RateTiers& tiers, Currency totalBorrowing);

// Twelve months of compounding the monthly rate on 100, in currency arithmetic, less the
// 100, to one decimal: 12.0 gives 12.7. Raises VeltError 6 when the result cannot be held.
Currency TheAPR(Currency annualRate);

// The annual rate divided into the periods of a repayment frequency: "W" weekly, "F"
// fortnightly, "4" four-weekly, anything else monthly.
double periodicRate(Currency annualRate, const QString& frequency);

// The first repayment date a frequency gives after a date: one calendar month ("M", and
// any unknown frequency), 7 ("W"), 14 ("F") or 28 ("4") days on.
QDate nextRepaymentDate(const QDate& from, const QString& frequency);

// The first estimate of the repayment: the annuity of the total over n periods (the
// total divided by n when the rate is 0), rounded up to the next penny.
struct RepaymentEstimate {
    Currency repayment;       // whole pence
    double totalInterest = 0; // n repayments of the unrounded annuity, less the total
};
RepaymentEstimate estimateRepayment(Currency totalBorrowing, Currency annualRate, const QString& frequency, int term);

// A repayment schedule that clears the loan: term repayments of `repayment`, the last one
// `lastRepayment` (above zero, never more than the regular one), with the interest of each
// period worked out on the days it runs at the annual rate, rounded to the penny.
struct RepaymentSchedule {
    int term = 0;
    Currency repayment;
    Currency lastRepayment;
    Currency totalInterest;
    QDate firstRepaymentDate;
    QDate lastRepaymentDate;
};

struct ScheduleRequest {
    Currency totalBorrowing;
    Currency annualRate;
    QString frequency;
    QDate applicationDate;
    QDate firstRepaymentDate;
    int term = 0;          // the longest term allowed; the schedule may be shorter
    Currency repayment;    // the smallest repayment allowed; the schedule may need more
};

// Finds the smallest repayment of whole pence, not below the one asked for, that clears
// the loan within the term, and shortens the term to the repayment that clears it. A first
// repayment date before the application date is moved to one period after it. Nothing when
// there is nothing to schedule (no term, no positive total, an invalid date). The search
// is bounded: it takes a few dozen passes over the term whatever the figures, and raises
// VeltError 6 only for figures that money cannot hold.
std::optional<RepaymentSchedule> FitRepaymentSchedule(const ScheduleRequest& request);

// Everything the loan application needs, worked out from the product, the total and the
// term asked for.
struct LoanFigureRequest {
    RateTiers tiers;
    Currency rateOverride;  // 0 = none
    Currency totalBorrowing;
    QString frequency;
    int term = 1;           // number of repayments asked for (1 when below 1)
    QDate applicationDate;
    QDate firstRepaymentDate;
};

struct LoanFigures {
    Currency annualRate;
    Currency apr;
    int term = 1;
    Currency repayment;
    Currency totalInterest;
    // The schedule's last repayment and its dates; empty when no schedule could be fitted
    // (the loan then has the estimate's repayment and interest).
    std::optional<Currency> lastRepayment;
    QDate firstRepaymentDate;
    QDate lastRepaymentDate;
    QString totalInterestText;  // "###0.00"
};

LoanFigures workOutLoanFigures(const LoanFigureRequest& request);

}  // namespace autovelt::loans
