#include "app/ControlSettings.h"
#include "support/OnlineEncoder.h"
#include "support/ExpectedDocuments.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ControlSettingsTest : public test::InstallationTest {
protected:
    void load() { LoadControlSettings(inst.importer()); }
};

// The settings a cycle uses, as one text, ending with the profile flags that are on.
QString summary(const CycleSettings& s) {
    QStringList flags;
    for (const CreditUnionProfileFlag& flag : CreditUnionProfileFlags())
        if (s.profile.*flag.flag) flags << flag.key;
    return QStringList{s.FSARefNo, s.cuname, s.ScanLocation, s.SenderAddress, s.WebHost, s.WebSenderAddress, s.DefaultLoanPayoutMethod,
                       QString::number(s.CreateLogs), QString::number(s.MixedCase), s.UDFWebmap[1] + s.UDFWebmap[3], s.UDFCaption[2],
                       s.YearEndDate.toString(Qt::ISODate), QString::number(s.UATMode), s.agency.CreditReportUserName,
                       QString::number(s.CreditChecksEnabled), flags.join(',')}
        .join(" | ");
}

// No "@" in the Control address gives the default sender; webip ending in ".33" is the first host.
TEST_F(ControlSettingsTest, LoadsEverySettingFromACompleteInstallation) {
    inst.exec("TarvMain", "UPDATE Control SET cuname='St Mary''s CU', Email='no-at-sign.example'");
    load();
    EXPECT_TRUE(problems().isEmpty()) << problems().join("\n").toStdString();
    EXPECT_TRUE(!inst.importer().SkipImport && inst.importer().connections.OnlineConnection.isOpen());
    EXPECT_EQ(summary(inst.importer().settings), "213000 | St Marys CU | " + inst.path("scans") + "/ | donotreply@riverside.example | "
              "web-one.example | donotreply@web-one.example | F | 1 | 1 | 10 | Branch | 2026-09-30 | 0 | UNSET | 0 | ");
    inst.exec("TarvMain", "UPDATE Control SET cuname='Changed'");
    load();
    EXPECT_EQ(inst.importer().settings.cuname, "St Marys CU") << "the settings of a running cycle stay";
}

// The second web host, the RPost sender, scanpath.txt over Control, Null meaning mixed case, and the
// registration number's profile with flags turned off and on in autovelt.ini.
TEST_F(ControlSettingsTest, SecondHostAndOverridesFromFiles) {
    inst.exec("TarvMain", "UPDATE ControlSwitches SET webip='10.0.0.34', Rpost=1, RPostEmail='loans@riverside.example|r1.rpost.example'");
    inst.exec("TarvMain", "UPDATE Control SET MixedCase=NULL, ScanLocation='/nowhere', FSARefNo='213258'");
    inst.appendConfig("[profile]\nbank_codes_not_stored = false\nscore_priced_loans = yes\n"
                      "[agency]\nsingle_search_registrations = 213370, 213258");
    QDir().mkpath(inst.path("other scans"));
    inst.writeFile("scanpath.txt", "  " + inst.path("other scans") + "  \nignored\n");
    load();
    EXPECT_EQ(summary(inst.importer().settings) + problems().join("\n"),
              "213258 | Riverside Credit Union | " + inst.path("other scans") + "/ | loans@riverside.example | "
              "web-two.example | donotreply@web-two.example | F | 1 | 1 | 10 | Branch | 2026-09-30 | 0 | UNSET | 0 | "
              "loans_unqueued_without_credit_checks,new_home_address_sets_status_g,loans_paid_to_third_bank_account,"
              "details_file_records_acceptances,score_priced_loans,single_search");
}

