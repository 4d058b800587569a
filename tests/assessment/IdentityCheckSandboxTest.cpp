// The identity check against the agency sandbox over HTTPS: each verdict and downgrade,
// answers without a result and the checks never asked (a whole import cycle: JoinAndBorrowJourneyTest).

#include "assessment/AgencyTrace.h"
#include "assessment/CheckCRRules.h"
#include "assessment/IdentityCheck.h"
#include "common/MemberFolder.h"
#include "common/SqlQuote.h"
#include "state/RecordedResponses.h"
#include "support/ExpectedDocuments.h"
#include "support/InstallationTempFolder.h"
#include "support/InstallationTest.h"
#include "support/SuiteAgencySandbox.h"

#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

namespace autovelt::test {
namespace {

constexpr long kMember = 1234;
const QString kSuffix = QStringLiteral(" (table_w field_id=41)");
const QString kPassword = QStringLiteral("Sandbox-Pass-42");

// A new member, John <surname>, with home and bank rows, as the import pass leaves him just
// before the check.
class IdentityCheckTest : public WithSuiteAgencySandbox<InstallationTest> {
public:
    void SetUp() override {
        inst.appendConfig(sandbox().iniSection());
        inst.clock().set(QDateTime(QDate(2026, 3, 5), QTime(10, 15, 0)));
        inst.openCoreConnections();
        Importer& im = inst.importer();
        im.SetPassDateToToday();
        im.settings.ScanLocation = inst.path(QStringLiteral("scans")) + QLatin1Char('/');
        im.settings.agency.IdentityCheckCompany = QStringLiteral("RIVERSIDE");
        im.settings.agency.IdentityCheckPassword = kPassword;
    }

    // Forgets the last member and whatever his check left, and adds John <surname> as a fresh application.
    void startOver(const QString& surname) {
        for (const char* table : {"TarvMain:MemberMain", "TarvMain:MemberAddress", "TarvAudt:WebLog", "TarvID:IDProof"})
            inst.exec(QString(table).section(':', 0, 0), "DELETE FROM " + QString(table).section(':', 1));
        QFile::remove(filedAnswerPath());
        inst.reporter().clear();
        sandbox().clearRequests();
        inst.importer().settings.agency.IdentityCheckUserName = QStringLiteral("riverside.cv");
        setRule(true, QStringLiteral("F"));
        app() = {.memberNumber = kMember, .newMemberNumber = kMember, .addresses = {.applicantEmail = "john@example.com", .sortCode = "40-11-22", .accountNumber = "12345678"}};
        app().fieldId = "41";
        app().messageSuffix = kSuffix;
        app().field[tw::DateOfBirth] = QStringLiteral("31/12/2010");  // 15 by days but 16 by calendar years, so checked
        app().field[tw::ApplicationCode] = QStringLiteral("2");
        app().field[tw::Decision] = QStringLiteral("P");
        inst.addMember({.number = kMember, .surname = surname, .home = false});
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line3, Postcode, MobileNumber, "
                              "EffectiveFrom) VALUES (1234, 'HOME', 1, '12 High Street', 'Leeds', 'LS1 4AB', '07700 900123', "
                              "'2020-02-01')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Code1, Code2) VALUES (1234, 'BANK1', 1, "
                              "'40-11-22', '12345678')");
    }

    void setRule(bool active, const QString& band) {
        inst.exec("TarvAudt", "DELETE FROM CRRules");
        inst.exec("TarvAudt", QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', %1, %2)")
                                  .arg(active ? 1 : 0).arg(sqlText(band)));
    }
    // As the pass does: the application takes what the check found.
    void check() { TakeIdentityCheck(app(), RunIdentityCheck(inst.importer().cycle(), inst.importer().session(), app(), kMember)); }

    ApplicationState& app() { return inst.importer().app; }
    QStringList webLog() {
        return inst.values("TarvAudt", "SELECT TheActivity || '|' || TheCategory || '|' || TheKeyword FROM WebLog "
                                       "WHERE MemberNo=1234 ORDER BY ID");
    }
    QString idProof() {
        return inst.values("TarvID", "SELECT AddressID || '|' || AddressRef || '|' || AddressDate || '|' || AddressBy || '|' || "
                                     "PhotoID || '|' || PhotoRef || '|' || PhotoDate || '|' || PhotoBy FROM IDProof "
                                     "WHERE MemberNo=1234").join(QLatin1Char('/'));
    }
    QString filedAnswerPath() {
        return MemberFolderPath(inst.importer().settings.ScanLocation, "MEMBERID", kMember) + "AccountOpenSearch-20260305.xml";
    }

