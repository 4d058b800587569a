#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; struct LoanRequest; }

namespace autovelt::inline assessment {

// What the credit search leaves for the rules: a report (drawn now, or one this importer
// drew for the same person within four months), no report because none is needed (a policy
// rule, credit searches not set up), or no report although one was needed, with the reason.
// With it, the letter the search gives the decision ("P", the PR13A rule's when the member
// is too old at the loan's end, "F" when the search failed) and the age at the loan's end.
struct CreditReportOutcome {
    enum class Kind { Report, NotNeeded, Missing };
    Kind kind = Kind::Missing;
    QString why;
    QString report;  // the report's text, empty without one
    QString decision = QStringLiteral("P");
    int loanEndAge = 0;
};

// Draws the agency's credit report on the member of the loan the loan pass works on, unless a
// policy rule makes it unnecessary or a recent report of the same person is recorded, and
// returns it with the PR13A letter. A report drawn is filed and recorded (see
// CreditSearchRecords) inside the application's unit of work.
CreditReportOutcome DrawCreditReport(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const LoanRequest& loan, long memberNumber);

}  // namespace autovelt::assessment
