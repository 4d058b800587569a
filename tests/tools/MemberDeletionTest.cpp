#include "tools/MemberDeletion.h"

#include "app/ControlSettings.h"
#include "common/VeltError.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

namespace autovelt {
namespace {

// Rows of one member in every table the deletion empties, two where a member may hold
// several, and audit rows that must survive.
struct Seed {
    const char* database;
    const char* statement;  // %1 = member number
    int rows;
};
const Seed kSeeds[] = {
    {"TarvMain", "INSERT INTO MemberMain (MemberNo, Title, Forename, Surname) VALUES (%1, 'Mr', 'John', 'Smith')", 1},
    {"TarvMain", "INSERT INTO MemberEmployment (MemberNo, PayType) VALUES (%1, 'W')", 1},
    {"TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType) VALUES (%1, 'HOME'), (%1, 'PREV')", 2},
    {"TarvMain", "INSERT INTO MemberPassword (MemberNo) VALUES (%1)", 1},
    {"TarvMain", "INSERT INTO MemberBalances (MemberNo) VALUES (%1), (%1)", 2},
    {"TarvMain", "INSERT INTO MemberNotes (MemberNo) VALUES (%1)", 1},
    {"TarvMain", "INSERT INTO MemberUDF (MemberNo) VALUES (%1)", 1},
    {"TarvMain", "INSERT INTO MemberPayAnalysis (MemberNo) VALUES (%1)", 1},
    {"TarvMain", "INSERT INTO PayAnalysisSchedule (MemberNo) VALUES (%1)", 1},
    {"TarvMain", "INSERT INTO MemberCircumstance (MemberNo) VALUES (%1)", 1},
    {"TarvMain", "INSERT INTO TrusteeAgreement (MemberNumber) VALUES (%1)", 1},
    {"TarvTran", "INSERT INTO LoanAllocation (MemberNo) VALUES (%1), (%1)", 2},
    {"TarvTran", "INSERT INTO LoanPayee (MemberNo, LoanID) VALUES (%1, 1)", 1},
    {"TarvTran", "INSERT INTO LoanNotepad (MemberNo) VALUES (%1)", 1},
    {"TarvTran", "INSERT INTO LoanPolicyLog (MemberNo) VALUES (%1)", 1},
    {"TarvTran", "INSERT INTO Diary (MemberNo) VALUES (%1), (%1), (%1)", 3},
    {"TarvTran", "INSERT INTO TrusteeTran (MemberNumber) VALUES (%1)", 1},
    {"TarvTran", "INSERT INTO MemberSecurity (MemberNo) VALUES (%1)", 1},
    {"TarvID", "INSERT INTO ID (MemberNo) VALUES (%1)", 1},
    {"TarvID", "INSERT INTO IDProof (MemberNo) VALUES (%1)", 1},
};
const char* const kDatabaseOf[] = {"TarvMain", "TarvTran", "TarvID"};

class MemberDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (long member : {kVictim, kNeighbour}) {
            for (const Seed& seed : kSeeds) inst.exec(seed.database, QString::fromLatin1(seed.statement).arg(member));
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
    test::TestInstallation inst;
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
    EXPECT_EQ(inst.reporter().successes(), (QStringList{"Deleted member 123", "Deleted member 555"}));
}

// A missing table stops the deletion with a clear line, and a running cycle's open connections
// refuse it; either way every row of the member stays.
TEST_F(MemberDeletionTest, StopsOrIsRefusedLeavingTheMemberWhole) {
    inst.exec("TarvTran", "DROP TABLE LoanNotepad");
    EXPECT_FALSE(deleteMember(kVictim));
    EXPECT_EQ(inst.reporter().problems().size(), 2);
    EXPECT_TRUE(inst.reporter().problems().value(0).startsWith("Member deletion stopped at table LoanNotepad: "))
        << inst.reporter().problems().value(0).toStdString();
    EXPECT_EQ(inst.reporter().problems().value(1), "Nothing was deleted for member 123.");
    inst.reporter().clear();
    inst.openCoreConnections();
    EXPECT_FALSE(deleteMember(kVictim));
    EXPECT_EQ(inst.reporter().problems(), QStringList{kDeletionWaitsForCycle});
    EXPECT_THROW(PlanMemberDeletion(inst.importer(), OpenCoreConnections, kVictim), VeltError);
    inst.importer().connections.closeAll();
    EXPECT_TRUE(inst.reporter().successes().isEmpty());
    for (const MemberTable& table : MemberTables())
        if (QLatin1String(table.table) != QLatin1String("LoanNotepad")) EXPECT_GT(rowsOf(table, kVictim), 0) << table.table;
}

TEST(MemberNumberAnswer, OnlyAWholeNumberInRangeNamesAMember) {
    const struct { const char* typed; long expected; } cases[] = {
        {" 123 ", 123}, {"99999999", 99999999}, {"007", 7}, {"123abc", 0}, {"0", 0}, {"", 0}, {"-5", 0}, {"12.5", 0},
        {"1e3", 0}, {"+5", 0}, {"100000000", 0}, {"12 3", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseMemberNumberAnswer(QString::fromLatin1(c.typed)).value_or(0), c.expected) << c.typed;
}

}  // namespace
}  // namespace autovelt
