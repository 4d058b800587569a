#pragma once

#include "common/Values.h"

namespace autovelt {

class Importer;

// The initial credit decision of the current loan application: evaluates the credit and
// policy rules on the credit report in hand (importer.app.creditReport) and the
// applicant's answers, leaves the letter in field_27 (score in field_26, search reference
// in field_30), appends to the decision summary and writes the policy results to
// rules_log. Runs the identity check of a member created in this run at rule CR10A.
// Never throws: a failure is reported and refers the loan.
void CheckCRRules(Importer& importer, Currency totalBorrowing);

}  // namespace autovelt
