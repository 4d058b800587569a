// The loan figures alone (rate, APR, repayment and the fitted schedule) for N generated
// loans (default 20,000): a spread of amounts, rates, frequencies and terms like those of
// a credit union's book. Reports loans per second and the mean number of repayments.
//
//   loan_figures_bench [N]

#include "loans/LoanFigures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace autovelt;

namespace {

LoanFigureRequest loanFor(QRandomGenerator& random) {
    static const char* const frequencies[] = {"M", "M", "M", "W", "F", "4"};
    LoanFigureRequest request;
    request.tiers.upTo[0] = Currency::fromDouble(1000);
    request.tiers.rate[0] = Currency::fromDouble(26.8);
    request.tiers.upTo[1] = Currency::fromDouble(5000);
    request.tiers.rate[1] = Currency::fromDouble(12.7);
    request.tiers.upTo[2] = Currency::fromDouble(25000);
    request.tiers.rate[2] = Currency::fromDouble(6.9);
    if (random.bounded(4) == 0) request.rateOverride = Currency::fromUnits(random.bounded(1, 300) * 1000);
    request.totalBorrowing = Currency::fromUnits(qint64(random.bounded(100, 25000)) * 10000);
    request.frequency = QString::fromLatin1(frequencies[random.bounded(6)]);
    const int months = 6 + random.bounded(55);
    const QString& f = request.frequency;
    request.term = f == "M" ? months : f == "W" ? months * 52 / 12 : f == "F" ? months * 26 / 12 : months * 13 / 12;
    request.applicationDate = QDate(2026, 1, 1).addDays(random.bounded(365));
    request.firstRepaymentDate = nextRepaymentDate(request.applicationDate, request.frequency);
    return request;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    QRandomGenerator random(20261206);
    std::vector<LoanFigureRequest> loans;
    loans.reserve(count);
    for (int i = 0; i < count; ++i) loans.push_back(loanFor(random));

    QElapsedTimer timer;
    timer.start();
    long long repayments = 0;
    for (const LoanFigureRequest& loan : loans) repayments += workOutLoanFigures(loan).term;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    std::printf("loans               %d\n", count);
    std::printf("mean repayments     %.1f\n", double(repayments) / count);
    std::printf("wall time           %.3f s\n", seconds);
    std::printf("loans/second        %.0f\n", seconds > 0 ? count / seconds : 0.0);
    return 0;
}
