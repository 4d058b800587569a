#pragma once

#include <QDateTime>
#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; struct LoanPassState; }

namespace autovelt::inline loans {

// Writes the loan application the loan pass has prepared: the LoanAllocation row with its
// initial decision (the letter LoanDecisionLetter gave), its payee, a text-message request
// and a WebLog row, and sets loan.loanId to the new row's ID. A loan row that cannot be
// written or found again, or a payee that cannot be written, is reported and raises the
// error, so the application's unit of work undoes it whole.
void CreateLoanApplication(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                           LoanPassState& loan);

// The decision letter a loan is written with: the assessment's, upper-cased, when it is "P",
// "R" or "F"; any other is reported and taken as a refer ("R").
QString LoanDecisionLetter(UnitSession& session, const ApplicationState& app);

// The highest ID of a member's loan application with this number, waiting up to ten
// seconds for it to appear; 99999999 when it never does. Used when the engine cannot say
// which key it gave an inserted row.
long LoanIdLookup(const CycleContext& cycle, UnitSession& session, long memberNumber, const QString& loanNumber);

// When a new loan application enters the loan officers' queue: now, or Monday at eight
// for an application written at the weekend, as "dd/mm/yy hh:mm:ss".
QString loanStartTime(const QDateTime& now);

}  // namespace autovelt::loans
