#include "app/ControlSettings.h"
#include "support/OnlineEncoder.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ControlSettingsTest : public ::testing::Test {
protected:
    test::TestInstallation inst;

    void load() { LoadControlSettings(inst.importer()); }
    QStringList problems() { return inst.reporter().problems(); }

    // Every importer log file written so far, in name order.
    QStringList logLines() {
        QDir web(inst.path("web"));
        QStringList lines;
        for (const QString& name : web.entryList({"autovelt_*.txt"}, QDir::Files, QDir::Name)) {
            QFile f(web.filePath(name));
            f.open(QIODevice::ReadOnly | QIODevice::Text);
            lines << QString::fromUtf8(f.readAll()).trimmed();
        }
        return lines;
    }

    void expectStopped(const QString& line) {
        EXPECT_TRUE(inst.importer().SkipImport);
        EXPECT_FALSE(inst.importer().settings.CreditChecksEnabled);
        EXPECT_TRUE(problems().contains(line)) << problems().join("\n").toStdString();
        EXPECT_EQ(logLines(), QStringList{line});
    }
};

TEST_F(ControlSettingsTest, LoadsEverySettingFromACompleteInstallation) {
    inst.exec("TarvMain", "UPDATE Control SET cuname='St Mary''s CU', Email='no-at-sign.example'");
    load();
    const CycleSettings& s = inst.importer().settings;
    EXPECT_TRUE(problems().isEmpty()) << problems().join("\n").toStdString();
    EXPECT_FALSE(inst.importer().SkipImport);
    EXPECT_EQ(s.FSARefNo, "213000");
    EXPECT_EQ(s.cuname, "St Marys CU");
    EXPECT_EQ(s.ScanLocation, inst.path("scans") + "/");
    EXPECT_EQ(s.SenderAddress, "donotreply@riverside.example");  // no "@": the default
    EXPECT_EQ(s.WebHost, "web-one.example");                      // webip ends in ".33"
    EXPECT_EQ(s.WebSenderAddress, "donotreply@web-one.example");
    EXPECT_EQ(s.DefaultLoanPayoutMethod, "F");
    EXPECT_TRUE(s.CreateLogs);
    EXPECT_TRUE(s.MixedCase);
    EXPECT_EQ(s.UDFWebmap[1], "1");
    EXPECT_EQ(s.UDFWebmap[3], "0");
    EXPECT_EQ(s.UDFCaption[2], "Branch");
    EXPECT_EQ(s.YearEndDate, QDate(2026, 9, 30));
    EXPECT_FALSE(s.UATMode);
    EXPECT_EQ(s.agency.CreditReportUserName, "UNSET");
    EXPECT_FALSE(s.CreditChecksEnabled);
    EXPECT_TRUE(inst.importer().connections.OnlineConnection.isOpen());
}

TEST_F(ControlSettingsTest, SecondHostAndOverridesFromFiles) {
    inst.exec("TarvMain", "UPDATE ControlSwitches SET webip='10.0.0.34', Rpost=1, RPostEmail='loans@riverside.example|r1.rpost.example'");
    inst.exec("TarvMain", "UPDATE Control SET MixedCase=NULL, ScanLocation='/nowhere'");
    QDir().mkpath(inst.path("other scans"));
    inst.writeFile("scanpath.txt", "  " + inst.path("other scans") + "  \nignored\n");
    load();
    const CycleSettings& s = inst.importer().settings;
    EXPECT_TRUE(problems().isEmpty()) << problems().join("\n").toStdString();
    EXPECT_EQ(s.WebHost, "web-two.example");
    EXPECT_EQ(s.SenderAddress, "loans@riverside.example");
    EXPECT_EQ(s.ScanLocation, inst.path("other scans") + "/");
    EXPECT_TRUE(s.MixedCase);  // Null means mixed case
}

