#pragma once

#include <QDate>

namespace autovelt {

class Importer;

// Whole years of age counting calendar month boundaries only: an applicant is 18 from the
// first day of the month of the 18th birthday. A negative result gains 100, as a two-digit
// year of birth read a century late would need.
int AgeByMonthBoundaries(const QDate& dateOfBirth, const QDate& processingDate);

// Fills LoanDetails 0 to 11, 15 and 16 from the application (the first repayment date in 6
// and 16), applies the per-credit-union bank details rule to 8 and 9, and sets the working
// values read from them: member number, product code, requested amount, no rate override.
void FillLoanDetails(Importer& importer);

// The working values fixed once the product is settled: the requested amount (read again
// from LoanDetails 3), the loan purpose code and the member name written on the loan.
void SetLoanWorkingValues(Importer& importer);

}  // namespace autovelt
