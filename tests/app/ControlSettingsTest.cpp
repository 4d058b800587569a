#include "app/ControlSettings.h"
#include "state/StartupSettings.h"
#include "support/OnlineEncoder.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// Every importer log file written so far, in name order.
QStringList logLines(test::TestInstallation& inst, const QString& names = QStringLiteral("autovelt_*.txt")) {
    QDir web(inst.path("web"));
    QStringList lines;
    for (const QString& name : web.entryList({names}, QDir::Files, QDir::Name)) {
        QFile f(web.filePath(name));
        f.open(QIODevice::ReadOnly);
        lines << QString::fromUtf8(f.readAll()).trimmed();
    }
    return lines;
}

class ControlSettingsTest : public ::testing::Test {
protected:
    test::TestInstallation inst;

    void load() { LoadControlSettings(inst.importer()); }
    QStringList problems() { return inst.reporter().problems(); }
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
    // The settings of a running cycle stay.
    inst.exec("TarvMain", "UPDATE Control SET cuname='Changed'");
    load();
    EXPECT_EQ(inst.importer().settings.cuname, "St Marys CU");
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

using Breaker = std::function<void(test::TestInstallation&)>;
Breaker exec(const char* database, const char* statement) {
    return [=](test::TestInstallation& i) { i.exec(database, statement); };
}
Breaker config(const char* ini) {
    return [=](test::TestInstallation& i) { i.appendConfig(QString::fromLatin1(ini)); };
}
Breaker folderInstead(const char* file) {
    return [=](test::TestInstallation& i) {
        QFile::remove(i.path(file));
        QDir().mkpath(i.path(file));
        i.reload();
    };
}

// Each problem that stops the cycle is one line in the list and in its own log file; problems
// in the installation's own files stop it before any database is opened, naming the file or
// the key (%1 stands for the installation folder).
TEST(ControlSettingsStops, EachProblemGivesItsLineAndLogFile) {
    const QString invalid = "Setting %1 in autovelt.ini is not valid: %2";
    const QString emptyFirstLine =
        "The first line of %1/t2sql.ini is empty: it must name the folder of the core banking databases or their SQL Server";
    using Closed = db::Connection Connections::*;
    const struct { Breaker breakIt; QString line; Closed closed; } cases[] = {
        {exec("TarvMain", "DELETE FROM Control"), "No record in Control", nullptr},
        {exec("TarvMain", "DELETE FROM ControlSwitches"), "No record in ControlSwitches", nullptr},
        {exec("TarvMain", "UPDATE ControlSwitches SET webip=''"), "No Web IP in ControlSwitches", nullptr},
        {exec("TarvMain", "UPDATE ControlSwitches SET webun=NULL"), "No Web UN in ControlSwitches", nullptr},
        {exec("TarvMain", "UPDATE ControlSwitches SET WEBPW=''"), "No Web PW in ControlSwitches", nullptr},
        {exec("online", "DROP TABLE table_w"), "Online Database does not have table_w table", nullptr},
        {exec("online", "DROP TABLE table_ad"), "Online Database does not have table_ad table", nullptr},
        {exec("TarvMain", "UPDATE Control SET ScanLocation='/no/such/scans'"),
         "Unable to locate scanned image folder /no/such/scans/ - cannot continue", &Connections::OnlineConnection},
        {config("[encoding]\ndigits = 12"), invalid.arg("[encoding] digits = \"12\"",
         "the ten digits in some order, written twice (20 characters) are needed"), &Connections::TarvMain},
        {config("[online]\nport = notaport"), invalid.arg("[online] port = \"notaport\"", "a whole number from 1 to 65535 is needed"),
         &Connections::TarvMain},
        {config("[online]\ntls = sometimes"), invalid.arg("[online] tls = \"sometimes\"", "one of auto, required, off is needed"),
         &Connections::TarvMain},
        {config("[timing]\nsettle_pauses = maybe"), invalid.arg("[timing] settle_pauses = \"maybe\"", "true or false is needed"),
         &Connections::TarvMain},
        {config("[mail]\nrequire_tls = perhaps"), invalid.arg("[mail] require_tls = \"perhaps\"", "true or false is needed"),
         &Connections::TarvMain},
        {config("[mail]\ndefault_sender = nobody"), invalid.arg("[mail] default_sender = \"nobody\"", "one mail address is needed"),
         &Connections::TarvMain},
        {config("[web]\nhost1_suffix = .3"), invalid.arg("[web] host1_suffix = \".3\"",
         "the last three characters of the web address are needed"), &Connections::TarvMain},
        {config("[encoding]\nmember_code_table = 1234, 2345"), invalid.arg("[encoding] member_code_table = \"1234,2345\"",
         "seven four-digit numbers separated by commas are needed"), &Connections::TarvMain},
        {config("[mail]\nsmtp_pasword = Hunter2"), "Setting [mail] smtp_pasword in autovelt.ini is not known (misspelt?)",
         &Connections::TarvMain},
        {folderInstead("autovelt.ini"), "The configuration file %1/autovelt.ini cannot be read: it is a folder", &Connections::TarvMain},
        {folderInstead("t2sql.ini"), "The settings file %1/t2sql.ini cannot be read: it is a folder", &Connections::TarvMain},
        {[](test::TestInstallation& i) { i.writeFile("t2sql.ini", "\n"); i.reload(); }, emptyFirstLine, &Connections::TarvMain},
        {[](test::TestInstallation& i) { i.writeFile("t2sql.ini", ""); i.reload(); }, emptyFirstLine, &Connections::TarvMain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        test::TestInstallation inst;
        c.breakIt(inst);
        LoadControlSettings(inst.importer());
        const QString line = c.line.contains("%1") ? c.line.arg(inst.home()) : c.line;
        EXPECT_TRUE(inst.importer().SkipImport);
        EXPECT_FALSE(inst.importer().settings.CreditChecksEnabled);
        EXPECT_EQ(inst.reporter().problems(), QStringList{line});
        EXPECT_EQ(logLines(inst), QStringList{line});
        if (c.closed) EXPECT_FALSE((inst.importer().connections.*c.closed).isOpen());
    }
}

TEST_F(ControlSettingsTest, OldCoreBankingBuildsAreRefusedEveryCycle) {
    inst.exec("TarvMain", "ALTER TABLE MemberMain DROP COLUMN JoinChannel");
    inst.exec("TarvTran", "ALTER TABLE LoanAllocation DROP COLUMN BorrowChannel");
    load();
    const QString join = "Please update Tarvonel first to a build of 140119 or newer or revert to an older autovelt.exe";
    const QString borrow = "Please update Tarvonel first to a build of 010219 or newer or revert to an older autovelt.exe";
    EXPECT_TRUE(inst.importer().SkipImport);
    EXPECT_EQ(problems(), (QStringList{join, borrow}));
    EXPECT_EQ(logLines(inst).size(), 2);  // each message keeps its own file, even in the same second
    EXPECT_TRUE(logLines(inst).contains(join) && logLines(inst).contains(borrow));
}

TEST_F(ControlSettingsTest, TableTestMeansUatMode) {
    inst.exec("online", "CREATE TABLE table_test (field_id INTEGER PRIMARY KEY)");
    load();
    EXPECT_TRUE(inst.importer().settings.UATMode);
    EXPECT_EQ(problems(), QStringList{"Table_test found - so operating in UAT mode."});
    EXPECT_FALSE(inst.importer().SkipImport);
}

// A database that cannot be opened or read takes the failure exit, is reported as such
// (never as an old build or a missing table) and shows no password.
TEST(ControlSettingsDatabaseErrors, TakeTheFailureExitWithoutPasswords) {
    const struct { Breaker breakIt; const char* second; } cases[] = {
        {config("[online]\ndatabase = data/missing-online.db"), "(-2147467259)"},
        {[](test::TestInstallation& i) { i.writeFile("data/TarvTran.db", QString(4096, 'x')); },
         "Unable to read the database TarvTran.db: file is not a database"},
        {[](test::TestInstallation& i) { i.writeFile("data/online.db", QString(4096, 'x')); },
         "Unable to read the database online.db: file is not a database"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        test::TestInstallation inst;
        c.breakIt(inst);
        LoadControlSettings(inst.importer());
        const QStringList problems = inst.reporter().problems();
        EXPECT_TRUE(inst.importer().SkipImport);
        ASSERT_EQ(problems.size(), 2) << problems.join("\n").toStdString();
        EXPECT_EQ(problems[0], "Error within connection to databases routine. ");
        EXPECT_TRUE(problems[1].contains(c.second)) << problems[1].toStdString();
        ASSERT_EQ(logLines(inst).size(), 1);
        EXPECT_TRUE(logLines(inst)[0].startsWith("(DB Error) - "));
        for (const QString& line : problems + logLines(inst)) EXPECT_FALSE(line.contains("S3cret-Web-PW"));
    }
}

TEST(ControlSettingsDatabaseErrors, SettingsFileLinesHoldingPasswordsAreNeverEchoed) {
    const struct { const char* line; bool server; } cases[] = {
        {"SQL01|X|sa|S3cret:pw", true}, {"SQL01|X|sa|S3cret\\\\pw", true}, {"C:\\Data|X|sa|S3cret", false}, {"/srv/cu|X|sa|S3cret", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        test::TestInstallation inst;
        inst.writeFile("t2sql.ini", QString::fromLatin1(c.line) + "\n");
        inst.reload();
        const StartupSettings& s = inst.importer().startup;
        EXPECT_EQ(s.chkSQL && s.chkAdmin && s.sqlPW.startsWith("S3cret"), c.server);
        LoadControlSettings(inst.importer());
        EXPECT_TRUE(inst.importer().SkipImport);
        const QStringList shown = inst.reporter().problems() + logLines(inst, "*");
        EXPECT_FALSE(shown.isEmpty());
        for (const QString& line : shown) EXPECT_FALSE(line.contains("S3cret")) << line.toStdString();
    }
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
                      "[agency_test]\nCreditReportUserName = " + encodeOnlineField("test.user", 10) + "\n"
                      "[mail]\nsmtp_password = a,b,c\n");
    EXPECT_EQ(inst.importer().config.smtpPassword, "a,b,c");  // unquoted commas are kept
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

}  // namespace
