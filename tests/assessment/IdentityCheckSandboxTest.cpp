// The identity check against the agency sandbox over HTTPS: each verdict and downgrade,
// answers without a result, the checks never asked, and a whole import cycle.

#include "assessment/AgencyTrace.h"
#include "assessment/CheckCRRules.h"
#include "assessment/IdentityCheck.h"
#include "common/MemberFolder.h"
#include "common/PrivateFiles.h"
#include "import/ImportPassFixture.h"
#include "state/RecordedResponses.h"
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

// Points the temporary folder into the installation, so request copies go with it.
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

QStringList filesHolding(const QString& folder, const QString& text) {
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8())) found << file.fileName();
    }
    return found;
}

// A new member, John <surname>, with home and bank rows, as the import pass leaves him just
// before the check. One sandbox for the suite: starting the program is the slow part.
class IdentityCheckTest : public ::testing::Test {
public:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    AgencySandbox& sandbox() { return *sandbox_; }

    void SetUp() override {
        sandbox().clearRequests();
        inst.appendConfig(sandbox().iniSection());
        inst.clock().set(QDateTime(QDate(2026, 3, 5), QTime(10, 15, 0)));
        inst.openCoreConnections();
        Importer& im = inst.importer();
        im.SetPassDateToToday();
        im.settings.ScanLocation = inst.path(QStringLiteral("scans")) + QLatin1Char('/');
        im.settings.agency.IdentityCheckCompany = QStringLiteral("RIVERSIDE");
        im.settings.agency.IdentityCheckUserName = QStringLiteral("riverside.cv");
        im.settings.agency.IdentityCheckPassword = kPassword;
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
        inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberMain (MemberNo, MemberStatus, Title, Forename, Surname, DOB) "
                                             "VALUES (1234, 'A', 'Mr', 'John', %1, '1985-04-15')").arg(sqlText(surname)));
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line3, Postcode, MobileNumber, "
                              "EffectiveFrom) VALUES (1234, 'HOME', 1, '12 High Street', 'Leeds', 'LS1 4AB', '07700 900123', "
                              "'2020-02-01')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Code1, Code2) VALUES (1234, 'BANK1', 1, "
                              "'40-11-22', '12345678')");
    }
    // Forgets the member and whatever the last check left, for the next case of a table.
    void startOver(const QString& surname) {
        for (const char* table : {"TarvMain:MemberMain", "TarvMain:MemberAddress", "TarvAudt:WebLog", "TarvID:IDProof"})
            inst.exec(QString(table).section(':', 0, 0), "DELETE FROM " + QString(table).section(':', 1));
        QFile::remove(filedAnswerPath());
        inst.reporter().clear();
        sandbox().clearRequests();
        ApplicationState& a = app();
        a.field[27] = QStringLiteral("P");
        a.field[31].clear();
        a.field[32].clear();
        a.field[33].clear();
        a.decisionSummary.clear();
        a.identityFailed = a.identityFailedOnBank = false;
        addMember(surname);
    }

    void setRule(bool active, const QString& band) {
        inst.exec("TarvAudt", "DELETE FROM CRRules");
        inst.exec("TarvAudt", QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', %1, %2)")
                                  .arg(active ? 1 : 0).arg(sqlText(band)));
    }
    void check() { RunIdentityCheck(inst.importer(), kMember); }

    ApplicationState& app() { return inst.importer().app; }
    QStringList problems() { return inst.reporter().problems(); }
    QStringList webLog() {
        return inst.values("TarvAudt", "SELECT TheActivity || '|' || TheCategory || '|' || TheKeyword FROM WebLog "
                                       "WHERE MemberNo=1234 ORDER BY ID");
    }
    QString idProof() {
        return inst.values("TarvID", "SELECT AddressID || '|' || AddressRef || '|' || AddressDate || '|' || AddressBy || '|' || "
                                     "PhotoID || '|' || PhotoRef || '|' || PhotoDate || '|' || PhotoBy FROM IDProof "
                                     "WHERE MemberNo=1234").join(QLatin1Char('/'));
    }
    QString bankFlag() {
        return inst.scalar("TarvMain", "SELECT YesNo FROM MemberAddress WHERE AddressType='BANK1' AND MemberNo=1234").toString();
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
    QString report() { return (problems() + inst.reporter().successes()).join(QLatin1Char('\n')); }

    TestInstallation inst;
    InstallationTempFolder temp{inst};
    static inline std::unique_ptr<AgencySandbox> sandbox_;
};

QString m(const char* text) { return QString::fromUtf8(text).replace(QLatin1String("N"), QLatin1String("1234")); }

