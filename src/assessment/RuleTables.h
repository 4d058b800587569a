#pragma once

// Reads the credit union's rule tables. Only reads: the import pass and the rule
// explanation share it.

#include "assessment/CreditRules.h"
#include "common/Values.h"

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline assessment {

struct RuleBookRequest {
    long newMemberNumber = 0;
    Currency totalBorrowing;
    bool haveReport = false;
    CarriedResults carried;   // what earlier checks of the member left online
};

// Raises VeltError when a table cannot be read.
RuleBook LoadRuleBook(UnitSession& session, const RuleBookRequest& request);

}  // namespace autovelt::assessment
