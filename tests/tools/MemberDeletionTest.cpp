#include "tools/MemberDeletion.h"

#include "app/ControlSettings.h"
#include "common/VeltError.h"
#include "support/InstallationTest.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

// Rows of one member in every table the deletion empties, two or three where a member may hold
// several (%1: the member number).
struct Seed {
    const char* database;
    const char* table;
    int rows = 1;
    const char* columns = "MemberNo";
    const char* values = "%1";
};
const Seed kSeeds[] = {
    {"TarvMain", "MemberMain", 1, "MemberNo, Title, Forename, Surname", "%1, 'Mr', 'John', 'Smith'"},
    {"TarvMain", "MemberEmployment", 1, "MemberNo, PayType", "%1, 'W'"},
    {"TarvMain", "MemberAddress", 2, "MemberNo, AddressType", "%1, (SELECT COUNT(*) FROM MemberAddress)"},
    {"TarvMain", "MemberPassword"}, {"TarvMain", "MemberBalances", 2}, {"TarvMain", "MemberNotes"}, {"TarvMain", "MemberUDF"},
    {"TarvMain", "MemberPayAnalysis"}, {"TarvMain", "PayAnalysisSchedule"}, {"TarvMain", "MemberCircumstance"},
    {"TarvMain", "TrusteeAgreement", 1, "MemberNumber"}, {"TarvTran", "LoanAllocation", 2},
    {"TarvTran", "LoanPayee", 1, "MemberNo, LoanID", "%1, 1"}, {"TarvTran", "LoanNotepad"}, {"TarvTran", "LoanPolicyLog"},
    {"TarvTran", "Diary", 3}, {"TarvTran", "TrusteeTran", 1, "MemberNumber"}, {"TarvTran", "MemberSecurity"}, {"TarvID", "ID"},
    {"TarvID", "IDProof"},
};
const char* const kDatabaseOf[] = {"TarvMain", "TarvTran", "TarvID"};

class MemberDeletionTest : public test::InstallationTest {
protected:
    void SetUp() override {
        for (long member : {kVictim, kNeighbour}) {
            for (const Seed& seed : kSeeds)
                for (int row = 0; row < seed.rows; ++row)
                    inst.exec(seed.database, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                 .arg(seed.table, seed.columns, QString::fromLatin1(seed.values).arg(member)));
            inst.exec("TarvAudt", QStringLiteral("INSERT INTO WebLog (MemberNo, TheActivity) VALUES (%1, 'Joined')").arg(member));
            inst.exec("TarvTran", QStringLiteral("INSERT INTO Changes (MemberNo) VALUES (%1)").arg(member));
        }
    }

    int rowsOf(const MemberTable& table, long member) {
        return inst.count(kDatabaseOf[table.database], QStringLiteral("SELECT * FROM %1 WHERE %2=%3")
                                                           .arg(QLatin1String(table.table), QLatin1String(table.keyColumn))
                                                           .arg(member));
    }

    bool deleteMember(long member) { return DeleteMemberRecords(inst.importer(), OpenCoreConnections, member); }

    static constexpr long kVictim = 123;
    static constexpr long kNeighbour = 1234;  // starts with the victim's digits
};

// The plan names the member and counts every table; the deletion then empties each of them.
TEST_F(MemberDeletionTest, PlansAndRemovesEveryRowOfTheMemberAndNothingElse) {
    const MemberDeletionPlan plan = PlanMemberDeletion(inst.importer(), OpenCoreConnections, kVictim);
    EXPECT_EQ(plan.memberName, "Mr John Smith");
    ASSERT_EQ(plan.rows.size(), std::size(kSeeds));
    for (size_t i = 0; i < plan.rows.size(); ++i) EXPECT_EQ(plan.rows[i], kSeeds[i].rows) << MemberTables()[i].table;
    EXPECT_TRUE(plan.describe().contains("  Diary: 3"));
    ASSERT_TRUE(deleteMember(kVictim));
    for (const MemberTable& table : MemberTables()) {
        EXPECT_EQ(rowsOf(table, kVictim), 0) << table.table;
        EXPECT_GT(rowsOf(table, kNeighbour), 0) << table.table;
    }
    EXPECT_EQ(inst.count("TarvAudt", "SELECT * FROM WebLog WHERE MemberNo=123"), 1);
    EXPECT_EQ(inst.count("TarvTran", "SELECT * FROM Changes WHERE MemberNo=123"), 1);
    EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());  // the next cycle loads its settings afresh
    ASSERT_TRUE(deleteMember(555));  // a member without records
    EXPECT_EQ(successes(), (QStringList{"Deleted member 123", "Deleted member 555"}));
}

// A missing table stops the deletion with a clear line, and a running cycle's open connections
// refuse it; either way every row of the member stays.
TEST_F(MemberDeletionTest, StopsOrIsRefusedLeavingTheMemberWhole) {
    inst.exec("TarvTran", "DROP TABLE LoanNotepad");
    EXPECT_FALSE(deleteMember(kVictim));
    EXPECT_EQ(problems().replaceInStrings(QRegularExpression("^(Member deletion stopped at table LoanNotepad: ).+"), "\\1..."),
              (QStringList{"Member deletion stopped at table LoanNotepad: ...", "Nothing was deleted for member 123."}));
    inst.reporter().clear();
    inst.openCoreConnections();
    EXPECT_FALSE(deleteMember(kVictim));
    EXPECT_EQ(problems(), QStringList{kDeletionWaitsForCycle});
    EXPECT_THROW(PlanMemberDeletion(inst.importer(), OpenCoreConnections, kVictim), VeltError);
    inst.importer().connections.closeAll();
    EXPECT_TRUE(successes().isEmpty());
    for (const MemberTable& table : MemberTables())
        if (QLatin1String(table.table) != QLatin1String("LoanNotepad")) {
            EXPECT_GT(rowsOf(table, kVictim), 0) << table.table;
        }
}

TEST(MemberNumberAnswer, OnlyAWholeNumberInRangeNamesAMember) {
    const struct { const char* typed; long expected; } cases[] = {  // -1: no member named
        {" 123 ", 123}, {"99999999", 99999999}, {"007", 7}, {"123abc", -1}, {"0", -1}, {"-5", -1}, {"1e3", -1}, {"100000000", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseMemberNumberAnswer(QString::fromLatin1(c.typed)).value_or(-1), c.expected) << c.typed;
}

}  // namespace
}  // namespace autovelt
