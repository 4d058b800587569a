#include "assessment/AgencyTrace.h"
#include "assessment/CheckCRRules.h"
#include "assessment/IdentityCheck.h"
#include "common/MemberFolder.h"
#include "common/PrivateFiles.h"
#include "import/ImportPassFixture.h"
#include "support/AgencySandbox.h"
#include "support/OnlineEncoder.h"
#include "support/TestInstallation.h"

#include <QDirIterator>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace autovelt::test {
namespace {

constexpr long kMember = 1234;
const QString kSuffix = QStringLiteral(" (table_w field_id=41)");
const QString kPassword = QStringLiteral("Sandbox-Pass-42");
const QDateTime kNow(QDate(2026, 3, 5), QTime(10, 15, 0));

// Points the temporary folder into the installation while a test runs, so the request
// copies a test leaves are removed with it.
class InstallationTempFolder {
public:
    explicit InstallationTempFolder(const TestInstallation& inst) : saved_(qgetenv("TMPDIR")) {
        MakePrivateFolder(inst.path(QStringLiteral("tmp")));
        qputenv("TMPDIR", inst.path(QStringLiteral("tmp")).toUtf8());
    }
    ~InstallationTempFolder() {
        if (saved_.isNull()) qunsetenv("TMPDIR");
        else qputenv("TMPDIR", saved_);
    }

private:
    QByteArray saved_;
};

// Every file under the folder whose content holds the text.
QStringList filesHolding(const QString& folder, const QString& text) {
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8())) found << file.fileName();
    }
    return found;
}

// One sandbox for the whole suite: starting the program is the slow part.
class SandboxSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    AgencySandbox& sandbox() { return *sandbox_; }
    void SetUp() override { sandbox().clearRequests(); }

    static std::unique_ptr<AgencySandbox> sandbox_;
};
std::unique_ptr<AgencySandbox> SandboxSuite::sandbox_;

// A new member, John <surname>, with home and bank rows, as the import pass leaves him
// just before the check.
class IdentityCheckTest : public SandboxSuite {
public:
    void SetUp() override {
        SandboxSuite::SetUp();
        inst.appendConfig(sandbox().iniSection());
        inst.clock().set(kNow);
        inst.openCoreConnections();
        Importer& im = inst.importer();
        im.SetPassDateToToday();
        im.settings.ScanLocation = inst.path(QStringLiteral("scans")) + QLatin1Char('/');
        AgencyCredentials& a = im.settings.agency;
        a.IdentityCheckCompany = QStringLiteral("RIVERSIDE");
        a.IdentityCheckUserName = QStringLiteral("riverside.cv");
        a.IdentityCheckPassword = kPassword;
        ApplicationState& app = im.app;
        app.fieldId = QStringLiteral("41");
        app.messageSuffix = kSuffix;
        app.memberNumber = app.newMemberNumber = kMember;
        app.field[7] = QStringLiteral("15/04/1985");
        app.field[27] = QStringLiteral("P");
        app.field[110] = QStringLiteral("2");
        app.applicantEmail = QStringLiteral("john@example.com");
        app.sortCode = QStringLiteral("40-11-22");
        app.accountNumber = QStringLiteral("12345678");
        setRule(true, QStringLiteral("F"));
    }

