#pragma once

#include "state/RulesLogChanges.h"

#include <QString>
#include <QStringList>

namespace autovelt::inline state {

// The credit assessment of the loan applied for, as the loan pass builds it: the agency's
// report, the rule outcomes waiting for the loan policy log, and what the policy rules
// worked out. The decision letter itself is the application's field_27, which the website
// row, the details file and the loan record carry.
struct CreditAssessment {
    QString report;             // the credit report in hand; empty when none was drawn
    QStringList summary;        // the rule outcomes, "member|code|letters|...", for the policy log
    int loanEndAge = 0;         // the age the loan may run to, from the age rule
    QString dependantsReason;   // the PR13B reason text
    RulesLogChanges rulesLog;   // the rules_log rows to add and remove online once committed
};

}  // namespace autovelt::state