using Breaker = std::function<void(test::TestInstallation&)>;
Breaker exec(const char* database, const char* statement) {
    return [=](test::TestInstallation& i) { i.exec(database, statement); };
}
Breaker folderInstead(const char* file) {
    return [=](test::TestInstallation& i) {
        QFile::remove(i.path(file));
        QDir().mkpath(i.path(file));
        i.reload();
    };
}
Breaker config(const QString& ini) {
    return [=](test::TestInstallation& i) { i.appendConfig(ini); };
}
Breaker t2sql(const char* text) {
    return [=](test::TestInstallation& i) {
        i.writeFile("t2sql.ini", text);
        i.reload();
    };
}

// Each problem that stops the cycle is one line in the list and in its own log file; problems in the
// installation's own files (a line naming a .ini) stop it before any database is opened (%1: the folder). A database
// that cannot be opened or read is reported as such (never as an old build or a missing table): the connection line, then
// what failed, which its log file keeps as a database error. No line shows a password a settings file line holds.
TEST(ControlSettingsStops, EachProblemGivesItsLineAndLogFile) {
    const QString emptyFirstLine =
        "The first line of %1/t2sql.ini is empty: it must name the folder of the core banking databases or their SQL Server";
    struct Case { Breaker breakIt; QString line; QString failed = {}; };
    std::vector<Case> cases = {
        {exec("TarvMain", "DELETE FROM Control"), "No record in Control"},
        {exec("TarvMain", "DELETE FROM ControlSwitches"), "No record in ControlSwitches"},
        {exec("TarvMain", "UPDATE ControlSwitches SET webip=''"), "No Web IP in ControlSwitches"},
        {exec("TarvMain", "UPDATE ControlSwitches SET webun=NULL"), "No Web UN in ControlSwitches"},
        {exec("TarvMain", "UPDATE ControlSwitches SET WEBPW=''"), "No Web PW in ControlSwitches"},
        {exec("online", "DROP TABLE table_w"), "Online Database does not have table_w table"},
        {exec("online", "DROP TABLE table_ad"), "Online Database does not have table_ad table"},
        {exec("TarvMain", "UPDATE Control SET ScanLocation='/no/such/scans'"),
         "Unable to locate scanned image folder /no/such/scans/ - cannot continue"},
        {config("[mail]\nsmtp_pasword = Hunter2"), "Setting [mail] smtp_pasword in autovelt.ini is not known (misspelt?)"},
        {config("[profile]\nbirthday_statement = true"), "Setting [profile] birthday_statement in autovelt.ini is not known (misspelt?)"},
        {config("[agency_213000]\nIdentityCheckCompany = RIVER CU"),
         "Setting [agency_213000] IdentityCheckCompany in autovelt.ini is not valid: it is stored encoded, and this value does not "
         "decode to any text (written in plain text?)"},
        {folderInstead("autovelt.ini"), "The configuration file %1/autovelt.ini cannot be read: it is a folder"},
        {folderInstead("t2sql.ini"), "The settings file %1/t2sql.ini cannot be read: it is a folder"},
        {t2sql("\n"), emptyFirstLine}, {t2sql(""), emptyFirstLine},
        {t2sql("/srv/cu|X|sa|S3cret\n"), "The first line of t2sql.ini names a folder but holds \"|\"; write either a folder or "
                                         "server|subset[|user|password]"},
        {config("[online]\ndatabase = data/missing-online.db"), "Error within connection to databases routine. ",
         "Could not find file '%1/data/missing-online.db'. (-2147467259)"},
        {[](test::TestInstallation& i) { i.writeFile("data/TarvTran.db", QString(4096, 'x')); },
         "Error within connection to databases routine. ", "Unable to read the database TarvTran.db: file is not a database (26)"},
    };
    // A setting with a value it cannot take, as the line refusing it: the setting is read back from the line.
    static const QRegularExpression setting(QStringLiteral("^Setting \\[(\\w+)\\] (\\w+) = \"([^\"]*)\" in autovelt.ini"));
    for (const QString& line : test::ExpectedDocument("refused-settings.txt").split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = setting.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        const QString ini = QStringLiteral("[%1]\n%2 = %3").arg(m.captured(1), m.captured(2), m.captured(3));
        cases.push_back({config(ini), line});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        test::TestInstallation inst;
        c.breakIt(inst);
        LoadControlSettings(inst.importer());
        const QString line = c.line.contains("%1") ? c.line.arg(inst.home()) : c.line;
        const QString failed = c.failed.contains("%1") ? c.failed.arg(inst.home()) : c.failed;
        EXPECT_EQ(std::pair(inst.importer().SkipImport, inst.importer().settings.CreditChecksEnabled), std::pair(true, false));
        EXPECT_EQ(inst.reporter().problems() + inst.importerLogs(),
                  failed.isEmpty() ? QStringList(2, line) : (QStringList{line, failed, "(DB Error) - " + failed}));
        EXPECT_FALSE(line.contains(".ini") && inst.importer().connections.TarvMain.isOpen());
        EXPECT_FALSE(line.contains("scanned image") && inst.importer().connections.OnlineConnection.isOpen());
    }
}