    void addMember(const QString& surname) {
        inst.exec(QStringLiteral("TarvMain"),
                  QStringLiteral("INSERT INTO MemberMain (MemberNo, MemberStatus, Title, Forename, Surname, DOB) "
                                 "VALUES (%1, 'A', 'Mr', 'John', %2, '1985-04-15')").arg(kMember).arg(sqlText(surname)));
        inst.exec(QStringLiteral("TarvMain"),
                  QStringLiteral("INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line3, Postcode, "
                                 "MobileNumber, EffectiveFrom) VALUES (%1, 'HOME', 1, '12 High Street', 'Leeds', "
                                 "'LS1 4AB', '07700 900123', '2020-02-01')").arg(kMember));
        inst.exec(QStringLiteral("TarvMain"),
                  QStringLiteral("INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Code1, Code2) "
                                 "VALUES (%1, 'BANK1', 1, '40-11-22', '12345678')").arg(kMember));
    }
    // Forgets the member and whatever the last check left, for the next case of a table.
    void startOver(const QString& surname) {
        for (const char* const* t : {kTables[0], kTables[1], kTables[2], kTables[3]})
            inst.exec(QLatin1String(t[0]), QStringLiteral("DELETE FROM ") + QLatin1String(t[1]));
        QFile::remove(filedAnswerPath());
        inst.reporter().clear();
        ApplicationState& a = app();
        a.field[27] = QStringLiteral("P");
        a.field[31].clear();
        a.field[32].clear();
        a.field[33].clear();
        a.decisionSummary.clear();
        a.identityFailed = a.identityFailedOnBank = false;
        addMember(surname);
    }
    static constexpr const char* kTables[4][2] = {
        {"TarvMain", "MemberMain"}, {"TarvMain", "MemberAddress"}, {"TarvAudt", "WebLog"}, {"TarvID", "IDProof"}};

