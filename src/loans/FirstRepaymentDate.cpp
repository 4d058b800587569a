#include "loans/FirstRepaymentDate.h"

#include "common/Values.h"

namespace autovelt::inline loans {

namespace {

// The date an unset date variable holds.
const QDate kZeroDate(1899, 12, 30);

}  // namespace

QDate FirstRepaymentDateFor(const QDate& processingDate, const QString& frequency) {
    if (frequency == QLatin1String("M")) return processingDate.addMonths(1);
    if (frequency == QLatin1String("W")) return processingDate.addDays(7);
    if (frequency == QLatin1String("F")) return processingDate.addDays(14);
    if (frequency == QLatin1String("4")) return processingDate.addDays(28);
    return kZeroDate;
}

void FirstRepaymentDate(LoanRequest& loan, const QDate& processingDate, bool sqlServer) {
    SetFirstRepaymentDate(loan, FirstRepaymentDateFor(processingDate, loan.repaymentFrequency), sqlServer);
}

void SetFirstRepaymentDate(LoanRequest& loan, const QDate& date, bool sqlServer) {
    const QString text = formatDate(date, QStringLiteral("dd/mm/yyyy"));
    loan.firstRepaymentDate = text;
    loan.firstRepaymentDateForProfile = sqlServer ? formatDate(date, QStringLiteral("MM/DD/YY")) : text;
}

}  // namespace autovelt::loans
