#pragma once

// The identity check request: the document the agency's identity service reads, composed
// from the member's stored details. Composition is pure text work, so the exact document
// can be checked without a database or the agency.

#include "assessment/PafColumns.h"

#include <QDate>
#include <QString>
#include <optional>

namespace autovelt::inline state { struct AgencyCredentials; struct AgencyService; }

namespace autovelt::inline assessment {

// What the check reads of the member: MemberMain and the member's HOME address row.
struct IdentityCheckMember {
    QString title;
    QString forename;
    QString midname;
    QString surname;
    std::optional<QDate> dateOfBirth;
    QString line1;
    QString line2;
    QString line3;
    QString line4;
    QString postcode;
    PafColumns paf;
    QString phoneNumber;
    QString mobileNumber;
    std::optional<QDate> effectiveFrom;  // since when the member lives at the home address
};

struct IdentityCheckRequest {
    QString company;
    QString userName;
    QString password;
    QString applicationName;
    long memberNumber = 0;
    IdentityCheckMember member;
    std::optional<PafColumns> previousAddress;  // the HOMEPREV1 row, when the member has one
    QString email;                              // the applicant's e-mail held by the address import
    QString sortCode;
    QString accountNumber;
    QDate passDate;
};

// The application name sent with a check and the address it is posted to.
struct IdentityCheckTarget {
    QString applicationName;
    bool testServer = false;
    QString host;  // empty when the installation names no host for the service
    QString url;
};
IdentityCheckTarget ChooseIdentityCheckTarget(const AgencyCredentials& credentials, bool uatMode,
                                              const AgencyService& service);

// Application names whose checks include watch-list screening (and whose results are
// failed on a politically exposed person or a sanctions match).
bool ScreensWatchlists(const QString& applicationName);

// True when the previous address is asked for: the member has lived at the home address
// for less than 36 whole months.
bool PreviousAddressWanted(const IdentityCheckMember& member, const QDate& passDate);

// Both the sort code and the account number are known, so the bank details are checked.
bool SendsBankDetails(const IdentityCheckRequest& request);

// The request document: tab-indented lines each ending in a carriage return alone, every
// value written as XML text.
QString ComposeIdentityCheckRequest(const IdentityCheckRequest& request);

}  // namespace autovelt::assessment