    void setRule(bool active, const QString& band) {
        inst.exec(QStringLiteral("TarvAudt"), QStringLiteral("DELETE FROM CRRules"));
        inst.exec(QStringLiteral("TarvAudt"), QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) "
                                                             "VALUES ('CR10A', %1, %2)").arg(active ? 1 : 0).arg(sqlText(band)));
    }
    void check() { RunIdentityCheck(inst.importer(), kMember); }

    ApplicationState& app() { return inst.importer().app; }
    QStringList webLog() {
        return inst.values(QStringLiteral("TarvAudt"),
                           QStringLiteral("SELECT TheActivity || '|' || TheCategory || '|' || TheKeyword FROM WebLog "
                                          "WHERE MemberNo=%1 ORDER BY ID").arg(kMember));
    }
    QString idProof() {
        return inst.values(QStringLiteral("TarvID"),
                           QStringLiteral("SELECT AddressID || '|' || AddressRef || '|' || AddressDate || '|' || AddressBy || '|' || "
                                          "PhotoID || '|' || PhotoRef || '|' || PhotoDate || '|' || PhotoBy FROM IDProof "
                                          "WHERE MemberNo=%1").arg(kMember)).join(QLatin1Char('/'));
    }
    QString bankFlag() {
        return inst.scalar(QStringLiteral("TarvMain"),
                           QStringLiteral("SELECT YesNo FROM MemberAddress WHERE AddressType='BANK1' AND MemberNo=%1").arg(kMember)).toString();
    }
    QString filedAnswerPath() {
        return MemberFolderPath(inst.importer().settings.ScanLocation, QStringLiteral("MEMBERID"), kMember) +
               QStringLiteral("AccountOpenSearch-20260305.xml");
    }
    QString filedAnswer() {
        QFile file(filedAnswerPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString traceFolder() { return AgencyTraceFolder(inst.importer()); }
    QString tracePath() { return traceFolder() + QStringLiteral("/1234_20260305_CV.xml"); }
    QString report() { return (inst.reporter().problems() + inst.reporter().successes()).join(QLatin1Char('\n')); }

    TestInstallation inst;
    InstallationTempFolder temp{inst};
};

QString m(const char* text) { return QString::fromUtf8(text).replace(QLatin1String("N"), QLatin1String("1234")); }

const QString kPassed = QStringLiteral("Member applied to join and eIDV returned PASS status|JOIN|EIDV PASS");
const QString kFailed = QStringLiteral("Member applied to join but eIDV returned FAIL status|JOIN|EIDV FAIL");
const QString kAssumed = QStringLiteral("Member applied to join but eIDV failed so FAIL status assumed|JOIN|EIDV FAIL");
QString changed(const char* why) {
    return QStringLiteral("Member eIDV result changed to FAIL status due to ") + QLatin1String(why) + QStringLiteral("|JOIN|EIDV FAIL");
}

struct Persona {
    const char* surname;
    const char* application;
    const char* result;  // field_31
    const char* score;   // field_32
    QStringList problems;
    QStringList webLog;
    bool bankFlagCleared = false;
};

TEST_F(IdentityCheckTest, AgencyVerdictsAndTheirDowngrades) {
    const QString bankLine = m("Member N now a failed ID search due to bank detail anomaly.");
    const QString failLine = m("Member N failed ID search.");
    const Persona personas[] = {
        {"Lee", "", "Pass", "68", {}, {kPassed}},
        {"Bankclosed", "", "Fail", "68", {bankLine, failLine}, {changed("bank detail anomaly"), kFailed}, true},
        {"Bankmismatch", "", "Fail", "68", {bankLine, failLine}, {changed("bank detail anomaly"), kFailed}, true},
        {"Bankinvalid", "", "Fail", "68", {bankLine, failLine}, {changed("bank detail anomaly"), kFailed}, true},
        {"Bankenhanced", "", "Fail", "68", {bankLine, failLine}, {changed("bank detail anomaly"), kFailed}, true},
        {"Thinfile", "", "Fail", "61",
         {m("Member N now a failed ID search due to insufficient detail.  Review report."), failLine},
         {changed("insufficient detail"), kFailed}},
        {"Politic", "V512-API-LIVE", "Pass", "68", {}, {kPassed}},
        {"Politic", "V535-CU-LIVE", "Fail", "68", {m("Member N now a failed ID search due to PEP match."), failLine},
         {changed("PEP match"), kFailed}},
        {"Sanctioned", "V512-API-LIVE", "Pass", "68", {}, {kPassed}},
        {"Sanctioned", "V526-CU-LIVE", "Fail", "68", {m("Member N now a failed ID search due to sanctions match."), failLine},
         {changed("sanctions match"), kFailed}},
        {"Idfail", "", "Fail", "43", {failLine}, {kFailed}},
    };
    for (const Persona& p : personas) {
        SCOPED_TRACE(std::string(p.surname) + " " + p.application);
        startOver(QLatin1String(p.surname));
        inst.importer().settings.agency.IdentityCheckApplication = QLatin1String(p.application);
        check();

        const bool passed = QLatin1String(p.result) == QLatin1String("Pass");
        QStringList problems;
        for (const QString& line : p.problems) problems << line + kSuffix;
        EXPECT_EQ(inst.reporter().problems(), problems);
        EXPECT_EQ(inst.reporter().successes(), passed ? QStringList{m("Member N passed ID search.") + kSuffix} : QStringList{});
        EXPECT_EQ(webLog(), p.webLog);
        EXPECT_EQ(app().decisionSummary, QStringList{passed ? m("N|CR10A|P-P|P|P|") : m("N|CR10A|P-P|F|F|")});
        EXPECT_EQ(app().field[27], passed ? "P" : "F");
        EXPECT_EQ(app().field[31], QLatin1String(p.result));
        EXPECT_EQ(app().field[32], QLatin1String(p.score));
        EXPECT_EQ(app().field[33].size(), 30);
        const QString id = QStringLiteral("TU IDV-%1 Score [%2]").arg(QLatin1String(p.result), QLatin1String(p.score));
        const QString ref = app().field[33];
        EXPECT_EQ(idProof(), id + '|' + ref + "|2026-03-05|VELT|" + (passed ? id + '|' + ref : QStringLiteral("|")) +
                                 "|2026-03-05|VELT");
        EXPECT_EQ(bankFlag(), p.bankFlagCleared ? "0" : "1");
        EXPECT_EQ(app().identityFailedOnBank, p.bankFlagCleared);
        EXPECT_TRUE(filedAnswer().startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?><?xml-stylesheet type=\"text/xsl\" "
                                             "href=\"CallValidate535.xslt\"?><Results"));
        EXPECT_TRUE(filedAnswer().contains("PID=\"" + ref + '"'));
    }
}

