#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline assessment {

// The electronic identity check of a member with the agency's identity service. Builds the
// request from the member's stored details and home address, asks the agency once per
// application, files the answer in the member's folder and records the outcome: a report
// line, WebLog rows, a decision summary entry, the member's IDProof row and the
// application's identity result (status, score, reference); a failed check lowers the
// decision letter by the CR10A band. An applicant under 16 is passed without a request. Never
// throws, except for a database that has gone (the pass's to handle).
//
// The credit rules give the band of the CR10A rule they are evaluating. Without it (a member
// who only joins, a new member borrowing while credit checks are off) the active CR10A rule
// decides whether a check is made and gives the band.
void RunIdentityCheck(const CycleContext& cycle, UnitSession& session, ApplicationState& app, long memberNumber,
                      const QString& creditRuleBand = QString());

}  // namespace autovelt::assessment
