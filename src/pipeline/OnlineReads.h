#pragma once

// What the pass reads from the online database for one application, so the steps below it
// take the rows as arguments and never reach the online database themselves.

#include "assessment/CreditRules.h"
#include "assessment/LoanPolicyLog.h"
#include "import/Addresses.h"

#include <QList>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state { class CycleContext; struct ApplicationState; }

namespace autovelt::inline pipeline {

// The application's table_ad rows (only those of type HOME with homeOnly): by its key,
// pending rows only unless a single application is being re-run, else by the second key.
// A key that is empty identifies no application: matching it would hand this member the
// addresses of other applicants. A read that fails is kept for the step to report; a
// failure of the surroundings is raised.
ApplicationAddresses ReadApplicationAddresses(const CycleContext& cycle, db::Connection& online,
                                              const ApplicationState& app, bool homeOnly);

// Whether earlier checks of the member left a refer or a fail in rules_log (the age rule
// PR13A aside). Nothing carried when the online database is not open.
CarriedResults ReadCarriedResults(db::Connection& online, long memberNumber);

// The member's rules_log rows, oldest first by rule.
QList<RulesLogEntry> ReadMemberRulesLog(db::Connection& online, long memberNumber);

}  // namespace autovelt::pipeline