// What the sandbox received is exactly what was composed, and the copy kept on disk is
// private and hides the password.
TEST_F(IdentityCheckTest, RequestReachesTheAgencyAndItsCopyIsPrivate) {
    addMember(QStringLiteral("O'Hara & <Sons>"));
    app().field[7] = QStringLiteral("31/12/2010");  // 15, but 16 by calendar years: checked
    check();
    const QList<AgencyRequest> requests = sandbox().requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, "/callvalidateapi/incomingserver.php");
    EXPECT_EQ(requests[0].soapAction, "");
    EXPECT_TRUE(requests[0].body.contains("<Surname>O&apos;Hara &amp; &lt;Sons&gt;</Surname>"));
    QFile trace(tracePath());
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(trace.readAll()), requests[0].body + QLatin1Char('\n'));
    EXPECT_FALSE(IsOpenToOthers(tracePath()));
    EXPECT_FALSE(IsOpenToOthers(traceFolder()));
    EXPECT_EQ(app().field[31], "Pass") << report().toStdString();
    for (const QString& folder : {inst.home(), traceFolder()}) EXPECT_EQ(filesHolding(folder, kPassword), QStringList{});
    EXPECT_FALSE(report().contains(kPassword));
}

struct Unanswered {
    const char* surname;
    const char* band;
    const char* refusal;  // the last problem line, after "Unable to perform ID search-"; "" for none
    bool filed;
    bool noServiceHost = false;  // the installation names no host for the service
};

TEST_F(IdentityCheckTest, AnswersWithoutAResult) {
    const Unanswered cases[] = {
        {"Refused", "F",
         "<Error module=\"Authentication\">Access denied: the account is not enabled for application V512-API-LIVE</Error>", true},
        {"Fatal", "R", "", true},
        {"Emptyanswer", "", "", false},
        {"Garbled", "F", "", true},
        {"Slowpoke", "F", "Error: 28 - ", true},
        {"Lee", "F", "Error: 0 - No host is set for the agency's identity check: [agency] callvalidate_live_host in autovelt.ini",
         true, true},
    };
    for (const Unanswered& c : cases) {
        SCOPED_TRACE(c.surname);
        startOver(QLatin1String(c.surname));
        setRule(true, QLatin1String(c.band));
        if (c.noServiceHost) inst.importer().config.agency.callValidateLiveHost.clear();
        sandbox().clearRequests();
        check();

        EXPECT_EQ(sandbox().requests().isEmpty(), c.noServiceHost);
        const QString band = QLatin1String(c.band).isEmpty() ? QStringLiteral("F") : QLatin1String(c.band);
        QStringList problems = inst.reporter().problems();
        ASSERT_GE(problems.size(), 2);
        EXPECT_EQ(problems.mid(0, 2), (QStringList{m("Member N failed ID search.") + kSuffix,
                                                   m("Member N unable to perform ID search") + kSuffix}));
        if (*c.refusal) {
            ASSERT_EQ(problems.size(), 3);
            EXPECT_TRUE(problems[2].startsWith("Unable to perform ID search-" + QLatin1String(c.refusal))) << problems[2].toStdString();
            EXPECT_TRUE(problems[2].endsWith(kSuffix));
        } else {
            EXPECT_EQ(problems.size(), 2);
        }
        EXPECT_EQ(webLog(), (QStringList{kFailed, kAssumed}));
        EXPECT_EQ(app().decisionSummary, (QStringList{m("N|CR10A|P-P|F|") + band + '|', m("N|CR10A|P-P|F|F|")}));
        EXPECT_EQ(app().field[27], "F");
        EXPECT_TRUE(app().identityFailed);
        EXPECT_EQ(app().field[31], "");
        EXPECT_EQ(idProof(), "");
        EXPECT_EQ(QFile::exists(filedAnswerPath()), c.filed);
    }
}

