#pragma once

#include "state/CreditUnionProfile.h"
#include "state/InstallationConfig.h"
#include "common/Values.h"

#include <QDate>
#include <QString>
#include <array>

namespace autovelt::inline state {

// Agency credentials as a cycle uses them: decoded, ready for the requests.
struct AgencyCredentials {
    QString CreditReportCompany;
    QString CreditReportUserName = QStringLiteral("UNSET");
    QString CreditReportPassword;
    QString IdentityCheckCompany;
    QString IdentityCheckUserName;
    QString IdentityCheckPassword;
    QString IdentityCheckApplication;
};

// The operating settings reloaded from the core banking tables at the start of every cycle.
struct CycleSettings {
    QString FSARefNo;
    // What this credit union does differently: its registration number's defaults and the
    // installation's [profile] overrides.
    CreditUnionProfile profile;
    QString cuname;
    QDate YearEndDate;
    QString ScanLocation;
    QString AutoLR = QStringLiteral("FALSE");
    QString OSProductCode;
    QString JSProductCode;
    QString OLProductCode;
    Currency FreeCashMargin;
    QString SenderAddress;
    bool MixedCase = true;
    bool DoProfile = false;
    QString webip;
    QString webun;
    QString WEBPW;
    QString WebHost;
    QString WebSenderAddress;
    QString DefaultLoanPayoutMethod = QStringLiteral("F");
    bool CreateLogs = false;
    std::array<QString, 22> UDFCaption{};  // entries 1 to 21
    std::array<QString, 11> UDFWebmap{};   // entries 1 to 10
    bool CreditChecksEnabled = false;
    bool TimingsTableExists = false;
    bool UATMode = false;
    AgencyCredentials agency;
};

}  // namespace autovelt::state
