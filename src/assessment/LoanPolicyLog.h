#pragma once

// The loan policy log: per loan, each rule's value, the applicant's value and the initial
// status, copied from the decision summary (summary writer) and from the rows the credit
// and identity checks left in rules_log (detail writer).

#include "state/RulesLogChanges.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline common { class VeltError; }

namespace autovelt::inline assessment {

// The loan the rows belong to, as the loan pass knows it.
struct PolicyLogLoan {
    long memberNumber = 0;
    QString loanNumber;
    long loanId = 0;
    QDate applicationDate;
};

// "dd/mm/yy hh:mm:ss"; a loan taken in on a Saturday or a Sunday starts at 08:00 on the
// Monday after.
QString PolicyLogStartTime(const QDateTime& now);

// Writes one row per entry of the application's decision summary. Nothing when the loan ID
// is 0 or no credit report was in hand. Raises nothing: a failed row is reported, rows
// written stay.
void WriteDecisionSummaryToPolicyLog(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const PolicyLogLoan& loan);

// A row of the member's rules_log: one the pass read online, with its rule_id, or one this
// application adds, without.
struct RulesLogEntry {
    QString code;
    QString value;
    QString result;
    std::optional<qlonglong> onlineId;
};

// Reports a failure to write the policy log and goes on; a failure of the surroundings is
// raised again, for the pass to leave the application pending. Call it inside a handler.
void ReportPolicyLogFailure(UnitSession& session, const ApplicationState& app, const QString& what, const VeltError& e);

// Copies the member's rules_log rows (those online, oldest first by rule, and those the
// application's assessment adds) into the policy log and returns the assessment's rules_log
// changes to make online once the application has committed: the copied online rows
// removed, the rows it would have added dropped. Safe to run again after an interruption:
// a rule copied for this loan before is replaced, not doubled, and rows of one rule left by
// repeated checks give one row (the latest).
[[nodiscard]] RulesLogChanges CopyRulesLogToPolicyLog(const CycleContext& cycle, UnitSession& session,
                                                      const ApplicationState& app, const PolicyLogLoan& loan,
                                                      const QList<RulesLogEntry>& online);

}  // namespace autovelt::assessment