// A loan applicant who joins in the same run is checked when the credit rules reach CR10A,
// with that rule's band (a refer band lowers the decision to refer only); an IDProof row
// already held is brought up to date.
TEST_F(IdentityCheckTest, CreditRulesRunTheCheckWithTheirBand) {
    addMember(QStringLiteral("Idfail"));
    setRule(true, QStringLiteral("R"));
    inst.exec(QStringLiteral("TarvID"), QStringLiteral("INSERT INTO IDProof (MemberNo, AddressID, PhotoID) VALUES (1234, 'old', 'old')"));
    app().field[110] = QStringLiteral("1");
    app().decisionSummary = QStringList{QStringLiteral("1234|CR05A|0-3|1|P|")};
    CheckCRRules(inst.importer(), Currency::fromText(QStringLiteral("1000")));
    EXPECT_EQ(sandbox().requests().size(), 1);
    EXPECT_EQ(app().field[27], "R");
    EXPECT_EQ(app().decisionSummary, (QStringList{"1234|CR05A|0-3|1|P|", m("N|CR10A|P-P|F|R|")}));
    EXPECT_EQ(idProof(), "TU IDV-Fail Score [43]|" + app().field[33] + "|2026-03-05|VELT||" + "|2026-03-05|VELT");
    EXPECT_EQ(inst.reporter().successes().last(), "Overall initial rating for loan=REFER for member 1234");
}

// The check's own error exit: one line naming the error and the application, nothing
// thrown to the pass; what was not reached stays unwritten.
TEST_F(IdentityCheckTest, ErrorsEndTheCheckWithOneLine) {
    addMember(QStringLiteral("Lee"));
    app().field[7] = QStringLiteral("not a date");
    check();
    EXPECT_EQ(inst.reporter().problems(), QStringList{"Error 13 (Type mismatch) in procedure RunIdentityCheck" + kSuffix});
    EXPECT_EQ(sandbox().requests().size(), 0);

    inst.reporter().clear();
    app().field[7] = QStringLiteral("15/04/1985");
    inst.exec(QStringLiteral("TarvID"), QStringLiteral("DROP TABLE IDProof"));
    check();
    ASSERT_EQ(inst.reporter().problems().size(), 1);
    EXPECT_TRUE(inst.reporter().problems()[0].startsWith("Error ")) << report().toStdString();
    EXPECT_TRUE(inst.reporter().problems()[0].endsWith(") in procedure RunIdentityCheck" + kSuffix)) << report().toStdString();
    EXPECT_EQ(app().field[31], "");
}