TEST_F(ControlSettingsTest, EachFailureGivesItsProblemLineAndLogFile) {
    const struct { const char* database; const char* statement; const char* line; } cases[] = {
        {"TarvMain", "DELETE FROM Control", "No record in Control"},
        {"TarvMain", "DELETE FROM ControlSwitches", "No record in ControlSwitches"},
        {"TarvMain", "UPDATE ControlSwitches SET webip=''", "No Web IP in ControlSwitches"},
        {"TarvMain", "UPDATE ControlSwitches SET webun=NULL", "No Web UN in ControlSwitches"},
        {"TarvMain", "UPDATE ControlSwitches SET WEBPW=''", "No Web PW in ControlSwitches"},
        {"online", "DROP TABLE table_w", "Online Database does not have table_w table"},
        {"online", "DROP TABLE table_ad", "Online Database does not have table_ad table"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        test::TestInstallation fresh;
        fresh.exec(c.database, c.statement);
        LoadControlSettings(fresh.importer());
        EXPECT_TRUE(fresh.importer().SkipImport);
        EXPECT_EQ(fresh.reporter().problems(), QStringList{c.line});
        QDir web(fresh.path("web"));
        const QStringList files = web.entryList({"autovelt_*.txt"}, QDir::Files);
        ASSERT_EQ(files.size(), 1);
        QFile f(web.filePath(files.first()));
        f.open(QIODevice::ReadOnly);
        EXPECT_EQ(QString::fromUtf8(f.readAll()).trimmed(), c.line);
    }
}

TEST_F(ControlSettingsTest, MissingScannedImagesFolderStopsTheCycle) {
    inst.exec("TarvMain", "UPDATE Control SET ScanLocation='/no/such/scans'");
    load();
    expectStopped("Unable to locate scanned image folder /no/such/scans/ - cannot continue");
    EXPECT_FALSE(inst.importer().connections.OnlineConnection.isOpen());
}

TEST_F(ControlSettingsTest, OldCoreBankingBuildsAreRefusedEveryCycle) {
    inst.exec("TarvMain", "ALTER TABLE MemberMain DROP COLUMN JoinChannel");
    inst.exec("TarvTran", "ALTER TABLE LoanAllocation DROP COLUMN BorrowChannel");
    load();
    const QString join = "Please update Tarvonel first to a build of 140119 or newer or revert to an older autovelt.exe";
    const QString borrow = "Please update Tarvonel first to a build of 010219 or newer or revert to an older autovelt.exe";
    EXPECT_TRUE(inst.importer().SkipImport);
    EXPECT_EQ(problems(), (QStringList{join, borrow}));
    EXPECT_EQ(logLines().size(), 2);  // each message keeps its own file, even in the same second
    EXPECT_TRUE(logLines().contains(join));
    EXPECT_TRUE(logLines().contains(borrow));
}

TEST_F(ControlSettingsTest, TableTestMeansUatMode) {
    inst.exec("online", "CREATE TABLE table_test (field_id INTEGER PRIMARY KEY)");
    load();
    EXPECT_TRUE(inst.importer().settings.UATMode);
    EXPECT_EQ(problems(), QStringList{"Table_test found - so operating in UAT mode."});
    EXPECT_FALSE(inst.importer().SkipImport);
}

TEST_F(ControlSettingsTest, DatabaseErrorsTakeTheFailureExitWithoutPasswords) {
    inst.appendConfig("[online]\ndatabase = data/missing-online.db");
    load();
    EXPECT_TRUE(inst.importer().SkipImport);
    ASSERT_EQ(problems().size(), 2);
    EXPECT_EQ(problems()[0], "Error within connection to databases routine. ");
    EXPECT_TRUE(problems()[1].endsWith("(-2147467259)"));
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines()[0].startsWith("(DB Error) - "));
    for (const QString& line : problems() + logLines()) EXPECT_FALSE(line.contains("S3cret-Web-PW"));
}

TEST_F(ControlSettingsTest, AgencyCredentialsAreDecodedPerCreditUnion) {
    using autovelt::testing::encodeOnlineField;
    inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', 1, 'F')");
    load();
    EXPECT_EQ(inst.importer().settings.agency.CreditReportUserName, "UNSET");  // no set for 213000
    EXPECT_FALSE(inst.importer().settings.CreditChecksEnabled);

    inst.appendConfig("[agency_213000]\nCreditReportCompany = Riverside CU\nCreditReportUserName = " +
                      encodeOnlineField("riverside.api", 7) + "\nCreditReportPassword = \"p,w#1\"\n"
                      "IdentityCheckUserName = " + encodeOnlineField("riverside.cv", 8) + "\n"
                      "IdentityCheckPassword = " + encodeOnlineField("Id-Pass,9", 9) + "\n"
                      "[agency_test]\nCreditReportUserName = " + encodeOnlineField("test.user", 10) + "\n");
    inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR01', 1, 'R')");
    load();
    const AgencyCredentials& a = inst.importer().settings.agency;
    EXPECT_EQ(a.CreditReportCompany, "Riverside CU");
    EXPECT_EQ(a.CreditReportUserName, "riverside.api");
    EXPECT_EQ(a.CreditReportPassword, "p,w#1");  // commas and "#" survive when quoted
    EXPECT_EQ(a.IdentityCheckUserName, "riverside.cv");
    EXPECT_EQ(a.IdentityCheckPassword, "Id-Pass,9");
    EXPECT_TRUE(inst.importer().settings.CreditChecksEnabled);

    test::TestInstallation uat;
    uat.appendConfig("[agency_test]\nCreditReportUserName = " + encodeOnlineField("test.user", 10));
    uat.exec("online", "CREATE TABLE table_test (field_id INTEGER PRIMARY KEY)");
    LoadControlSettings(uat.importer());
    EXPECT_EQ(uat.importer().settings.agency.CreditReportUserName, "test.user");
}

TEST_F(ControlSettingsTest, UnquotedCommasInConfigValuesAreKept) {
    inst.appendConfig("[mail]\nsmtp_password = a,b,c");
    EXPECT_EQ(inst.importer().config.smtpPassword, "a,b,c");
}

TEST_F(ControlSettingsTest, SettingsOfARunningCycleStay) {
    load();
    inst.exec("TarvMain", "UPDATE Control SET cuname='Changed'");
    load();
    EXPECT_EQ(inst.importer().settings.cuname, "Riverside Credit Union");
}

}  // namespace
