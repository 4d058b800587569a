// The real program killed at chosen points of an application, then run again: the
// application must be imported exactly once, for one member.

#include "import/ImportPassFixture.h"


using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

constexpr int kCrashExitCode = 86;

class CrashSafetyTest : public ImportPassTest {
protected:
    using Run = ProgramRun;

    int count(const QString& database, const QString& query) { return rows(database, query); }
    bool journalExists() { return QFile::exists(inst.path(QStringLiteral("import-journal.txt"))); }

    // Two applications: the one interrupted, and one after it.
    void addTwoApplications(WebApplication first) {
        add(first);
        WebApplication second = WebApplication::joinAndBorrow(2).set(6, "Jones").set(4, "Mary").set(3, "Ms");
        second.niNumber = "CD123456A";
        add(second);
    }

    void expectSecondApplicationImported() {
        EXPECT_EQ(importedFlag(2), "Y");
        EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberMain WHERE Surname='Jones'"), 1);
    }
};

class CrashPointTest : public CrashSafetyTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CrashPointTest, NewMemberIsImportedOnceAfterACrash) {
    const QString point = GetParam();
    addTwoApplications(WebApplication::joinAndBorrow(1));

    const Run crashed = runProgram(point);
    ASSERT_EQ(crashed.exitCode, kCrashExitCode) << crashed.output.toStdString();
    EXPECT_EQ(importedFlag(1), point == "after-marking" ? "Y" : "N");
    EXPECT_EQ(importedFlag(2), "N");
    EXPECT_EQ(members(), 1);

    const Run again = runProgram();
    ASSERT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_FALSE(again.output.contains("thought they were a new member")) << again.output.toStdString();
    EXPECT_FALSE(again.output.contains("Error")) << again.output.toStdString();

    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberMain WHERE Surname='Smith'"), 1);
    EXPECT_EQ(memberColumn(1, "Surname"), "Smith");
    EXPECT_EQ(memberColumn(1, "NewMember"), "1");
    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberBalances WHERE MemberNo=1"), 1);
    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberPassword WHERE MemberNo=1"), 1);
    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberCircumstance WHERE MemberNo=1"), 1);
    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberEmployment WHERE MemberNo=1"), 1);
    EXPECT_EQ(webLog(1), QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW"});
    EXPECT_EQ(changes(1), QStringList{"New member 1 auto added via VeltImporter"});
    EXPECT_EQ(importedFlag(1), "Y");
    expectSecondApplicationImported();
    EXPECT_EQ(members(), 2);
    EXPECT_FALSE(journalExists());
}

INSTANTIATE_TEST_SUITE_P(Points, CrashPointTest,
                         ::testing::Values("member-written", "share-balance-written", "before-marking", "after-marking"),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param);
                             return name.remove('-').toStdString();
                         });

TEST_F(CrashSafetyTest, JoinOnlyMemberKeepsItsIdentityResultAcrossACrash) {
    addTwoApplications(WebApplication::joinOnly(1).set(31, "REFER").set(33, "R-1").set(46, "300"));
    ASSERT_EQ(runProgram("share-balance-written").exitCode, kCrashExitCode);
    const Run again = runProgram();
    ASSERT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_TRUE(again.output.contains("Member 1 had Status of REFER from eIDV.")) << again.output.toStdString();
    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberBalances WHERE MemberNo=1"), 1);
    EXPECT_EQ(webLog(1), QStringList{"New member 1 auto added via VeltImporter|JOIN|NEW"});
    EXPECT_EQ(importedFlag(1), "Y");
    expectSecondApplicationImported();
}

TEST_F(CrashSafetyTest, ExistingMemberIsNotReportedOrRefusedTwice) {
    addMember({});
    addTwoApplications(WebApplication::joinAndBorrow(1));
    ASSERT_EQ(runProgram("member-written").exitCode, kCrashExitCode);
    const Run again = runProgram();
    ASSERT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_FALSE(again.output.contains("thought they were a new member")) << again.output.toStdString();
    EXPECT_EQ(webLog(500),
              QStringList{"Member applied to join and borrow but they are already an existing member|JOINBORROW|NOTNEW"});
    EXPECT_EQ(count("TarvMain", "SELECT * FROM MemberMain WHERE Surname='Smith'"), 1);
    EXPECT_EQ(importedFlag(1), "Y");
    expectSecondApplicationImported();
}

TEST_F(CrashSafetyTest, ReinstatementIsRecordedOnce) {
    addMember({.status = "L"});
    addTwoApplications(WebApplication::joinAndBorrow(1));
    ASSERT_EQ(runProgram("before-marking").exitCode, kCrashExitCode);
    ASSERT_EQ(runProgram().exitCode, 0);
    EXPECT_EQ(changes(500), QStringList{"Member has rejoined the credit union via VELT"});
    EXPECT_EQ(diary(500).filter("REJOIN|").size(), 1);
    EXPECT_EQ(memberColumn(500, "MemberStatus"), "A");
    EXPECT_EQ(importedFlag(1), "Y");
}

TEST_F(CrashSafetyTest, ACrashBeforeTheMemberRowLeavesNothingToResume) {
    addTwoApplications(WebApplication::joinAndBorrow(1));
    // A journal naming the application, but the member row never written.
    inst.writeFile("import-journal.txt", "application=1\nmember=1\nnew=1\nrejoin=0\nstage=0\nend=\n");
    ASSERT_EQ(runProgram().exitCode, 0);
    EXPECT_EQ(memberColumn(1, "Surname"), "Smith");
    EXPECT_EQ(webLog(1), QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW"});
    EXPECT_EQ(members(), 2);
}

}  // namespace
