#pragma once

#include "import/Refusal.h"

#include <optional>

namespace autovelt::inline platform::db { class Recordset; }
namespace autovelt::inline state {
class UnitSession;
struct ApplicationState;
}  // namespace autovelt::inline state

namespace autovelt::inline import {

// What matching an applicant to a member decided, besides the member number.
struct MemberMatch {
    long memberNumber = 0;  // the member the application is imported for; 0 for a new applicant
    // Why the application is refused; the pass reports it and ends the application.
    std::optional<Refusal> refusal{};
    bool rejoin = false;       // a former member ("G", "L", "Z"), reinstated by the import
    // Matched without a National Insurance number or e-mail address that agrees with the
    // one held: name, birth date or number alone are easy to know.
    bool unconfirmed = false;
};

// Compares the application with the member row just found, in order:
// National Insurance number, date of birth, title, forename, middle name, surname, status,
// e-mail, pending loan. A deviation that makes the application unsafe to import is a
// refusal (its problem line and notes, no failure email); a smaller one is an FYI line.
// Titles, names and e-mails are compared without regard to case. The match is unconfirmed
// when neither the National Insurance number nor an e-mail address of the application
// agrees with the member's.
MemberMatch CheckExistingMemberDetails(UnitSession& session, const ApplicationState& app, long memberNumber,
                                       const db::Recordset& member);

}  // namespace autovelt::import
