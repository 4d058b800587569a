#pragma once

#include "loans/LoanFigures.h"
#include "state/LoanPassState.h"
#include "state/LoanRequest.h"

namespace autovelt::inline platform::db { class Recordset; }
namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline loans {

// The rate tiers of the Product row a recordset is positioned on (IntTo1..8, IntRate1..8).
RateTiers rateTiersOf(const db::Recordset& product);

// Works out the loan's figures from its details and working values, and writes them where
// the loan records read them: the working loan interest rate, and the loan's term, first
// repayment date (and its copy, "MM/DD/YY" for SQL Server), repayment (kept as the worked-out
// repayment too), total interest, last repayment, APR and last repayment date. Returns the
// figures.
LoanFigures CalculateLoanRepayment(LoanPassState& loan, const RateTiers& productTiers, bool sqlServer);

// A product whose rate gives an APR above the configured cap is reported and noted in WebLog
// so staff see it before the loan is approved; the loan is worked out as usual.
void WarnOfRateAboveCap(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                        const LoanPassState& loan, const LoanFigures& figures);

}  // namespace autovelt::loans
