#pragma once

#include "assessment/CreditReportRetrieval.h"
#include "assessment/CreditRules.h"
#include "common/Values.h"
#include "state/ApplicationState.h"

namespace autovelt::inline state { class CycleContext; class UnitSession; }

namespace autovelt::inline assessment {

// The initial credit decision of the loan the loan pass works on (`loan`): evaluates the
// credit and policy rules on the credit report in hand (app.assessment.report) and the
// applicant's answers, and returns the outcome: the letter, the score and search reference
// when the report gave them, the decision summary so far with this check's entries, and
// the dependants reason. A refer or fail earlier checks of the member left in rules_log
// (carried) stands. The policy results (policyRows) go to rules_log once the application
// commits. Runs the identity check of a member created in this run at rule CR10A; its result
// is the outcome's identity. A report the
// search needed but could not get refers the loan. Throws only for a failure of the
// surroundings (the pass's to handle); any other failure is reported and refers the loan.
RuleOutcome CheckCRRules(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                         const LoanPassState& loan, Currency totalBorrowing, const CreditReportOutcome& drawn,
                         const CarriedResults& carried);

// The application's credit assessment takes the decision: the letter, the score and the
// search reference when there are ones, the summary, the dependants reason and the policy
// results for rules_log; the application takes the identity result when the rules ran a
// check.
void TakeCreditDecision(ApplicationState& app, const RuleOutcome& outcome);

}  // namespace autovelt::assessment
