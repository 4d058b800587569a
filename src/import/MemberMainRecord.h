#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct Application; struct ApplicationState; }

namespace autovelt::inline import {

// How the application's MemberMain row is written.
enum class MemberRowWrite {
    Create,     // a member new to the credit union: every column (the row is added, or
                // completed when an interrupted run already added it)
    Reinstate,  // a former member rejoining: the personal columns, a new join date, no leaving date
    Refresh,    // a current member: contact and marketing preferences only
};

// Writes app.memberNumber's row and returns the status the member holds afterwards.
// Reinstating also writes the rejoin diary note, Changes and WebLog rows.
QString WriteMemberMain(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                        MemberRowWrite write);

// The status of a new or reinstated member: field_11 upper-cased, or "A" ("J" for an
// applicant at most 16 calendar years old in the processing year).
QString MembershipStatusFor(const Application& app, int processingYear);

}  // namespace autovelt::import
