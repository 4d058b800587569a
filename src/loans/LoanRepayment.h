#pragma once

#include "loans/LoanFigures.h"

namespace autovelt {

class Importer;
namespace db { class Recordset; }

// The rate tiers of the Product row a recordset is positioned on (IntTo1..8, IntRate1..8).
RateTiers rateTiersOf(const db::Recordset& product);

// Works out the loan's figures from the loan pass's state and writes them where the loan
// records read them: the loan interest rate, LoanDetails 5 (term), 6 and 16 (first
// repayment date), 7 (repayment), 12 (total interest), 13 (last repayment), 14 (APR),
// 17 (last repayment date) and field_48 (the repayment). A product whose rate gives an APR
// above the configured cap is reported and noted in WebLog so staff see it before the
// loan is approved; the loan is worked out as usual.
void CalculateLoanRepayment(Importer& importer, const RateTiers& productTiers);

}  // namespace autovelt
