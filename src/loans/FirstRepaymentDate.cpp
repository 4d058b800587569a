#include "loans/FirstRepaymentDate.h"

#include "state/Importer.h"
#include "common/Values.h"

namespace autovelt {

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

void FirstRepaymentDate(Importer& importer) {
    SetFirstRepaymentDate(importer, FirstRepaymentDateFor(importer.passDate(), importer.LoanDetails.repaymentFrequency));
}

void SetFirstRepaymentDate(Importer& importer, const QDate& date) {
    const QString text = formatDate(date, QStringLiteral("dd/mm/yyyy"));
    importer.LoanDetails.firstRepaymentDate = text;
    importer.LoanDetails.firstRepaymentDateForProfile = importer.startup.chkSQL ? formatDate(date, QStringLiteral("MM/DD/YY")) : text;
}

}  // namespace autovelt