// Each message keeps its own log file, even in the same second.
TEST_F(ControlSettingsTest, OldCoreBankingBuildsAreRefusedEveryCycle) {
    inst.exec("TarvMain", "ALTER TABLE MemberMain DROP COLUMN JoinChannel");
    inst.exec("TarvTran", "ALTER TABLE LoanAllocation DROP COLUMN BorrowChannel");
    load();
    const QString line = "Please update Tarvonel first to a build of %1 or newer or revert to an older autovelt.exe";
    QStringList logs = inst.importerLogs();
    logs.sort();
    EXPECT_EQ(std::tuple(inst.importer().SkipImport, problems(), logs),
              std::tuple(true, QStringList{line.arg("140119"), line.arg("010219")}, QStringList{line.arg("010219"), line.arg("140119")}));
}

// A settings file line naming a SQL Server with a password, whatever the server's driver answers, takes the failure exit
// and shows the password nowhere.
TEST(ControlSettingsDatabaseErrors, TakeTheFailureExitWithoutPasswords) {
    test::TestInstallation inst;
    t2sql("SQL01|X|sa|S3cret:pw\n")(inst);
    LoadControlSettings(inst.importer());
    EXPECT_EQ(std::pair(inst.importer().SkipImport, inst.reporter().problems().value(0)),
              std::pair(true, QString("Error within connection to databases routine. ")));
    EXPECT_FALSE((inst.reporter().problems() + inst.importerLogs("*")).join('\n').contains("S3cret"));
}

TEST_F(ControlSettingsTest, AgencyCredentialsAreDecodedPerCreditUnionAndTableTestMeansUatMode) {
    using autovelt::testing::encodeOnlineField;
    inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', 1, 'F')");
    inst.appendConfig("[agency_213000]\nCreditReportCompany = Riverside CU\nCreditReportUserName = " +
                      encodeOnlineField("riverside.api", 7) + "\nCreditReportPassword = \"p,w#1\"\n"
                      "IdentityCheckUserName = " + encodeOnlineField("riverside.cv", 8) + "\n"
                      "IdentityCheckPassword = " + encodeOnlineField("Id-Pass,9", 9) + "\n[mail]\nsmtp_password = a,b,c\n");
    EXPECT_EQ(inst.importer().config.smtpPassword, "a,b,c");  // unquoted commas are kept
    load();
    EXPECT_FALSE(inst.importer().settings.CreditChecksEnabled) << "an active CR10A alone turns no credit checks on";
    inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR01', 1, 'R')");
    inst.reload();
    load();
    const AgencyCredentials& a = inst.importer().settings.agency;  // commas and "#" survive when quoted
    EXPECT_EQ(QStringList({a.CreditReportCompany, a.CreditReportUserName, a.CreditReportPassword, a.IdentityCheckUserName,
                           a.IdentityCheckPassword, QString::number(inst.importer().settings.CreditChecksEnabled)}).join(" | "),
              "Riverside CU | riverside.api | p,w#1 | riverside.cv | Id-Pass,9 | 1");

    test::TestInstallation uat;  // table_test means UAT mode, with the test set of credentials
    uat.appendConfig("[agency_test]\nCreditReportUserName = " + encodeOnlineField("test.user", 10));
    uat.exec("online", "CREATE TABLE table_test (field_id INTEGER PRIMARY KEY)");
    LoadControlSettings(uat.importer());
    EXPECT_EQ(std::tuple(uat.importer().settings.UATMode, uat.importer().SkipImport, uat.reporter().problems(),
                         uat.importer().settings.agency.CreditReportUserName),
              std::tuple(true, false, QStringList{"Table_test found - so operating in UAT mode."}, QString("test.user")));
}

