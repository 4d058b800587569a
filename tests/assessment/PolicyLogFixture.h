#pragma once

// Rule tables, a member with stored answers and a loan, for the policy log tests.

#include "app/ControlSettings.h"
#include "assessment/CheckCRRules.h"
#include "assessment/LoanPolicyLog.h"
#include "common/MemberNumberCode.h"
#include "support/CreditReportBuilder.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

namespace autovelt::test {

class PolicyLogFixture : public ::testing::Test {
protected:
    TestInstallation inst;
    static constexpr long kMember = 700;

    Importer& im() { return inst.importer(); }
    QString memberCode() const { return EncodeMemberNumber(QString::number(kMember)); }

    void addRules() {
        for (const char* row : {"('CR05A', 1, NULL, 3, 99, 'R')", "('CR08A', 1, NULL, 1, 99, 'F')",
                                "('CR07C', 1, NULL, 0, 450, 'F')", "('CR02D', 0, NULL, 1, 1, 'F')"})
            inst.exec("TarvAudt", QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, ruleset, rulevaluemin, "
                                                 "rulevaluemax, RuleBand) VALUES ") + row);
        inst.exec("TarvAudt", "INSERT INTO CUPolicyRules VALUES ('PR10C', 'Tenant''s rent is checked', 1, '1', 'R', 'P')");
        inst.exec("TarvAudt", "INSERT INTO CUPolicyRules VALUES ('PR15A', 'Moved in the last 3 years', 1, '0', 'R', 'P')");
    }

    // An existing member whose stored answers match the application below.
    void addMember() {
        inst.exec("TarvMain", "INSERT INTO MemberMain (MemberNo, Surname) VALUES (700, 'Tester')");
        inst.exec("TarvMain", "INSERT INTO MemberUDF (MemberNo, DWPHouseholdStatus, DWPEmpStatus) VALUES (700, 'Private Rented', 'Retired')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, Line1) VALUES (700, 'HOMEPREV1', '3 Old Road')");
    }

    void loadApplication(const QString& report) {
        ApplicationState& app = im().app;
        app = ApplicationState{};
        app.memberNumber = kMember;
        app.field[12] = "Private Rented";
        app.field[20] = "Retired";
        app.homePrevSupplied = true;
        app.messageSuffix = " (table_w field_id=41)";
        app.creditReport = report;
        im().LoanDetails[4] = "M";
        im().LoanDetails[5] = "24";
    }

    PolicyLogLoan loan(long id = 91) {
        PolicyLogLoan l;
        l.memberNumber = kMember;
        l.loanNumber = "C1042";
        l.loanId = id;
        l.applicationDate = QDate(2026, 12, 4);
        l.dependantsReason = im().app.dependantsReason;
        return l;
    }

    void load() {
        LoadControlSettings(im());
        ASSERT_TRUE(im().connections.OnlineConnection.isOpen()) << inst.reporter().problems().join('\n').toStdString();
    }
};

}  // namespace autovelt::test
