// The credit and policy rules on the embedded databases (rules_log also on the website's
// MariaDB server when one runs): the loan policy log writers, and the rule explanation run
// as the program.

#include "app/ControlSettings.h"
#include "assessment/CheckCRRules.h"
#include "assessment/LoanPolicyLog.h"
#include "common/MemberNumberCode.h"
#include "pipeline/OnlineReads.h"
#include "state/RulesLogChanges.h"
#include "support/CreditReportBuilder.h"
#include "support/InstallationTest.h"
#include "support/ProgramRuns.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

using namespace autovelt;
using namespace autovelt::test;

namespace {

const CreditReportOutcome kReportInHand{CreditReportOutcome::Kind::Report, {}};

// Rule tables, a member with stored answers and a loan.
class LoanPolicyLogTest : public InstallationTest {
protected:
    static constexpr long kMember = 700;

    QString memberCode() const { return EncodeMemberNumber(QString::number(kMember)); }

    void SetUp() override {
        for (const char* row : {"('CR05A', 1, NULL, 3, 99, 'R')", "('CR08A', 1, NULL, 1, 99, 'F')",
                                "('CR07C', 1, NULL, 0, 450, 'F')", "('CR02D', 0, NULL, 1, 1, 'F')"})
            inst.exec("TarvAudt", QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, ruleset, rulevaluemin, "
                                                 "rulevaluemax, RuleBand) VALUES ") + row);
        inst.exec("TarvAudt", "INSERT INTO CUPolicyRules VALUES ('PR10C', 'Tenant''s rent is checked', 1, '1', 'R', 'P')");
        inst.exec("TarvAudt", "INSERT INTO CUPolicyRules VALUES ('PR15A', 'Moved in the last 3 years', 1, '0', 'R', 'P')");
        load();
    }

    // An existing member whose stored answers match the application below.
    void addMember() {
        inst.exec("TarvMain", "INSERT INTO MemberMain (MemberNo, Surname) VALUES (700, 'Tester')");
        inst.exec("TarvMain", "INSERT INTO MemberUDF (MemberNo, DWPHouseholdStatus, DWPEmpStatus) "
                              "VALUES (700, 'Private Rented', 'Retired')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, Line1) VALUES (700, 'HOMEPREV1', '3 Old Road')");
    }

    // Without the policy answers the application neither rents privately (PR10C) nor gives a previous home (PR15A).
    void loadApplication(const QString& report, bool policyAnswers = true) {
        im().app = {.memberNumber = kMember, .addresses = {.homePrevSupplied = policyAnswers}, .assessment = {.report = report}};
        im().app.messageSuffix = " (table_w field_id=41)";
        if (policyAnswers) im().app.field[tw::ResidentialStatus] = "Private Rented";
        im().app.field[tw::EmploymentType] = "Retired";
        im().app.loan.LoanDetails = {.repaymentFrequency = "M", .numberOfRepayments = "24"};
    }

    PolicyLogLoan loan(long id = 91) {
        return {.memberNumber = kMember, .loanNumber = "C1042", .loanId = id, .applicationDate = QDate(2026, 12, 4)};
    }
    // As the loan pass does: the rules run with what earlier checks left online, and the
    // copy's changes become the assessment's.
    RuleOutcome checkRules() {
        return CheckCRRules(im().cycle(), im().session(), im().app, im().app.loan, Currency::fromText("1500"), kReportInHand,
                            ReadCarriedResults(im().connections.OnlineConnection, kMember));
    }
    void copyRulesLog(long id = 91) {
        im().app.assessment.rulesLog = CopyRulesLogToPolicyLog(im().cycle(), im().session(), im().app, loan(id),
                                                               ReadMemberRulesLog(im().connections.OnlineConnection, kMember));
    }
    void writeSummary(const PolicyLogLoan& loan, const QStringList& summary, const QString& report) {
        im().app.assessment.report = report;
        im().app.assessment.summary = summary;
        WriteDecisionSummaryToPolicyLog(im().cycle(), im().session(), im().app, loan);
    }

    void load() {
        LoadControlSettings(im());
        ASSERT_TRUE(im().connections.OnlineConnection.isOpen()) << problems().join('\n').toStdString();
    }
    // What the application's commit does online.
    void applyOnline() {
        ApplyRulesLogChanges(im().connections.OnlineConnection, im().app.assessment.rulesLog);
        im().app.assessment.rulesLog = {};
    }
    void addRulesLog(const char* code, const char* value, const char* result) {
        inst.exec("online", QStringLiteral("INSERT INTO rules_log (rulemember, rulecode, ruledesc, ruleactive, rulevalue, ruleresult, "
                                           "rulestopper) VALUES ('%1', '%2', 'x', 'True', '%3', '%4', '')")
                                .arg(memberCode(), code, value, result));
    }
    QStringList policyLog(const char* columns = "RuleCode || '|' || RuleValue || '|' || ActualValue || '|' || InitStatus || '|' || "
                                                "NewStatus || '|' || StartTime || '|' || LoanNo || '|' || LastUpdatedBy || '|' || "
                                                "COALESCE(Reason, '-')") {
        return inst.values("TarvTran", QStringLiteral("SELECT %1 FROM LoanPolicyLog WHERE LoanID=91 ORDER BY ID").arg(columns));
    }
};