    InstallationTempFolder temp{inst};
};

// Each persona's verdict and downgrade as the reviewed file holds it: the problem then success lines, the WebLog rows then
// the rules entry, fields 27|31|32, the IDProof row and the bank flag, the 30-character reference shown as <ref>.
TEST_F(IdentityCheckTest, AgencyVerdictsAndTheirDowngrades) {
    // The surname chooses the sandbox's answer; the application decides which screenings count.
    const std::pair<const char*, const char*> personas[] = {
        {"Lee", ""}, {"Bankclosed", ""}, {"Bankmismatch", ""}, {"Bankinvalid", ""}, {"Bankenhanced", ""}, {"Thinfile", ""},
        {"Politic", "V512-API-LIVE"}, {"Politic", "V535-CU-LIVE"}, {"Sanctioned", "V512-API-LIVE"}, {"Sanctioned", "V526-CU-LIVE"},
        {"Idfail", ""},
    };
    QStringList outcomes;
    for (const auto& [surname, application] : personas) {
        SCOPED_TRACE(std::string(surname) + " " + application);
        startOver(QLatin1String(surname));
        inst.importer().settings.agency.IdentityCheckApplication = QLatin1String(application);
        check();
        const QString ref = app().identity.reference;
        EXPECT_EQ(ref.size(), 30);
        outcomes << QStringLiteral("== %1 %2").arg(surname, application).trimmed() << problems() + successes()
                 << webLog() << app().assessment.summary
                 << app().decisionLetter() + '|' + app().identity.status + '|' + app().identity.score
                 << idProof().replace(ref, "<ref>")
                 << inst.scalar("TarvMain", "SELECT YesNo FROM MemberAddress WHERE AddressType='BANK1'").toString() +
                        (app().identity.failedOnBank ? " failed on bank" : "");
        const QString answer = inst.readFile(filedAnswerPath());
        EXPECT_TRUE(answer.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?><?xml-stylesheet type=\"text/xsl\" "
                                      "href=\"CallValidate535.xslt\"?><Results") && answer.contains("PID=\"" + ref + '"'));
        // What the sandbox received (its record masks the password) is the private copy kept here.
        const QList<AgencyRequest> requests = sandbox().requests();
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].path, "/callvalidateapi/incomingserver.php");
        const QString trace = AgencyTraceFolder(inst.importer().programFolder()) + QStringLiteral("/1234_20260305_CV.xml");
        EXPECT_EQ(inst.readFile(trace), requests[0].body + QLatin1Char('\n'));
        EXPECT_FALSE(IsOpenToOthers(trace) || IsOpenToOthers(AgencyTraceFolder(inst.importer().programFolder())));
    }
    EXPECT_EQ(outcomes.join('\n') + '\n', ExpectedDocument("identity-check-verdicts.txt"));
}

// An agency that refuses the check may quote what it was sent (here an answer kept for the application, %P standing for
// the password): the refusal reaches the report, the password never does. Each case's lines and rows (a blank band
// reads as fail) as the reviewed file holds them; a timeout's wording is curl's own and shown as "...".
TEST_F(IdentityCheckTest, AnswersWithoutAResult) {
    const struct { const char* surname; const char* band; bool noHost = false; const char* kept = nullptr; } cases[] = {
        {"Refused", "F"}, {"Fatal", "R"}, {"Emptyanswer", ""}, {"Garbled", "F"}, {"Slowpoke", "F"},
        // An application's kept answer is filed at its commit.
        {"Lee", "F", false, "<Results><Errors><Error>password %P is not %P</Error></Errors></Results>"},
        {"Lee", "F", false, "Error: 401 - refused for riverside.cv/%P"},
        {"Lee", "F", true},  // last: the host stays cleared
    };
    QStringList outcomes;
    for (const auto& c : cases) {
        startOver(QLatin1String(c.surname));
        setRule(true, QLatin1String(c.band));
        if (c.noHost) inst.importer().config.agency.callValidateLiveHost.clear();
        if (c.kept) {
            app().identityKey = QStringLiteral("41-") + QLatin1String(c.kept);
            inst.importer().recordedResponses().remember(app().identityKey, QStringLiteral("CallValidate 1234"),
                                                         QString::fromLatin1(c.kept).replace("%P", kPassword).toUtf8());
        }
        check();
        EXPECT_FALSE(QString::fromStdString(report()).contains(kPassword));
        outcomes << QStringLiteral("== %1, band \"%2\", %3 request(s)").arg(c.surname).arg(c.band).arg(sandbox().requests().size())
                 << problems().replaceInStrings(
                        QRegularExpression("^(Unable to perform ID search-Error: 28 - ).+( \\(table_w)"), "\\1...\\2")
                 << webLog() << app().assessment.summary
                 << app().decisionLetter() + '|' + app().identity.status + '|' + idProof() +
                        (app().identity.unableToCheck ? " failed" : "")
                 << (QFile::exists(filedAnswerPath()) ? "answer filed" : "no answer filed");
    }
    EXPECT_EQ(outcomes.join('\n') + '\n', ExpectedDocument("identity-check-answers-without-a-result.txt"));
}