// Checks that are never asked of the agency.
TEST_F(IdentityCheckTest, NoRequestWhenNoCheckIsDue) {
    struct Case {
        const char* name;
        std::function<void(IdentityCheckTest&)> arrange;
        const char* status;
        const char* reference;
        QStringList problems;
    } cases[] = {
        {"15 by calendar years", [](IdentityCheckTest& t) { t.app().field[7] = QStringLiteral("01/01/2011"); }, "PASS", "N/A", {}},
        {"inactive CR10A", [](IdentityCheckTest& t) { t.setRule(false, QStringLiteral("F")); }, "", "", {}},
        {"no CR10A", [](IdentityCheckTest& t) { t.inst.exec(QStringLiteral("TarvAudt"), QStringLiteral("DELETE FROM CRRules")); }, "", "", {}},
        {"code 4", [](IdentityCheckTest& t) { t.app().field[110] = QStringLiteral("4"); }, "", "", {}},
        {"no user name", [](IdentityCheckTest& t) { t.inst.importer().settings.agency.IdentityCheckUserName.clear(); }, "", "", {}},
        {"no home address",
         [](IdentityCheckTest& t) { t.inst.exec(QStringLiteral("TarvMain"), QStringLiteral("DELETE FROM MemberAddress")); }, "", "",
         {m("Member N failed ID search due to no address.") + kSuffix}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver(QStringLiteral("Lee"));
        setRule(true, QStringLiteral("F"));
        app().field[7] = QStringLiteral("01/01/2010");  // 16 by calendar years on 5 March 2026
        app().field[110] = QStringLiteral("2");
        inst.importer().settings.agency.IdentityCheckUserName = QStringLiteral("riverside.cv");
        c.arrange(*this);
        check();
        EXPECT_EQ(app().field[31], QLatin1String(c.status));
        EXPECT_EQ(app().field[33], QLatin1String(c.reference));
        EXPECT_EQ(inst.reporter().problems(), c.problems);
        EXPECT_EQ(sandbox().requests().size(), 0);
    }
}

// A new member asking only to join, through a whole cycle of the importer.
class IdentityCheckImportTest : public ImportPassTest {
protected:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    static std::unique_ptr<AgencySandbox> sandbox_;
};
std::unique_ptr<AgencySandbox> IdentityCheckImportTest::sandbox_;

TEST_F(IdentityCheckImportTest, NewJoinOnlyMemberIsChecked) {
    using testing::encodeOnlineField;
    const OnlineCodeTables& tables = testing::kMarkedCodeTables;
    InstallationTempFolder temp(inst);
    inst.appendConfig(sandbox_->iniSection() + "\n[agency_213000]\nIdentityCheckCompany = " +
                      encodeOnlineField("RIVERSIDE", 3, testing::SymbolUse::Some, tables) + "\nIdentityCheckUserName = " +
                      encodeOnlineField("riverside.cv", 4, testing::SymbolUse::Some, tables) + "\nIdentityCheckPassword = \"" +
                      encodeOnlineField(kPassword, 5, testing::SymbolUse::Some, tables) + "\"\n");
    inst.exec(QStringLiteral("TarvAudt"), QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', 1, 'F')"));
    testing::WebApplication web = testing::WebApplication::joinOnly(41);
    testing::WebAddress bank;
    bank.type = QStringLiteral("BANK1");
    bank.sortCode = QStringLiteral("40-11-22");
    bank.account = QStringLiteral("12345678");
    web.addresses << bank;
    add(web);
    runCycle();

    ASSERT_EQ(sandbox_->requests().size(), 1) << report();
    const long member = 1;
    EXPECT_TRUE(successes().contains("Member 1 passed ID search." + suffix(41))) << report();
    EXPECT_EQ(webLog(member).mid(0, 1), QStringList{"Member applied to join and eIDV returned PASS status|JOIN|EIDV PASS"});
    const QString proof = column(QStringLiteral("TarvID"), QStringLiteral("IDProof"), QStringLiteral("AddressID"),
                                 QStringLiteral("MemberNo=1"));
    EXPECT_EQ(proof, "TU IDV-Pass Score [68]");
    EXPECT_EQ(importedFlag(41), "Y");
    QStringList identityLines;
    for (const QString& name : filesIn(QStringLiteral("scans/MEMBERID/00/00/00")))
        if (name.contains(QLatin1String("J+B_App_"))) {
            QFile details(inst.path(QStringLiteral("scans/MEMBERID/00/00/00/") + name));
            if (!details.open(QIODevice::ReadOnly)) continue;
            for (const QString& line : QString::fromUtf8(details.readAll()).split(QLatin1Char('\n')))
                if (line.startsWith(QLatin1String("IDV "))) identityLines << line;
        }
    const QString ref = column(QStringLiteral("TarvID"), QStringLiteral("IDProof"), QStringLiteral("AddressRef"),
                               QStringLiteral("MemberNo=1"));
    EXPECT_EQ(identityLines, (QStringList{"IDV band : Pass", "IDV score : 68", "IDV ref : " + ref}));
    EXPECT_EQ(ref.size(), 30);
    for (const QString& folder : {inst.home(), AgencyTraceFolder(im())}) EXPECT_EQ(filesHolding(folder, kPassword), QStringList{});
    EXPECT_FALSE(QString::fromStdString(report()).contains(kPassword));
}

}  // namespace
}  // namespace autovelt::test
