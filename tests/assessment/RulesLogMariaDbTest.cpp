// rules_log on the website's database engine: written, carried, copied and deleted.

#include "assessment/PolicyLogFixture.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

class RulesLogMariaDbTest : public PolicyLogFixture {
protected:
    void SetUp() override {
        if (!inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
        addRules();
        inst.exec("TarvAudt", "UPDATE CUPolicyRules SET ruledesc='Tenant''s rent \\ checked; --' WHERE rulecode='PR10C'");
        load();
    }
    QStringList onlineRows() {
        QStringList rows;
        db::Recordset rs = im().connections.OnlineConnection.openRecordset(
            "SELECT CONCAT_WS('|', rulemember, rulecode, ruledesc, ruleactive, rulevalue, ruleresult, rulestopper) FROM rules_log ORDER BY rule_id");
        for (; !rs.eof(); rs.moveNext()) rows << rs.text(0);
        return rows;
    }
};

TEST_F(RulesLogMariaDbTest, PolicyRowsAreWrittenCarriedCopiedAndDeleted) {
    loadApplication(CreditReportBuilder{}.xml());
    CheckCRRules(im(), Currency::fromText("800"));
    EXPECT_EQ(im().app.field[27], "R");
    EXPECT_EQ(onlineRows(), (QStringList{memberCode() + "|PR10C|Tenant's rent \\ checked; --|True|1|R|",
                                         memberCode() + "|PR15A|Moved in the last 3 years|True|0|R|"}));

    loadApplication(CreditReportBuilder{}.xml());
    im().app.field[12].clear();
    im().app.homePrevSupplied = false;
    CheckCRRules(im(), Currency::fromText("800"));
    EXPECT_EQ(im().app.field[27], "R");   // carried from the rows of the first check

    CopyRulesLogToPolicyLog(im(), loan());
    EXPECT_EQ(onlineRows(), QStringList{});
    EXPECT_EQ(inst.values("TarvTran", "SELECT RuleCode || InitStatus FROM LoanPolicyLog ORDER BY RuleCode"),
              (QStringList{"PR10CR", "PR15AP"}));
    EXPECT_TRUE(inst.reporter().problems().isEmpty()) << inst.reporter().problems().join('\n').toStdString();
}

}  // namespace