const QString kPassed = QStringLiteral("Member applied to join and eIDV returned PASS status|JOIN|EIDV PASS");
const QString kFailed = QStringLiteral("Member applied to join but eIDV returned FAIL status|JOIN|EIDV FAIL");
const QString kAssumed = QStringLiteral("Member applied to join but eIDV failed so FAIL status assumed|JOIN|EIDV FAIL");

struct Persona {
    const char* surname;
    const char* application;
    const char* result;     // field_31
    const char* score;      // field_32
    const char* downgrade;  // why a pass became a fail; "" for none
    const char* line;       // the problem line of the downgrade
    bool bankFlagCleared = false;
};

TEST_F(IdentityCheckTest, AgencyVerdictsAndTheirDowngrades) {
    const char* const bank = "bank detail anomaly";
    const char* const bankLine = " now a failed ID search due to bank detail anomaly.";
    const Persona personas[] = {
        {"Lee", "", "Pass", "68", "", ""},
        {"Bankclosed", "", "Fail", "68", bank, bankLine, true},
        {"Bankmismatch", "", "Fail", "68", bank, bankLine, true},
        {"Bankinvalid", "", "Fail", "68", bank, bankLine, true},
        {"Bankenhanced", "", "Fail", "68", bank, bankLine, true},
        {"Thinfile", "", "Fail", "61", "insufficient detail", " now a failed ID search due to insufficient detail.  Review report."},
        {"Politic", "V512-API-LIVE", "Pass", "68", "", ""},
        {"Politic", "V535-CU-LIVE", "Fail", "68", "PEP match", " now a failed ID search due to PEP match."},
        {"Sanctioned", "V512-API-LIVE", "Pass", "68", "", ""},
        {"Sanctioned", "V526-CU-LIVE", "Fail", "68", "sanctions match", " now a failed ID search due to sanctions match."},
        {"Idfail", "", "Fail", "43", "", ""},
    };
    for (const Persona& p : personas) {
        SCOPED_TRACE(std::string(p.surname) + " " + p.application);
        startOver(QLatin1String(p.surname));
        inst.importer().settings.agency.IdentityCheckApplication = QLatin1String(p.application);
        check();

        const bool passed = QLatin1String(p.result) == QLatin1String("Pass");
        const bool downgraded = *p.downgrade;
        QStringList expectedProblems, expectedLog;
        if (downgraded) expectedProblems << "Member 1234" + QLatin1String(p.line) + kSuffix;
        if (downgraded) expectedLog << "Member eIDV result changed to FAIL status due to " + QLatin1String(p.downgrade) + "|JOIN|EIDV FAIL";
        if (!passed) expectedProblems << "Member 1234 failed ID search." + kSuffix;
        expectedLog << (passed ? kPassed : kFailed);
        EXPECT_EQ(problems(), expectedProblems);
        EXPECT_EQ(inst.reporter().successes(), passed ? QStringList{"Member 1234 passed ID search." + kSuffix} : QStringList{});
        EXPECT_EQ(webLog(), expectedLog);
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

// What the sandbox received is what was composed; the copy kept on disk is private.
// Born on 31/12/2010: 15 by days but 16 by calendar years, so checked.
TEST_F(IdentityCheckTest, SixteenByCalendarYearsIsCheckedAndTheCopyIsPrivate) {
    addMember(QStringLiteral("Lee"));
    app().field[7] = QStringLiteral("31/12/2010");
    check();
    const QList<AgencyRequest> requests = sandbox().requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, "/callvalidateapi/incomingserver.php");
    EXPECT_EQ(requests[0].soapAction, "");
    QFile trace(traceFolder() + QStringLiteral("/1234_20260305_CV.xml"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(trace.readAll()), requests[0].body + QLatin1Char('\n'));
    EXPECT_FALSE(IsOpenToOthers(trace.fileName()));
    EXPECT_FALSE(IsOpenToOthers(traceFolder()));
    EXPECT_EQ(app().field[31], "Pass") << report().toStdString();
}

TEST_F(IdentityCheckTest, AnswersWithoutAResult) {
    const struct {
        const char* surname;
        const char* band;
        const char* refusal;  // the last problem line, after "Unable to perform ID search-"; "" for none
        bool filed;
        bool noServiceHost = false;
    } cases[] = {
        {"Refused", "F",
         "<Error module=\"Authentication\">Access denied: the account is not enabled for application V512-API-LIVE</Error>", true},
        {"Fatal", "R", "", true},
        {"Emptyanswer", "", "", false},
        {"Garbled", "F", "", true},
        {"Slowpoke", "F", "Error: 28 - ", true},
        {"Lee", "F", "Error: 0 - No host is set for the agency's identity check: [agency] callvalidate_live_host in autovelt.ini",
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.surname);
        startOver(QLatin1String(c.surname));
        setRule(true, QLatin1String(c.band));
        if (c.noServiceHost) inst.importer().config.agency.callValidateLiveHost.clear();
        check();

        EXPECT_EQ(sandbox().requests().isEmpty(), c.noServiceHost);
        const QString band = QLatin1String(c.band).isEmpty() ? QStringLiteral("F") : QLatin1String(c.band);
        const QStringList lines = problems();
        ASSERT_EQ(lines.size(), *c.refusal ? 3 : 2) << report().toStdString();
        EXPECT_EQ(lines.mid(0, 2),
                  (QStringList{m("Member N failed ID search.") + kSuffix, m("Member N unable to perform ID search") + kSuffix}));
        if (*c.refusal) {
            EXPECT_TRUE(lines[2].startsWith("Unable to perform ID search-" + QLatin1String(c.refusal))) << lines[2].toStdString();
            EXPECT_TRUE(lines[2].endsWith(kSuffix));
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

// An agency that refuses the check may quote what it was sent: the refusal reaches the
// report, the password never does. The answer is the one kept for the application.
TEST_F(IdentityCheckTest, RefusalIsReportedWithThePasswordMasked) {
    const struct { const char* answer; const char* refusal; } cases[] = {
        {"<Results><Errors><Error>password %P is not valid</Error></Errors></Results>", "<Error>password ******** is not valid</Error>"},
        {"Error: 401 - refused for riverside.cv/%P", "Error: 401 - refused for riverside.cv/********"},
        {"<Errors>%P and %P</Errors>", "******** and ********"},
    };
    int n = 0;
    for (const auto& c : cases) {
        startOver(QStringLiteral("Lee"));
        app().identityKey = QStringLiteral("41-refusal-%1").arg(++n);
        inst.importer().recordedResponses().remember(app().identityKey, QStringLiteral("CallValidate 1234"),
                                                     QString::fromLatin1(c.answer).replace("%P", kPassword).toUtf8());
        check();
        EXPECT_TRUE(sandbox().requests().isEmpty());
        ASSERT_FALSE(problems().isEmpty());
        EXPECT_EQ(problems().last(), "Unable to perform ID search-" + QLatin1String(c.refusal) + kSuffix);
        EXPECT_FALSE(report().contains(kPassword));
        EXPECT_EQ(app().field[27], "F");
    }
}

// A loan applicant who joins in the same run is checked when the credit rules reach CR10A,
// with that rule's band (a refer band lowers the decision to refer only); an IDProof row
// already held is brought up to date.
TEST_F(IdentityCheckTest, CreditRulesRunTheCheckWithTheirBand) {
    addMember(QStringLiteral("Idfail"));
    setRule(true, QStringLiteral("R"));
    inst.exec("TarvID", "INSERT INTO IDProof (MemberNo, AddressID, PhotoID) VALUES (1234, 'old', 'old')");
    app().field[110] = QStringLiteral("1");
    app().decisionSummary = QStringList{QStringLiteral("1234|CR05A|0-3|1|P|")};
    CheckCRRules(inst.importer(), Currency::fromText(QStringLiteral("1000")));
    EXPECT_EQ(sandbox().requests().size(), 1);
    EXPECT_EQ(app().field[27], "R");
    EXPECT_EQ(app().decisionSummary, (QStringList{"1234|CR05A|0-3|1|P|", m("N|CR10A|P-P|F|R|")}));
    EXPECT_EQ(idProof(), "TU IDV-Fail Score [43]|" + app().field[33] + "|2026-03-05|VELT||" + "|2026-03-05|VELT");
    EXPECT_EQ(inst.reporter().successes().last(), "Overall initial rating for loan=REFER for member 1234");
}

// The check's own error exit: one line naming the error, nothing thrown to the pass.
TEST_F(IdentityCheckTest, ErrorsEndTheCheckWithOneLine) {
    addMember(QStringLiteral("Lee"));
    app().field[7] = QStringLiteral("not a date");
    check();
    EXPECT_EQ(problems(), QStringList{"Error 13 (Type mismatch) in procedure RunIdentityCheck" + kSuffix});
    EXPECT_EQ(sandbox().requests().size(), 0);

    inst.reporter().clear();
    app().field[7] = QStringLiteral("15/04/1985");
    inst.exec("TarvID", "DROP TABLE IDProof");
    check();
    ASSERT_EQ(problems().size(), 1);
    EXPECT_TRUE(problems()[0].startsWith("Error ")) << report().toStdString();
    EXPECT_TRUE(problems()[0].endsWith(") in procedure RunIdentityCheck" + kSuffix)) << report().toStdString();
    EXPECT_EQ(app().field[31], "");
}

TEST_F(IdentityCheckTest, NoRequestWhenNoCheckIsDue) {
    const struct {
        const char* name;
        std::function<void(IdentityCheckTest&)> arrange;
        const char* status;
        const char* reference;
        QStringList problems;
    } cases[] = {
        {"15 by calendar years", [](IdentityCheckTest& t) { t.app().field[7] = QStringLiteral("01/01/2011"); }, "PASS", "N/A", {}},
        {"inactive CR10A", [](IdentityCheckTest& t) { t.setRule(false, QStringLiteral("F")); }, "", "", {}},
        {"no CR10A", [](IdentityCheckTest& t) { t.inst.exec("TarvAudt", "DELETE FROM CRRules"); }, "", "", {}},
        {"code 4", [](IdentityCheckTest& t) { t.app().field[110] = QStringLiteral("4"); }, "", "", {}},
        {"no user name", [](IdentityCheckTest& t) { t.inst.importer().settings.agency.IdentityCheckUserName.clear(); }, "", "", {}},
        {"no home address", [](IdentityCheckTest& t) { t.inst.exec("TarvMain", "DELETE FROM MemberAddress"); }, "", "",
         {m("Member N failed ID search due to no address.") + kSuffix}},
    };
    for (const auto& c : cases) {
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
        EXPECT_EQ(problems(), c.problems);
        EXPECT_EQ(sandbox().requests().size(), 0);
    }
}

// A new member asking only to join, through a whole cycle of the importer.
class IdentityCheckImportTest : public ImportPassTest {
protected:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    static inline std::unique_ptr<AgencySandbox> sandbox_;
};

TEST_F(IdentityCheckImportTest, NewJoinOnlyMemberIsChecked) {
    using testing::encodeOnlineField;
    const OnlineCodeTables& tables = testing::kMarkedCodeTables;
    InstallationTempFolder temp(inst);
    inst.appendConfig(sandbox_->iniSection() + "\n[agency_213000]\nIdentityCheckCompany = " +
                      encodeOnlineField("RIVERSIDE", 3, testing::SymbolUse::Some, tables) + "\nIdentityCheckUserName = " +
                      encodeOnlineField("riverside.cv", 4, testing::SymbolUse::Some, tables) + "\nIdentityCheckPassword = \"" +
                      encodeOnlineField(kPassword, 5, testing::SymbolUse::Some, tables) + "\"\n");
    inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', 1, 'F')");
    testing::WebApplication web = testing::WebApplication::joinOnly(41);
    testing::WebAddress bank;
    bank.type = QStringLiteral("BANK1");
    bank.sortCode = QStringLiteral("40-11-22");
    bank.account = QStringLiteral("12345678");
    web.addresses << bank;
    add(web);
    runCycle();

    ASSERT_EQ(sandbox_->requests().size(), 1) << report();
    EXPECT_TRUE(successes().contains("Member 1 passed ID search." + suffix(41))) << report();
    EXPECT_EQ(webLog(1).mid(0, 1), QStringList{"Member applied to join and eIDV returned PASS status|JOIN|EIDV PASS"});
    EXPECT_EQ(column("TarvID", "IDProof", "AddressID", "MemberNo=1"), "TU IDV-Pass Score [68]");
    EXPECT_EQ(importedFlag(41), "Y");
    QStringList identityLines;
    for (const QString& name : filesIn(QStringLiteral("scans/MEMBERID/00/00/00")))
        if (name.contains(QLatin1String("J+B_App_"))) {
            QFile details(inst.path(QStringLiteral("scans/MEMBERID/00/00/00/") + name));
            if (!details.open(QIODevice::ReadOnly)) continue;
            for (const QString& line : QString::fromUtf8(details.readAll()).split(QLatin1Char('\n')))
                if (line.startsWith(QLatin1String("IDV "))) identityLines << line;
        }
    const QString ref = column("TarvID", "IDProof", "AddressRef", "MemberNo=1");
    EXPECT_EQ(identityLines, (QStringList{"IDV band : Pass", "IDV score : 68", "IDV ref : " + ref}));
    EXPECT_EQ(ref.size(), 30);
    // No agency password anywhere after the run.
    for (const QString& folder : {inst.home(), AgencyTraceFolder(im())}) EXPECT_EQ(filesHolding(folder, kPassword), QStringList{});
    EXPECT_FALSE(QString::fromStdString(report()).contains(kPassword));
}

}  // namespace
}  // namespace autovelt::test
