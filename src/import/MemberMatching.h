#pragma once

#include "import/ExistingMemberChecks.h"
#include "state/ApplicationState.h"

namespace autovelt::inline state { class CycleContext; class UnitSession; }

namespace autovelt::inline import {

// Finds the member an application belongs to, first hit wins: a new applicant (member
// number 0) by National Insurance number, then by surname, first initial and date of
// birth; an applicant who gives a member number by that number. A given number that
// matches no member and lies above the numbers allocated so far is reported and the
// applicant is matched as a new one. A single match is checked with
// CheckExistingMemberDetails; several matches are a refusal. The result names the member
// (the given number when it matches no member but could have been allocated, 0 for a new
// applicant), holds the refusal, if any, for the pass to report, and whether the member
// rejoins.
MemberMatch MatchApplicant(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);

}  // namespace autovelt::import
