#pragma once

#include <QString>

namespace autovelt::inline state { class UnitSession; struct LoanPassState; }

namespace autovelt::inline loans {

// Takes the loan number from the Control counters and advances the counter used. With one
// counter for every loan the number is the bare NewLoanCount; otherwise a first loan of a
// product is "C" + NewLoanCount and a top-up of a balance already held "T" + TopUpCount.
// Empty when Control has no row. The counters move inside the application's unit of work,
// so an application that is undone gives its number back.
QString TakeLoanNumber(UnitSession& session, const LoanPassState& loan);

}  // namespace autovelt::loans
