#pragma once

#include "state/Application.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline assessment {

// What an identity check found: the application's identity result as the check leaves it
// (none when no check was made), its decision summary entries, and the letter a failed
// check lowers the decision by ("F" or "R", the CR10A band; empty when it lowers nothing).
struct IdentityCheckOutcome {
    std::optional<IdentityResult> identity;
    QStringList summary;
    QString letter;
};

// The electronic identity check of a member with the agency's identity service. Builds the
// request from the member's stored details and home address, asks the agency once per
// application, files the answer in the member's folder and records it (a report line,
// WebLog rows, the member's IDProof row); returns the outcome. An applicant under 16 is
// passed without a request. Never throws, except for a database that has gone (the pass's
// to handle); after another failure, what was found before it is returned.
//
// The credit rules give the band of the CR10A rule they are evaluating. Without it (a member
// who only joins, a new member borrowing while credit checks are off) the active CR10A rule
// decides whether a check is made and gives the band.
IdentityCheckOutcome RunIdentityCheck(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                      long memberNumber, const QString& creditRuleBand = QString());

// The decision letter after a check that lowers it by `letter`: "F" fails it; "R" refers
// it unless it has failed already.
QString DecisionAfterIdentityCheck(const QString& decision, const QString& letter);

// The application takes a check's outcome: its identity result, its summary entries and
// the decision as the check lowered it.
void TakeIdentityCheck(ApplicationState& app, const IdentityCheckOutcome& outcome);

}  // namespace autovelt::assessment
