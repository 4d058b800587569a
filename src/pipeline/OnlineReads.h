#pragma once

// What the pass reads from the online database for one application's loan, so the steps
// below it take the rows as arguments and never reach the online database themselves.

#include "assessment/CreditRules.h"
#include "assessment/LoanPolicyLog.h"

#include <QList>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline pipeline {

// Whether earlier checks of the member left a refer or a fail in rules_log (the age rule
// PR13A aside). Nothing carried when the online database is not open.
CarriedResults ReadCarriedResults(db::Connection& online, long memberNumber);

// The member's rules_log rows, oldest first by rule.
QList<OnlineRulesLogRow> ReadMemberRulesLog(db::Connection& online, long memberNumber);

}  // namespace autovelt::pipeline
