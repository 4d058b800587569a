#pragma once

#include "state/ApplicationState.h"
#include "state/LoanRequest.h"

#include <QDate>

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline loans {

// Whole years of age counting calendar month boundaries only: an applicant is 18 from the
// first day of the month of the 18th birthday. A negative result gains 100, as a two-digit
// year of birth read a century late would need.
int AgeByMonthBoundaries(const QDate& dateOfBirth, const QDate& processingDate);

// The loan applied for, from the application: the loan details 0 to 11 and 15, with the
// first repayment date in 6 and 16 (16 in SQL Server's form when `sqlServer`).
LoanRequest LoanRequestFor(const ApplicationState& app, const QString& passDateText, const QDate& passDate, bool sqlServer);

// For a credit union that pays loans to a third bank account: the sort code and account of
// the member's BANK3 address row, "0" and "0" (reported) when the member has none.
void UseThirdBankAccount(UnitSession& session, LoanRequest& loan);

// The working values the loan applied for (loan.LoanDetails) gives at first: its product
// code, its amount and no rate override.
void StartLoanWorkingValues(LoanPassState& loan);

// The working values fixed once the product is settled: the requested amount (read again
// from the loan details), the loan purpose code and the member name written on the loan.
void SetLoanWorkingValues(LoanPassState& loan, const QString& forename, const QString& surname);

}  // namespace autovelt::loans
