#pragma once

#include "state/CreditAssessment.h"
#include "state/LoanPassState.h"
#include "state/LoanRequest.h"
#include "state/WebsiteColumns.h"

#include <QDate>
#include <QString>
#include <array>

namespace autovelt::inline state {

// The online application being imported: reset for every row of the import pass and read
// by every routine that works on "the current application".
struct ApplicationState {
    // field[n] holds the decoded and cleaned value of online column field_n; the columns
    // read by meaning are named in tw:: (field[tw::Surname] is field_6).
    std::array<QString, 121> field{};
    QString fieldId;                 // the application key (table_w.field_id)
    QString identityKey;             // field_id and a fingerprint of the row as the website wrote it
    long memberNumber = 0;           // the member the application is imported for
    long newMemberNumber = 0;        // allocated by this pass for a new member, else 0
    QString messageSuffix;           // " (table_w field_id=<key>)"
    QString cleanedNINumber;
    QString rawField2;               // links the table_ad rows; also marks them imported
    QString rawField105;             // the document upload key as stored online
    QString noteText;                // field_104, never decoded
    // How the application ended, set when it is marked imported: "imported" or "refused".
    // Empty while it is still pending.
    QString outcome;
    int nextBirthdayDays = 0;

    // Address import state, read by the identity check, the details file and the emails.
    QString applicantEmail;
    QString sortCode;
    QString accountNumber;
    bool homePrevSupplied = false;
    bool homeAddressChanged = false;
    std::array<QString, 5> storedHome{};  // Line1, Line2, Line3, Line4, Postcode before import
    std::array<QString, 13> homeSlots{};  // entries 1 to 12
    std::array<QString, 13> workSlots{};  // entries 1 to 12
    std::array<QString, 11> udfLabels{};  // entries 1 to 10, captions of the UDFs written

    // The loan pass's application number, when one was created, the loan it works on (the
    // loan details) and its working values.
    QString loanNumber;
    LoanRequest LoanDetails;
    LoanPassState loan;
    bool identityFailedOnBank = false;
    bool identityFailed = false;

    // The credit assessment of the loan: the agency's report, the rule outcomes and what the
    // policy rules worked out.
    CreditAssessment assessment;

    bool isJoinOnly() const { return field[tw::ApplicationCode] == QLatin1String("2"); }
};

}  // namespace autovelt::state
