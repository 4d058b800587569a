#pragma once

#include "state/Application.h"
#include "state/CreditAssessment.h"
#include "state/ImportedAddresses.h"
#include "state/LoanPassState.h"

#include <QDate>
#include <QString>
#include <array>
#include <optional>

namespace autovelt::inline state {

// The online application being imported and what the import has worked out for it so
// far: reset for every row of the import pass and read by every routine that works on "the
// current application". A step that needs only the website's values takes the Application.
struct ApplicationState : Application {
    long memberNumber = 0;           // the member the application is imported for
    long newMemberNumber = 0;        // allocated by this pass for a new member, else 0
    // What the member import settles in place of what the applicant gave: the status the
    // member row was given or holds (field_11) and the gross annual income with the other
    // incomes added (field_63).
    std::optional<QString> memberStatus;
    std::optional<QString> annualIncomeWithOthers;
    // How the application ended, set when it is marked imported: "imported" or "refused".
    // Empty while it is still pending.
    QString outcome;

    // What the address import found, read by the identity check, the loan records, the
    // details file and the emails.
    ImportedAddresses addresses;

    // The loan as the loan pass left it (an application number when one was taken, the loan
    // details and the working values); for a new member who only joins, the savings
    // schedule's first repayment date and savings.
    LoanPassState loan;
    // The applicant's identity check: the website's own (websiteIdentity()) until the
    // importer's check of a new member gives one.
    IdentityResult identity;

    // The credit assessment of the loan: the agency's report, the rule outcomes and what the
    // policy rules worked out.
    CreditAssessment assessment;

    // The decision letter as it stands: the assessment's once a check has given one, else
    // the website's field_27 (which may hold the agency's "ACCEPT").
    QString decisionLetter() const { return assessment.decision.value_or(field[tw::Decision]); }
    // The credit score and search reference likewise: the assessment's, else the website's
    // field_26 and field_30.
    QString creditScore() const { return assessment.score.value_or(field[tw::CreditScore]); }
    QString searchReference() const { return assessment.searchReference.value_or(field[tw::SearchReference]); }
    // The loan product and repayment likewise: the loan pass's once it has settled them, else
    // the website's field_45 and field_48.
    QString loanProduct() const { return loan.loanProduct(*this); }
    QString repayment() const { return loan.repayment(*this); }
    // And the member's status, gross annual income and savings by the payroll (field_11,
    // field_63, field_25) once the member import and the pay profiles have settled them.
    QString membershipStatus() const { return memberStatus.value_or(field[tw::MembershipAskedFor]); }
    QString grossAnnualIncome() const { return annualIncomeWithOthers.value_or(field[tw::AnnualSalary]); }
    QString savingsValue() const { return loan.savingsValue(*this); }

    // The columns as the import left them: the website's, with every value above (and the
    // identity result) in the column it settles.
    std::array<QString, 121> columnsAsImported() const;

    // An application just read, with nothing worked out yet: its identity result is the
    // website's own check.
    static ApplicationState StartingFrom(Application application);
};

}  // namespace autovelt::state