// A loan applicant who joins in the same run is checked when the credit rules reach CR10A,
// with that rule's band (a refer band lowers the decision to refer only); an IDProof row
// already held is brought up to date.
TEST_F(IdentityCheckTest, CreditRulesRunTheCheckWithTheirBand) {
    startOver(QStringLiteral("Idfail"));
    setRule(true, QStringLiteral("R"));
    inst.exec("TarvID", "INSERT INTO IDProof (MemberNo, AddressID, PhotoID) VALUES (1234, 'old', 'old')");
    app().field[tw::ApplicationCode] = QStringLiteral("1");
    app().assessment.summary = QStringList{QStringLiteral("1234|CR05A|0-3|1|P|")};
    TakeCreditDecision(app(), CheckCRRules(inst.importer().cycle(), inst.importer().session(), app(), app().loan,
                                           Currency::fromText("1000"), {CreditReportOutcome::Kind::NotNeeded, {}}, CarriedResults{}));
    EXPECT_EQ(QStringList({QString::number(sandbox().requests().size()) + app().decisionLetter(), idProof(), successes().last()}) +
                  app().assessment.summary,
              (QStringList{"1R", "TU IDV-Fail Score [43]|" + app().identity.reference + "|2026-03-05|VELT|||2026-03-05|VELT",
                           "Overall initial rating for loan=REFER for member 1234", "1234|CR05A|0-3|1|P|", "1234|CR10A|P-P|F|R|"}));
}

// The rows that ask nothing, the check's own error exit (one line, nothing thrown) among them: each case's fields 31|33,
// the requests made and the problem lines, as the reviewed file holds them. The applicant under 16 keeps the website's
// score.
TEST_F(IdentityCheckTest, NoRequestWhenNoCheckIsDue) {
    const std::pair<const char*, std::function<void(IdentityCheckTest&)>> cases[] = {
        {"15 by calendar years", [](IdentityCheckTest& t) {
             t.app().field[tw::DateOfBirth] = "01/01/2011";
             t.app().identity.score = "77";
         }},
        {"inactive CR10A", [](IdentityCheckTest& t) { t.setRule(false, QStringLiteral("F")); }},
        {"no CR10A", [](IdentityCheckTest& t) { t.inst.exec("TarvAudt", "DELETE FROM CRRules"); }},
        {"code 4", [](IdentityCheckTest& t) { t.app().field[tw::ApplicationCode] = QStringLiteral("4"); }},
        {"no user name", [](IdentityCheckTest& t) { t.inst.importer().settings.agency.IdentityCheckUserName.clear(); }},
        {"no home address", [](IdentityCheckTest& t) { t.inst.exec("TarvMain", "DELETE FROM MemberAddress"); }},
        {"no date of birth", [](IdentityCheckTest& t) { t.app().field[tw::DateOfBirth] = "not a date"; }},
    };
    QStringList outcomes;
    for (const auto& [name, arrange] : cases) {
        startOver(QStringLiteral("Lee"));
        arrange(*this);
        check();
        outcomes << QStringLiteral("== ") + name << app().identity.status + '|' + app().identity.score + '|' + app().identity.reference
                 << QStringLiteral("%1 request(s)").arg(sandbox().requests().size()) << problems();
    }
    EXPECT_EQ(outcomes.join('\n') + '\n', ExpectedDocument("identity-check-not-due.txt"));
}

// The bank anomaly holds the loan's payout even when the bank row cannot be marked afterwards.
TEST_F(IdentityCheckTest, ABankAnomalyIsKeptWhenMarkingTheBankRowFails) {
    startOver(QStringLiteral("Bankclosed"));
    inst.exec("TarvMain", "CREATE TRIGGER refuse BEFORE UPDATE ON MemberAddress BEGIN SELECT RAISE(ABORT, 'no change'); END");
    check();
    EXPECT_TRUE(app().identity.failedOnBank);
    EXPECT_EQ(problems().filter("in procedure RunIdentityCheck").size(), 1) << problems().join('\n').toStdString();
}

// A failed check fails the decision; one whose band refers it leaves a failed decision failed.
TEST(IdentityCheckDecision, TheCheckOnlyEverLowersTheDecision) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"P", "R", "R"}, {"ACCEPT", "R", "R"}, {"F", "R", "F"}, {"R", "F", "F"}, {"ACCEPT", "", "ACCEPT"}, {"F", "", "F"}};
    for (const auto& [decision, letter, after] : cases)
        EXPECT_EQ(DecisionAfterIdentityCheck(decision, letter), after) << decision << " lowered by " << letter;
}

}  // namespace
}  // namespace autovelt::test
