#pragma once

#include "state/LoanRequest.h"

#include <QDate>
#include <QString>

namespace autovelt::inline loans {

// The first repayment date of the loan: the processing date plus one calendar month ("M"),
// 7 days ("W"), 14 days ("F") or 28 days ("4") by the loan's repayment frequency. Any other
// frequency gives the zero date, 30/12/1899. Written as "dd/mm/yyyy" to the loan's first
// repayment date and its copy for the pay profiles; for SQL Server the copy is written
// "MM/DD/YY" instead, the form the pay profile statements take.
void FirstRepaymentDate(LoanRequest& loan, const QDate& processingDate, bool sqlServer);

// Writes a first repayment date to the loan in those forms.
void SetFirstRepaymentDate(LoanRequest& loan, const QDate& date, bool sqlServer);

// The date itself, for a processing date and a frequency.
QDate FirstRepaymentDateFor(const QDate& processingDate, const QString& frequency);

}  // namespace autovelt::loans
