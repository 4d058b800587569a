#pragma once

#include "assessment/CreditReportRetrieval.h"
#include "common/Values.h"

namespace autovelt {

class Importer;

// The initial credit decision of the current loan application: evaluates the credit and
// policy rules on the credit report in hand (importer.app.creditReport) and the
// applicant's answers, leaves the letter in field_27 (score in field_26, search reference
// in field_30), appends to the decision summary and writes the policy results to
// rules_log (once the application commits). Runs the identity check of a member created in
// this run at rule CR10A. A report the search needed but could not get refers the loan.
// Throws only for a failure of the surroundings (the pass's to handle); any other failure
// is reported and refers the loan.
void CheckCRRules(Importer& importer, Currency totalBorrowing, const CreditReportOutcome& drawn);

}  // namespace autovelt
