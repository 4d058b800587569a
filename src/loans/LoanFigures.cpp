#include "loans/LoanFigures.h"

#include "common/VeltError.h"

#include <algorithm>
#include <cmath>

namespace autovelt::inline loans {

namespace {

const Currency kPenny = Currency::fromUnits(100);
const Currency kHundred = Currency::fromUnits(1000000);

// Above this a balance cannot carry a period's interest as money (the currency range is
// about 9.2e14); a schedule whose balance gets there is one that never clears.
constexpr double kLargestInterest = 9.0e14;

VeltError overflow() {
    return VeltError(6, QStringLiteral("LoanFigures"), QStringLiteral("Overflow"));
}

// The value rounded up to whole pence (a positive value; whole pence stay as they are).
Currency upToPenny(Currency value) {
    const int64_t penny = kPenny.units();
    const int64_t pence = value.units() > 0 ? (value.units() + penny - 1) / penny : value.units() / penny;
    return Currency::fromUnits(pence * penny);
}

// The interest of one period of `days` days on a balance, to the penny; nothing when it is
// too large to be money.
std::optional<Currency> periodInterest(Currency balance, Currency annualRate, int64_t days) {
    if (annualRate.units() == 0 || days == 0 || balance.units() == 0) return Currency();
    const double scaled = balance.toDouble() * annualRate.toDouble() * double(days) / 365.0;
    if (!(std::fabs(scaled) < kLargestInterest)) return std::nullopt;
    return penniesOf(Currency::fromDouble(scaled), 100);
}

// One run of the schedule with a fixed repayment: the balance after each repayment, until
// it is cleared or the term runs out.
struct ScheduleRun {
    bool cleared = false;
    int repayments = 0;      // the repayment that cleared the balance
    Currency balance;        // after that repayment: zero or below
    Currency totalInterest;
    QDate lastDate;
};

class ScheduleSimulation {
public:
    ScheduleSimulation(const ScheduleRequest& request, const QDate& firstDate)
        : request_(request), firstDate_(firstDate) {}

    ScheduleRun run(Currency repayment) const {
        ScheduleRun result;
        Currency balance = request_.totalBorrowing;
        QDate previous = request_.applicationDate;
        QDate due = firstDate_;
        for (int k = 1; k <= request_.term; ++k) {
            const std::optional<Currency> interest =
                periodInterest(balance, request_.annualRate, previous.daysTo(due));
            if (!interest) return result;
            result.totalInterest = result.totalInterest + *interest;
            balance = balance - repayment + *interest;
            if (balance.units() <= 0) {
                result.cleared = true;
                result.repayments = k;
                result.balance = balance;
                result.lastDate = due;
                return result;
            }
            previous = due;
            due = nextRepaymentDate(due, request_.frequency);
        }
        return result;
    }