// The online checks of the settings load against a real MariaDB server on loopback. Each case gives
// its first problem line; a failed connection shows no password anywhere.
TEST(OnlineMariaDb, FindsTheOnlineTablesAndGivesEachProblemItsLine) {
    test::TestInstallation inst;
    if (!inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
    LoadControlSettings(inst.importer());
    EXPECT_TRUE(inst.reporter().problems().isEmpty()) << inst.reporter().problems().join("\n").toStdString();
    auto& online = inst.importer().connections.OnlineConnection;
    ASSERT_TRUE(online.isOpen() && online.engine() == db::Engine::MySql);
    EXPECT_TRUE(online.encrypted());  // TLS by default, the server's certificate verified against the test's CA
    // Text literals are quoted by doubling apostrophes only: a backslash must stay a backslash.
    online.execute("INSERT INTO table_w (field_2, field_107) VALUES ('O''Brien\\\\'' ; --', 'N')");
    EXPECT_EQ(online.openRecordset("SELECT field_2 FROM table_w WHERE field_107='N'").text(0), "O'Brien\\\\' ; --");

    const auto sql = [](const QString& statement) { return [=](test::TestInstallation& i) { i.execOnlineMySql(statement); }; };
    const QString connectionError = "Error within connection to databases routine. ";
    const struct { const char* what; Breaker breakIt, repair; QString firstLine; bool skip; } cases[] = {
        {"table_test", sql("CREATE TABLE table_test (field_id INT PRIMARY KEY)"), sql("DROP TABLE table_test"),
         "Table_test found - so operating in UAT mode.", false},
        {"no table_ad", sql("RENAME TABLE table_ad TO table_ad_away"), sql("RENAME TABLE table_ad_away TO table_ad"),
         "Online Database does not have table_ad table", true},
        {"wrong password", exec("TarvMain", "UPDATE ControlSwitches SET WEBPW='Wrong-Secret-77'"), {}, connectionError, true},
        // The server's certificate comes from the test's own CA, which the system's certificates do not hold; a
        // certificate that does not verify is never a reason to go on in clear.
        {"certificate that does not verify", config("[online]\nca_file = /etc/ssl/certs/ca-certificates.crt"), {}, connectionError, true},
        {"certificate that does not verify, tls auto", config("[online]\ntls = auto\nca_file = /etc/ssl/certs/ca-certificates.crt"), {},
         connectionError, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestInstallation fresh;
        ASSERT_TRUE(fresh.useMariaDbOnline());
        c.breakIt(fresh);
        LoadControlSettings(fresh.importer());
        if (c.repair) c.repair(fresh);
        EXPECT_EQ(std::pair(fresh.importer().SkipImport, fresh.importer().settings.UATMode), std::pair(c.skip, !c.skip));
        EXPECT_EQ(fresh.reporter().problems().value(0), c.firstLine);
        EXPECT_FALSE((fresh.reporter().problems() + fresh.importerLogs("*")).join("\n").contains("Wrong-Secret-77"));
    }
}

}  // namespace
