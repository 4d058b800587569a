#pragma once

namespace autovelt::inline platform::db { class Recordset; }
namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline import {

// What matching an applicant to a member decided, besides the member number.
struct MemberMatch {
    bool refused = false;      // the application was refused, and has ended
    bool rejoin = false;       // a former member ("G", "L", "Z"), reinstated by the import
    // Matched without a National Insurance number or e-mail address that agrees with the
    // one held: name, birth date or number alone are easy to know.
    bool unconfirmed = false;
};

// Compares the application with the member row just found (importer.app.memberNumber),
// in order: National Insurance number, date of birth, title, forename, middle name,
// surname, status, e-mail, pending loan. A deviation that makes the application unsafe to
// import refuses it (problem line, loan details, diary note and WebLog row, online row
// marked). Titles, names and e-mails are compared without regard to case. The match is
// unconfirmed when neither the National Insurance number nor an e-mail address of the
// application agrees with the member's.
MemberMatch CheckExistingMemberDetails(const CycleContext& cycle, UnitSession& session, ApplicationState& app,
                                       const db::Recordset& member);

}  // namespace autovelt::import