    // A repayment that clears the balance with the first repayment.
    Currency clearingRepayment() const {
        const std::optional<Currency> interest = periodInterest(
            request_.totalBorrowing, request_.annualRate, request_.applicationDate.daysTo(firstDate_));
        if (!interest) throw overflow();
        return upToPenny(request_.totalBorrowing + *interest);
    }

private:
    const ScheduleRequest& request_;
    QDate firstDate_;
};

}  // namespace

Currency tierRate(const RateTiers& tiers, Currency totalBorrowing) {
    Currency rate;
    for (int k = 7; k >= 0; --k) {
        if (tiers.upTo[k] && totalBorrowing <= *tiers.upTo[k]) rate = tiers.rate[k];
    }
    return rate;
}

Currency TheAPR(Currency annualRate) {
    const Currency monthly = annualRate / 12.0;
    Currency balance = kHundred + monthly;
    for (int month = 1; month <= 11; ++month) {
        const double interest = balance.toDouble() * monthly.toDouble() / 100.0;
        if (!(std::fabs(interest) < kLargestInterest)) throw overflow();
        balance = balance + Currency::fromDouble(interest);
    }
    return Currency::fromText(formatNumber(balance - kHundred, QStringLiteral("###0.0")));
}

double periodicRate(Currency annualRate, const QString& frequency) {
    const double rate = annualRate.toDouble();
    if (frequency == QLatin1String("W")) return rate / 5200.0;
    if (frequency == QLatin1String("F")) return rate / 2600.0;
    if (frequency == QLatin1String("4")) return rate / 1300.0;
    return rate / 1200.0;
}

QDate nextRepaymentDate(const QDate& from, const QString& frequency) {
    if (frequency == QLatin1String("W")) return from.addDays(7);
    if (frequency == QLatin1String("F")) return from.addDays(14);
    if (frequency == QLatin1String("4")) return from.addDays(28);
    return from.addMonths(1);
}

RepaymentEstimate estimateRepayment(Currency totalBorrowing, Currency annualRate, const QString& frequency, int term) {
    const int n = std::max(term, 1);
    const double r = periodicRate(annualRate, frequency);
    const double total = totalBorrowing.toDouble();
    double payment = total / n;
    if (r != 0.0) {
        payment = total * r / (1.0 - 1.0 / std::pow(1.0 + r, n));
        payment = leadingNumber(numberText(payment));
    }
    const double totalRepaid = n * payment;
    if (!std::isfinite(totalRepaid)) throw overflow();
    RepaymentEstimate estimate;
    estimate.totalInterest = totalRepaid - total;
    // The total repaid as money shared over n and rounded up to the next penny, so n
    // repayments never fall short; whole pence stay. Worked in whole ten-thousandths: a
    // share a hair above a penny is not rounded to four places first, which would lose it.
    const int64_t repaid = Currency::fromDouble(totalRepaid).units();
    const int64_t perPenny = kPenny.units() * n;
    const int64_t pence = repaid / perPenny + (repaid % perPenny > 0 ? 1 : 0);
    estimate.repayment = Currency::fromUnits(pence * kPenny.units());
    return estimate;
}

std::optional<RepaymentSchedule> FitRepaymentSchedule(const ScheduleRequest& request) {
    if (request.term <= 0 || request.totalBorrowing.units() <= 0) return std::nullopt;
    if (!request.applicationDate.isValid() || !request.firstRepaymentDate.isValid()) return std::nullopt;

    const QDate firstDate = request.firstRepaymentDate < request.applicationDate
                                ? nextRepaymentDate(request.applicationDate, request.frequency)
                                : request.firstRepaymentDate;
    const ScheduleSimulation simulation(request, firstDate);

    // The balance left after the term falls as the repayment rises, so the smallest
    // repayment that clears it is found by searching the pence between the one asked for
    // and one that clears the loan at once: doubling steps first (the answer is usually a
    // few pence away), then halving the range found.
    Currency repayment = std::max(request.repayment, kPenny);
    ScheduleRun run = simulation.run(repayment);
    if (!run.cleared) {
        const Currency clearing = simulation.clearingRepayment();
        const int64_t limit = std::max<int64_t>(1, (clearing - repayment).units() / kPenny.units() + 1);
        int64_t low = 0;  // pence above `repayment` known not to clear
        int64_t high = 1;
        while (high < limit && !simulation.run(repayment + Currency::fromUnits(high * kPenny.units())).cleared) {
            low = high;
            high = std::min(limit, high * 2);
        }
        while (high - low > 1) {
            const int64_t middle = low + (high - low) / 2;
            if (simulation.run(repayment + Currency::fromUnits(middle * kPenny.units())).cleared) high = middle;
            else low = middle;
        }
        repayment = repayment + Currency::fromUnits(high * kPenny.units());
        run = simulation.run(repayment);
        if (!run.cleared) throw overflow();
    }

    // The repayment that cleared the balance is the last: the term ends there, and what it
    // had to pay is the regular repayment less what it overpaid.
    RepaymentSchedule schedule;
    schedule.term = run.repayments;
    schedule.repayment = repayment;
    schedule.lastRepayment = repayment + run.balance;
    schedule.totalInterest = run.totalInterest;
    schedule.firstRepaymentDate = firstDate;
    schedule.lastRepaymentDate = run.lastDate;
    return schedule;
}

LoanFigures workOutLoanFigures(const LoanFigureRequest& request) {
    LoanFigures figures;
    figures.annualRate = request.rateOverride.units() != 0 ? request.rateOverride
                                                           : tierRate(request.tiers, request.totalBorrowing);
    figures.apr = TheAPR(figures.annualRate);
    figures.term = std::max(request.term, 1);

    const RepaymentEstimate estimate =
        estimateRepayment(request.totalBorrowing, figures.annualRate, request.frequency, figures.term);
    figures.repayment = estimate.repayment;
    figures.totalInterestText = formatNumber(estimate.totalInterest, QStringLiteral("###0.00"));
    figures.totalInterest = Currency::fromText(figures.totalInterestText);
    figures.firstRepaymentDate = request.firstRepaymentDate;

    ScheduleRequest scheduleRequest;
    scheduleRequest.totalBorrowing = request.totalBorrowing;
    scheduleRequest.annualRate = figures.annualRate;
    scheduleRequest.frequency = request.frequency;
    scheduleRequest.applicationDate = request.applicationDate;
    scheduleRequest.firstRepaymentDate = request.firstRepaymentDate;
    scheduleRequest.term = figures.term;
    scheduleRequest.repayment = figures.repayment;
    if (const std::optional<RepaymentSchedule> schedule = FitRepaymentSchedule(scheduleRequest)) {
        figures.term = schedule->term;
        figures.repayment = schedule->repayment;
        figures.totalInterest = schedule->totalInterest;
        figures.totalInterestText = formatNumber(schedule->totalInterest, QStringLiteral("###0.00"));
        figures.lastRepayment = schedule->lastRepayment;
        figures.firstRepaymentDate = schedule->firstRepaymentDate;
        figures.lastRepaymentDate = schedule->lastRepaymentDate;
    }
    return figures;
}

}  // namespace autovelt::loans
