#pragma once

#include "import/ExistingMemberChecks.h"
#include "state/ApplicationState.h"

namespace autovelt::inline state { class CycleContext; class UnitSession; }

namespace autovelt::inline import {

// Finds the member an application belongs to, first hit wins: a new applicant (member
// number 0) by National Insurance number, then by surname, first initial and date of
// birth; an applicant who gives a member number by that number. A given number that
// matches no member and lies above the numbers allocated so far is reported and the
// applicant is matched as a new one. A single match becomes importer.app.memberNumber and
// is checked with CheckExistingMemberDetails; several matches refuse the application.
// Afterwards importer.app.memberNumber is the member (the given number when it matches no
// member but could have been allocated, 0 for a new applicant); the result tells whether
// the application was refused and whether the member rejoins.
MemberMatch MatchApplicant(const CycleContext& cycle, UnitSession& session, ApplicationState& app);

// The member number the applicant gave (field_1), 0 for a new applicant.
long GivenMemberNumber(const ApplicationState& app);

}  // namespace autovelt::import