// The rule's description carries what each engine must quote.
class RulesLogTest : public LoanPolicyLogTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
        LoanPolicyLogTest::SetUp();
        inst.exec("TarvAudt", "UPDATE CUPolicyRules SET ruledesc='Tenant''s rent \\ checked; --' WHERE rulecode='PR10C'");
    }
    QStringList onlineRows() {
        return RecordsetRows(im().connections.OnlineConnection, "SELECT rulemember, rulecode, ruledesc, ruleactive, rulevalue, "
                                                                "ruleresult, rulestopper FROM rules_log ORDER BY rule_id");
    }
};

TEST_P(RulesLogTest, RulesGiveDecisionAndRowsThatAreCarriedCopiedAndDeleted) {
    CreditReportBuilder b{.figures = {{"totalsearches3months", "4"}, {"totalcifas", "0"}}, .score = "451"};
    loadApplication(b.xml());
    TakeCreditDecision(im().app, checkRules());
    // Online only once the application has committed: no rules_log rows yet.
    EXPECT_EQ(QStringList({im().app.decisionLetter(), im().app.creditScore(), im().app.searchReference(),
                           successes().last()}) + im().app.assessment.summary + onlineRows(),
              (QStringList{"R", "451", b.searchId, "Overall initial rating for loan=REFER for member 700", "700|CR05A|3-99|4|R|",
                           "700|CR07C|0-450|451|P|"}));
    ApplyRulesLogChanges(im().connections.OnlineConnection, RulesLogChanges::decode(im().app.assessment.rulesLog.encode()));
    EXPECT_EQ(onlineRows(), (QStringList{memberCode() + "|PR10C|Tenant's rent \\ checked; --|True|1|R|",
                                         memberCode() + "|PR15A|Moved in the last 3 years|True|0|R|"}));

    // A second check of the same member, passing, carries the refer of the first.
    b.figures["totalsearches3months"] = "0";
    loadApplication(b.xml(), false);
    TakeCreditDecision(im().app, checkRules());
    EXPECT_EQ(im().app.decisionLetter(), "R");

    copyRulesLog();
    EXPECT_EQ(onlineRows().size(), 2);
    ApplyRulesLogChanges(im().connections.OnlineConnection, im().app.assessment.rulesLog);
    EXPECT_EQ(onlineRows(), QStringList{});
    EXPECT_EQ(policyLog("RuleCode || InitStatus"), (QStringList{"PR10CR", "PR15AP"}));
    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, RulesLogTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "MariaDb" : "Embedded"; });

// A refer or a fail an earlier check of the member left online stands; the age rule's does not.
TEST_F(LoanPolicyLogTest, EarlierResultsOnlineAreCarriedExceptTheAgeRules) {
    const CreditReportBuilder passing{.figures = {{"totalsearches3months", "0"}, {"totalcifas", "0"}}, .score = "451"};
    QStringList letters;
    for (const auto& [code, result] : {std::pair{"PR13A", "F"}, {"PR10C", "R"}, {"PR15A", "F"}}) {
        addRulesLog(code, "1", result);
        loadApplication(passing.xml(), false);
        TakeCreditDecision(im().app, checkRules());
        letters << im().app.decisionLetter();
    }
    EXPECT_EQ(letters, (QStringList{"P", "R", "F"}));
}

TEST_F(LoanPolicyLogTest, FailedRuleTablesReferTheLoan) {
    loadApplication(CreditReportBuilder{}.xml());
    inst.exec("TarvAudt", "DROP TABLE CRRules");
    TakeCreditDecision(im().app, checkRules());
    EXPECT_EQ(im().app.decisionLetter() + ' ' + problems().value(0), "R Error 1 (no such table: CRRules) in procedure CheckCRRules");
}

