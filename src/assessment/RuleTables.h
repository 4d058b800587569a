#pragma once

// Reads the credit union's rule tables and the results earlier checks left in rules_log.
// Only reads: the import pass and the rule explanation share it.

#include "assessment/CreditRules.h"
#include "common/Values.h"

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline assessment {

struct RuleBookRequest {
    long memberNumber = 0;
    long newMemberNumber = 0;
    Currency totalBorrowing;
    bool haveReport = false;
    bool readCarried = true;   // false when the online database is not open
};

// Raises VeltError when a table cannot be read.
RuleBook LoadRuleBook(UnitSession& session, const RuleBookRequest& request);

}  // namespace autovelt::assessment
