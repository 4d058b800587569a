#pragma once

#include "import/ExistingMemberChecks.h"
#include "import/LoanDecision.h"

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline pipeline {

enum class MemberImportEnd {
    Imported,     // the member is written and the application ended as imported
    PassStopped,  // no member number left: the pass must end at once, and no cycle import again
};

struct MemberImportResult {
    MemberImportEnd end = MemberImportEnd::Imported;
    // Withheld when the identity check of a new member joining only stopped the loan.
    LoanDecision loanDecision = LoanDecision::AsApplied;
};

// The second half of an application's import, once it has been matched (or found new):
// the member number, the member rows, addresses, identity check, share account, the
// welcome steps, the loan pass, and the application ended as imported. It runs inside the
// application's unit of work, so a failure anywhere leaves nothing of it behind.
// The match is what MatchApplicant decided (never a refused one).
MemberImportResult ImportMember(const CycleContext& cycle, UnitSession& session, ApplicationState& app,
                                const MemberMatch& match);

}  // namespace autovelt::pipeline