TEST_F(LoanPolicyLogTest, SummaryOnFridayAndRulesLogOnSaturday) {
    loadApplication("<report/>");
    inst.clock().set(QDateTime(QDate(2026, 12, 4), QTime(14, 10, 5)));
    writeSummary(loan(), {"700|CR05A|3-99|4|R|", "700|CR08A|1-99|N/A|P|"}, "<report/>");
    writeSummary(loan(0), {"700|CR05A|3-99|4|R|"}, "<report/>");
    writeSummary(loan(), {"700|CR05A|3-99|4|R|"}, "");
    inst.clock().set(QDateTime(QDate(2026, 12, 5), QTime(14, 10, 5)));
    addRulesLog("PR15A", "0", "R");
    im().app.assessment.dependantsReason = "01/01/2011-17";
    addRulesLog("PR13B", "17", "R");
    copyRulesLog();
    EXPECT_EQ(policyLog(), (QStringList{
        "CR05A|3-99|4|R|R|04/12/26 14:10:05|C1042|VELT|-", "CR08A|1-99|N/A|P|P|04/12/26 14:10:05|C1042|VELT|-",
        "PR13B|17|17|R|R|07/12/26 08:00:00|C1042|VELT|01/01/2011-17", "PR15A|0|0|R|R|07/12/26 08:00:00|C1042|VELT|"}));
    EXPECT_EQ(inst.count("online", "SELECT * FROM rules_log"), 2);  // until the application commits
    applyOnline();
    EXPECT_EQ(inst.count("online", "SELECT * FROM rules_log"), 0);
    EXPECT_EQ(inst.values("TarvTran", "SELECT DISTINCT LastUpdatedOn FROM LoanPolicyLog"), QStringList{"2026-12-04"});
    EXPECT_EQ(PolicyLogStartTime(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59))), "07/12/26 08:00:00");  // Sunday
}

TEST_F(LoanPolicyLogTest, AgeRuleIsPassedUpToItsValue) {
    for (int age : {75, 76}) {
        inst.exec("TarvTran", "DELETE FROM LoanPolicyLog");
        addRulesLog("PR13A", "75", "F");
        im().app.assessment.loanEndAge = age;
        copyRulesLog();
        EXPECT_EQ(policyLog("InitStatus || NewStatus"), QStringList{age == 75 ? "PP" : "FF"}) << age;
    }
}

// As if the copy's delete had not happened, and the check had then run again.
TEST_F(LoanPolicyLogTest, InterruptedCopyNeverDoublesARule) {
    addRulesLog("PR10C", "1", "R");
    copyRulesLog();
    addRulesLog("PR10C", "1", "R");
    addRulesLog("PR10C", "1", "F");
    writeSummary(loan(), {"700|PR10C|0-0|1|P|"}, "<report/>");
    copyRulesLog();
    EXPECT_EQ(policyLog("RuleValue || ActualValue || InitStatus"), (QStringList{"0-01P", "11F"}));
    applyOnline();
    EXPECT_EQ(inst.count("online", "SELECT * FROM rules_log"), 0);
}

// The explanation gives the import pass's letters and changes no database.
class RuleExplanationTest : public LoanPolicyLogTest {
protected:
    QByteArray checksums() {
        QByteArray all;
        for (const char* name : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"})
            all += QCryptographicHash::hash(FileBytes(inst.databaseFile(name)), QCryptographicHash::Sha256).toHex() + ' ';
        return all;
    }

    QString explain(const QString& reportFile) {
        const ProgramRun run = RunAutovelt({"--explain-rules", reportFile, "--amount", "1500", "--member", "700", "--home", inst.home()});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out;
    }

    // Rule code and letter of every table row that gave a letter.
    static QStringList lettersOf(const QString& table) {
        QStringList letters;
        for (const QString& line : table.split('\n')) {
            const QString letter = line.mid(54, 7).trimmed();
            if ((line.startsWith("CR") || line.startsWith("PR")) && letter != "-") letters << line.left(7).trimmed() + ':' + letter;
        }
        return letters;
    }
};

TEST_F(RuleExplanationTest, SameLettersAsTheImportPassAndNothingWritten) {
    addMember();
    const CreditReportBuilder referred{.figures = {{"totalsearches3months", "4"}, {"totalcifas", "0"}}};
    const CreditReportBuilder failed{.figures = {{"totalsearches3months", "1"}, {"totalcifas", "2"}}, .score = "9999"};
    int n = 0;
    for (const CreditReportBuilder& b : {referred, failed}) {
        loadApplication(b.xml());
        TakeCreditDecision(im().app, checkRules());
        QStringList expected;
        for (const QString& entry : im().app.assessment.summary) expected << entry.section('|', 1, 1) + ':' + entry.section('|', 4, 4);
        expected << "PR10C:R" << "PR15A:R";
        const QString rating = im().app.decisionLetter();
        copyRulesLog(90 + n);
        im().connections.closeAll();

        const QString file = inst.path(QStringLiteral("report%1.xml").arg(++n));
        inst.writeFile(file.section('/', -1), b.xml());
        const QByteArray before = checksums();
        const QString table = explain(file);
        EXPECT_EQ(checksums(), before);
        EXPECT_EQ(lettersOf(table), expected) << table.toStdString();
        EXPECT_TRUE(table.contains(QStringLiteral("Overall rating: ") + (rating == "F" ? "FAIL" : "REFER"))) << table.toStdString();
        load();
    }
}

}  // namespace
