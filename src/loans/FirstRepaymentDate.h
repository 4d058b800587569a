#pragma once

#include <QDate>
#include <QString>

namespace autovelt {

class Importer;

// The first repayment date of the loan pass: the processing date plus one calendar month
// ("M"), 7 days ("W"), 14 days ("F") or 28 days ("4") by the repayment frequency in
// LoanDetails(4). Any other frequency gives the zero date, 30/12/1899. Written as
// "dd/mm/yyyy" to LoanDetails(6) and LoanDetails(16); for SQL Server LoanDetails(16)
// is written "MM/DD/YY" instead, the form the pay profile statements take.
void FirstRepaymentDate(Importer& importer);

// Writes a first repayment date to LoanDetails(6) and (16) in those forms.
void SetFirstRepaymentDate(Importer& importer, const QDate& date);

// The date itself, for a processing date and a frequency.
QDate FirstRepaymentDateFor(const QDate& processingDate, const QString& frequency);

}  // namespace autovelt
