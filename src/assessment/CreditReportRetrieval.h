#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; struct LoanRequest; }

namespace autovelt::inline assessment {

// What the credit search leaves for the rules: a report (drawn now, or one this importer
// drew for the same person within four months), no report because none is needed (a policy
// rule, credit searches not set up), or no report although one was needed, with the reason.
struct CreditReportOutcome {
    enum class Kind { Report, NotNeeded, Missing };
    Kind kind = Kind::Missing;
    QString why;
};

// Draws the agency's credit report on the member of the loan the loan pass works on, unless a
// policy rule makes it unnecessary or a recent report of the same person is recorded. Leaves
// the report text and the PR13A letter in the application's credit assessment. A report drawn
// is filed and recorded (see CreditSearchRecords) inside the application's unit of work.
CreditReportOutcome DrawCreditReport(const CycleContext& cycle, UnitSession& session, ApplicationState& app,
                                     const LoanRequest& loan, long memberNumber);

// Replaces the application's credit report text with the file's content; on any failure
// the text stays as it was.
void LoadCreditReportFile(ApplicationState& app, const QString& path);

}  // namespace autovelt::assessment
