#pragma once

#include "state/RulesLogChanges.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace autovelt::inline state {

// The credit assessment of the loan applied for, as the loan pass builds it: the decision
// letter the checks have given so far, the agency's report, the rule outcomes waiting for
// the loan policy log, and what the policy rules worked out.
struct CreditAssessment {
    // "P", "R" or "F" (or what a policy rule's "ruleyes" says, read as a refer when the loan
    // is written); nothing until a check has given one, when the website's field_27 stands.
    std::optional<QString> decision;
    std::optional<QString> score;             // the agency's score, once the rules read one
    std::optional<QString> searchReference;   // the agency's search reference, once a report gave one
    QString report;             // the credit report in hand; empty when none was drawn
    QStringList summary;        // the rule outcomes, "member|code|letters|...", for the policy log
    int loanEndAge = 0;         // the age the loan may run to, from the age rule
    QString dependantsReason;   // the PR13B reason text
    RulesLogChanges rulesLog;   // the rules_log rows to add and remove online once committed
};

}  // namespace autovelt::state
