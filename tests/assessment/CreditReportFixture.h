#pragma once

// One member with a home and two previous addresses, a loan of 1500 over 18 months, agency
// credentials; request copies stay in the test's folder; the agency is closed ports.

#include "app/ControlSettings.h"
#include "assessment/AgencyTrace.h"
#include "assessment/CreditReportRetrieval.h"
#include "common/PrivateFiles.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace autovelt::test {

// Points the temporary folder into the installation, so request copies go with it.
class InstallationTempFolder {
public:
    explicit InstallationTempFolder(const TestInstallation& inst) : saved_(qgetenv("TMPDIR")) {
        MakePrivateFolder(inst.path(QStringLiteral("tmp")));
        qputenv("TMPDIR", inst.path(QStringLiteral("tmp")).toUtf8());
    }
    ~InstallationTempFolder() { saved_.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved_); }

private:
    QByteArray saved_;
};

class CreditReportFixture : public ::testing::Test {
protected:
    TestInstallation inst;
    InstallationTempFolder temp{inst};
    static constexpr long kMember = 4711;
    static inline const QString kNs = QStringLiteral("urn:agency.example/soap:callreport7");
    QString ns() { return im().config.agency.callReport7Namespace; }

    Importer& im() { return inst.importer(); }

    virtual void pointAgencyService() {
        AgencyService& service = im().config.agency;
        service.callReportLiveHost = QStringLiteral("127.0.0.1:1");
        service.callReportTestHost = QStringLiteral("127.0.0.1:2");
        service.callReport7Namespace = kNs;
        service.connectTimeoutSeconds = 2;
        service.timeoutSeconds = 5;
    }

    void SetUp() override {
        pointAgencyService();
        LoadControlSettings(im());
        ASSERT_TRUE(im().connections.TarvMain.isOpen()) << inst.reporter().problems().join('\n').toStdString();
        inst.reporter().clear();
        AgencyCredentials& login = im().settings.agency;
        login.CreditReportCompany = QStringLiteral("RIVERSIDE");
        login.CreditReportUserName = QStringLiteral("riverside01");
        login.CreditReportPassword = QStringLiteral("Agency-Pass-7");
        im().PassDate = QStringLiteral("06/12/26");
        im().app.memberNumber = kMember;
        im().app.field[7] = QStringLiteral("10/06/1970");
        im().app.applicantEmail = QStringLiteral("ann@example.org");
        im().LoanDetails[3] = QStringLiteral("1500");
        im().LoanDetails[4] = QStringLiteral("M");
        im().LoanDetails[5] = QStringLiteral("18");
        addMember();
    }

    void addMember() {
        inst.exec("TarvMain", "INSERT INTO MemberMain (MemberNo, Title, Forename, MidName, Surname, DOB) "
                              "VALUES (4711, 'Mrs.', 'Ann', 'Beth', 'Carter', '1970-06-10')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, PAFFlatnumber, PAFBuildingNumber, PAFStreet1, "
                              "PAFTown, PAFCounty, PAFPostCode, PhoneNumber, MobileNumber, EmailAddress, EffectiveFrom) VALUES "
                              "(4711, 'HOME', 'Flat 2', '14', 'Mill Lane', 'Selly Oak', 'Birmingham', 'B29 6AA', "
                              "'0121 496 0000', '07700900123', 'ann@example.org', '2023-04-01')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, PAFBuildingNumber, PAFStreet1, PAFTown, "
                              "PAFCounty, PAFPostCode, EffectiveFrom) VALUES "
                              "(4711, 'HOMEPREV1', '3', 'Old Road', 'Harborne', 'Birmingham', 'B17 9XX', '2019-08-15')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, PAFBuildingName, PAFStreet1, PAFPostCode, "
                              "EffectiveFrom) VALUES (4711, 'HOMEPREV2', 'Rose Cottage', 'Church Street', 'WR1 1AA', '2015-01-20')");
    }

    void addPolicyRule(const QString& code, const QString& value, const QString& letter = QStringLiteral("R")) {
        inst.exec("TarvAudt", QStringLiteral("INSERT INTO CUPolicyRules VALUES ('%1', 'x', 1, '%2', '%3', 'P')").arg(code, value, letter));
    }

    // The copy of the last request, as staff would open it; empty when none was written.
    QString tracePath() const {
        return QDir(QDir(inst.path(QStringLiteral("tmp"))).filePath(QStringLiteral("autovelt-%1").arg(::getuid())))
            .filePath(QStringLiteral("4711_20261206_cc.xml"));
    }
    QString trace() const {
        QFile f(tracePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QString reportFolder() const { return inst.path(QStringLiteral("scans/CREDITCH/00/00/47/11/")); }

    QStringList problems() { return inst.reporter().problems(); }
    QStringList successes() { return inst.reporter().successes(); }
};

}  // namespace autovelt::test
