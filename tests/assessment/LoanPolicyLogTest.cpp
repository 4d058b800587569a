// The loan policy log writers and the rules_log rows, on the embedded databases.

#include "assessment/PolicyLogFixture.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

class LoanPolicyLogTest : public PolicyLogFixture {
protected:
    void SetUp() override {
        addRules();
        load();
    }
    void addRulesLog(const char* code, const char* value, const char* result) {
        inst.exec("online", QStringLiteral("INSERT INTO rules_log (rulemember, rulecode, ruledesc, ruleactive, rulevalue, ruleresult, rulestopper) "
                                           "VALUES ('%1', '%2', 'x', 'True', '%3', '%4', '')").arg(memberCode(), code, value, result));
    }
    QStringList policyLog() {
        return inst.values("TarvTran", "SELECT RuleCode || '|' || RuleValue || '|' || ActualValue || '|' || InitStatus || '|' || "
                                       "NewStatus || '|' || StartTime || '|' || LoanNo || '|' || LastUpdatedBy || '|' || "
                                       "COALESCE(Reason, '-') FROM LoanPolicyLog WHERE LoanID=91 ORDER BY ID");
    }
};

TEST_F(LoanPolicyLogTest, RulesGiveDecisionRulesLogAndSummary) {
    CreditReportBuilder b;
    b.figures["totalsearches3months"] = "4";
    b.figures["totalcifas"] = "0";
    b.score = "451";
    loadApplication(b.xml());
    CheckCRRules(im(), Currency::fromText("1500"));
    EXPECT_EQ(im().app.field[27], "R");
    EXPECT_EQ(im().app.field[26], "451");
    EXPECT_EQ(im().app.field[30], b.searchId);
    EXPECT_EQ(im().app.decisionSummary, (QStringList{"700|CR05A|3-99|4|R|", "700|CR07C|0-450|451|P|"}));
    EXPECT_EQ(inst.values("online", "SELECT rulemember || '|' || rulecode || '|' || ruledesc || '|' || ruleactive || '|' || "
                                    "rulevalue || '|' || ruleresult || '|' || rulestopper FROM rules_log ORDER BY rule_id"),
              (QStringList{memberCode() + "|PR10C|Tenant's rent is checked|True|1|R|", memberCode() + "|PR15A|Moved in the last 3 years|True|0|R|"}));
    EXPECT_EQ(inst.reporter().successes().last(), "Overall initial rating for loan=REFER for member 700");

    // A second check of the same member carries the refer of the first.
    b.figures["totalsearches3months"] = "0";
    loadApplication(b.xml());
    im().app.field[12].clear();
    im().app.homePrevSupplied = false;
    inst.exec("TarvAudt", "UPDATE CUPolicyRules SET ruleno='P'");
    CheckCRRules(im(), Currency::fromText("1500"));
    EXPECT_EQ(im().app.field[27], "R");
}

TEST_F(LoanPolicyLogTest, FailedRuleTablesReferTheLoan) {
    loadApplication(CreditReportBuilder{}.xml());
    inst.exec("TarvAudt", "DROP TABLE CRRules");
    CheckCRRules(im(), Currency::fromText("1500"));
    EXPECT_EQ(im().app.field[27], "R");
    ASSERT_FALSE(inst.reporter().problems().isEmpty());
    EXPECT_TRUE(inst.reporter().problems().first().endsWith("in procedure CheckCRRules"));
}

TEST_F(LoanPolicyLogTest, SummaryOnFridayAndRulesLogOnSaturday) {
    loadApplication("<report/>");
    inst.clock().set(QDateTime(QDate(2026, 12, 4), QTime(14, 10, 5)));
    WriteDecisionSummaryToPolicyLog(im(), loan(), {"700|CR05A|3-99|4|R|", "700|CR08A|1-99|N/A|P|"}, "<report/>");
    WriteDecisionSummaryToPolicyLog(im(), loan(0), {"700|CR05A|3-99|4|R|"}, "<report/>");
    WriteDecisionSummaryToPolicyLog(im(), loan(), {"700|CR05A|3-99|4|R|"}, "");
    inst.clock().set(QDateTime(QDate(2026, 12, 5), QTime(14, 10, 5)));
    addRulesLog("PR15A", "0", "R");
    im().app.dependantsReason = "01/01/2011-17";
    addRulesLog("PR13B", "17", "R");
    CopyRulesLogToPolicyLog(im(), loan());
    EXPECT_EQ(policyLog(), (QStringList{
        "CR05A|3-99|4|R|R|04/12/26 14:10:05|C1042|VELT|-", "CR08A|1-99|N/A|P|P|04/12/26 14:10:05|C1042|VELT|-",
        "PR13B|17|17|R|R|07/12/26 08:00:00|C1042|VELT|01/01/2011-17", "PR15A|0|0|R|R|07/12/26 08:00:00|C1042|VELT|"}));
    EXPECT_EQ(inst.count("online", "SELECT * FROM rules_log"), 0);
    EXPECT_EQ(inst.values("TarvTran", "SELECT DISTINCT LastUpdatedOn FROM LoanPolicyLog"), QStringList{"2026-12-04"});
    EXPECT_EQ(PolicyLogStartTime(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59))), "07/12/26 08:00:00");  // Sunday
}

TEST_F(LoanPolicyLogTest, AgeRuleIsPassedUpToItsValue) {
    for (int age : {75, 76}) {
        inst.exec("TarvTran", "DELETE FROM LoanPolicyLog");
        addRulesLog("PR13A", "75", "F");
        PolicyLogLoan l = loan();
        l.loanEndAge = age;
        CopyRulesLogToPolicyLog(im(), l);
        EXPECT_EQ(inst.values("TarvTran", "SELECT InitStatus || NewStatus FROM LoanPolicyLog"),
                  QStringList{age == 75 ? "PP" : "FF"}) << age;
    }
}

TEST_F(LoanPolicyLogTest, InterruptedCopyNeverDoublesARule) {
    addRulesLog("PR10C", "1", "R");
    CopyRulesLogToPolicyLog(im(), loan());
    // As if the delete had not happened, and the check had then run again.
    addRulesLog("PR10C", "1", "R");
    addRulesLog("PR10C", "1", "F");
    WriteDecisionSummaryToPolicyLog(im(), loan(), {"700|PR10C|0-0|1|P|"}, "<report/>");
    CopyRulesLogToPolicyLog(im(), loan());
    EXPECT_EQ(inst.values("TarvTran", "SELECT RuleValue || ActualValue || InitStatus FROM LoanPolicyLog ORDER BY ID"),
              (QStringList{"0-01P", "11F"}));
    EXPECT_EQ(inst.count("online", "SELECT * FROM rules_log"), 0);
}

}  // namespace
