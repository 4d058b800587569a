// Matching applicants to members and the checks against the member found, through the cycle.

#include "import/ImportPassFixture.h"
#include <functional>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

class MemberMatchingTest : public ImportPassTest {
protected:
    // The member is left exactly as it was: no refresh of its preferences.
    void expectUntouched(long number) {
        EXPECT_EQ(memberColumn(number, "MarketingDate"), "<null>");
        EXPECT_EQ(memberColumn(number, "ByEmail"), "0");
    }
};

const QString kLoanLine500 = QStringLiteral("Member 500 applied for L1 loan for \u00A31000 over 12 months for Car repairs.");
const QString kLoanCreated = QStringLiteral("Created loan application with initial status of PASS|BORROW|LOAN PASS");
const QString kLoanNote = QStringLiteral(". Member applied for L1 loan for \u00A31000 over 12 months for Car repairs");

TEST_F(MemberMatchingTest, NewApplicantFoundByNationalInsuranceNumber) {
    addMember({});
    add(WebApplication::joinAndBorrow(3));
    runCycle();
    EXPECT_EQ(problems(), QStringList{"Member thought they were a new member, but we have them under 500 as match made on "
                                      "NINO of AB123456C." + suffix(3)}) << report();
    EXPECT_EQ(webLog(500), (QStringList{"Member applied to join and borrow but they are already an existing member|JOINBORROW|NOTNEW",
                                        kLoanCreated}));
    EXPECT_EQ(members(), 1);
    // An existing member gets fresh contact preferences, nothing else of a new member.
    EXPECT_EQ(memberColumn(500, "MarketingDate"), "2026-03-05");
    EXPECT_EQ(memberColumn(500, "ByEmail"), "1");
    EXPECT_EQ(memberColumn(500, "Statementdest"), "E");
    EXPECT_EQ(memberColumn(500, "DOJ"), "2001-01-01");
    EXPECT_EQ(memberColumn(500, "JoinChannel"), "C");
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberPassword"), 0);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberBalances"), 0);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberUDF WHERE MemberNo=500"), 1);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberCircumstance WHERE MemberNo=500"), 1);
    EXPECT_EQ(changes(500), QStringList{});
    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Created L1 loan app C1001 for member 500 for \u00A31000. Status P." + suffix(3),
                                        kCompletedLine}));
    EXPECT_EQ(importedFlag(3), "Y");
    EXPECT_EQ(im().app.field[11], "A");  // the status held
}

TEST_F(MemberMatchingTest, JoinOnlyApplicantAlreadyAMemberHasTheJoinWebLogRow) {
    addMember({});
    add(WebApplication::joinOnly(3));
    runCycle();
    EXPECT_EQ(webLog(500), QStringList{"Member applied for membership but they are already an existing member|JOIN|NOTNEW"});
}

TEST_F(MemberMatchingTest, NewApplicantFoundByNameAndDateOfBirth) {
    addMember({.ni = ""});
    add(WebApplication::joinAndBorrow(4).set(4, "johnny").set(6, "SMITH"));
    runCycle();
    EXPECT_TRUE(problems().contains("Member thought they were a new member, but we have them under 500 as match made on "
                                    "Name and DoB." + suffix(4))) << report();
    EXPECT_EQ(members(), 1);
}

TEST_F(MemberMatchingTest, AnotherInitialOrBirthDateIsAnotherPerson) {
    addMember({.ni = ""});
    add(WebApplication::joinAndBorrow(4).set(4, "Peter"));
    WebApplication second = WebApplication::joinAndBorrow(5).set(7, "16/04/1985");
    second.niNumber = "CD123456A";
    add(second);
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(members(), 3);
}

TEST_F(MemberMatchingTest, ApplicantGivingTheirMemberNumberIsMatchedByIt) {
    addMember({.ni = "ZZ111111Z"});
    WebApplication a = WebApplication::joinAndBorrow(5);
    a.memberNumber = "500";
    a.niNumber.clear();
    add(a);
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();  // no "thought they were new" line
    EXPECT_EQ(webLog(500), QStringList{kLoanCreated});
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(memberColumn(500, "MarketingDate"), "2026-03-05");
}

TEST_F(MemberMatchingTest, AShortMemberNumberCountsAsNew) {
    addMember({.ni = ""});
    WebApplication a = WebApplication::joinAndBorrow(6);
    a.niNumber = "QQ123456A";
    a.set(6, "Other");
    add(a);
    onlineExec("UPDATE table_w SET field_1='0000000500' WHERE field_id=6");
    runCycle();
    EXPECT_EQ(memberColumn(501, "Surname"), "Other");
}

TEST_F(MemberMatchingTest, TwoMembersSharingTheNumberRefuseTheApplication) {
    addMember({});
    addMember({.number = 600, .forename = "Jane"});
    add(WebApplication::joinAndBorrow(3));
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"Member thought they were a new member, but we have matched NINO to 2 records so "
                                       "application is being skipped." + suffix(3),
                                       "Member 0 applied for L1 loan for \u00A31000 over 12 months for Car repairs."}));
    EXPECT_EQ(members(), 2);
    EXPECT_EQ(importedFlag(3), "Y");
    EXPECT_EQ(webLog(0), QStringList{});
}

TEST_F(MemberMatchingTest, TwoMembersSharingNameAndBirthDateRefuseTheApplication) {
    addMember({.ni = ""});
    addMember({.number = 600, .forename = "Jim", .ni = ""});
    WebApplication a = WebApplication::joinOnly(3);
    a.niNumber.clear();
    add(a);
    runCycle();
    EXPECT_EQ(problems(), QStringList{"Member thought they were a new member, but we have matched Name and DoB to 2 records "
                                      "so application is being skipped." + suffix(3)});
    EXPECT_EQ(importedFlag(3), "Y");
}

// ---- CheckExistingMemberDetails refusals --------------------------------------------------

struct Refusal {
    const char* name;
    std::function<void(ImportPassTest::Member&, WebApplication&)> arrange;
    QString problem;
    QString notes;
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class RefusalTest : public MemberMatchingTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, RefusedWithItsLineDiaryNoteAndWebLogRow) {
    const Refusal& r = GetParam();
    Member m;
    WebApplication a = WebApplication::joinAndBorrow(9);
    a.memberNumber = "500";
    r.arrange(m, a);
    addMember(m);
    add(a);
    if (QString(r.name) == "pendingLoan")
        inst.exec("TarvTran", "INSERT INTO LoanAllocation (MemberNo, LoanNumber, Posted) VALUES (500, 'C1234', 0)");
    runCycle();

    EXPECT_EQ(problems(), (QStringList{r.problem + suffix(9), kLoanLine500})) << report();
    EXPECT_EQ(diary(500), QStringList{"VELT|" + r.notes + kLoanNote});
    EXPECT_EQ(webLog(500), QStringList{r.notes + kLoanNote + "|JOINBORROW|SKIPPED"});
    EXPECT_EQ(importedFlag(9), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad").toString(), "Y");
    EXPECT_EQ(members(), 1);
    expectUntouched(500);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberUDF"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    CheckExistingMemberDetails, RefusalTest,
    ::testing::Values(
        Refusal{"nino", [](auto& m, auto&) { m.ni = "zy 98 76 54 a"; },
                "Member 500 specified NINO as AB123456C whereas we hold zy 98 76 54 a so application is being skipped.",
                "VELT application skipped due to NINO deviation"},
        Refusal{"dob", [](auto& m, auto&) { m.dob = "1985-04-16"; },
                "Member 500 specified DOB as 15/04/1985 whereas we hold 16/04/1985 so application is being skipped.",
                "VELT application skipped due to DoB deviation"},
        Refusal{"forename", [](auto& m, auto&) { m.forename = "Jon"; },
                "Member 500 specified Forename as John whereas we hold Jon so application is being skipped.",
                "VELT application skipped due to Forename deviation"},
        Refusal{"surname", [](auto& m, auto&) { m.surname = "Smythe"; },
                "Member 500 specified Surname as Smith whereas we hold Smythe so application is being skipped.",
                "VELT application skipped due to Surname deviation on non female member"},
        Refusal{"badDebtor", [](auto& m, auto&) { m.status = "B"; },
                "Member 500 current status is [B]ad debtor so application is being skipped.",
                "VELT application skipped as member is marked as bad debtor"},
        Refusal{"deceased", [](auto& m, auto&) { m.status = "D"; },
                "Member 500 current status is [D]eceased so application is being skipped.",
                "VELT application skipped as member is marked as deceased"},
        Refusal{"juvenile", [](auto& m, auto&) { m.status = "J"; },
                "Member 500 current status is [J]uvenile so application is being skipped.",
                "VELT application skipped as member is marked as juvenile"},
        Refusal{"email", [](auto& m, auto&) { m.homeEmail = "old@example.com"; },
                "Member 500 specified email as john.smith@example.com whereas we hold old@example.com so application is "
                "being skipped.",
                "VELT application skipped due to email address deviation"},
        Refusal{"pendingLoan", [](auto&, auto&) {},
                "Skipped ln app for member 500 as they already have a pending app - C1234.",
                "VELT application skipped due to pending loan application"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemberMatchingTest, RefusedJoinOnlyApplicationHasNoLoanDetails) {
    addMember({.status = "D"});
    add(WebApplication::joinOnly(9));
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"Member thought they were a new member, but we have them under 500 as match made on "
                                       "NINO of AB123456C." + suffix(9),
                                       "Member 500 current status is [D]eceased so application is being skipped." + suffix(9)}));
    EXPECT_EQ(diary(500), QStringList{"VELT|VELT application skipped as member is marked as deceased"});
}

TEST_F(MemberMatchingTest, NamesAndAddressesAreComparedWithoutRegardToCase) {
    addMember({.title = "MR", .forename = "JOHN", .surname = "SMITH", .homeEmail = "John.Smith@Example.com"});
    add(WebApplication::joinAndBorrow(9));
    runCycle();
    EXPECT_EQ(problems().size(), 1) << report();  // only the "thought they were new" line
    EXPECT_EQ(importedFlag(9), "Y");
    EXPECT_EQ(memberColumn(500, "MarketingDate"), "2026-03-05");
}

TEST_F(MemberMatchingTest, DifferencesThatAreOnlyNotedStillImport) {
    addMember({.title = "Dr", .midname = "Paul", .surname = "Jones", .sex = "F"});
    WebApplication a = WebApplication::joinAndBorrow(9);
    a.memberNumber = "500";
    add(a);
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"FYI Member 500 specified Title as Mr whereas we hold Dr." + suffix(9),
                                       "FYI Member 500 specified Midname as  whereas we hold Paul." + suffix(9),
                                       "FYI Member 500 specified Surname as Smith whereas we hold Jones." + suffix(9)}))
        << report();
    EXPECT_EQ(importedFlag(9), "Y");
    EXPECT_EQ(memberColumn(500, "Surname"), "Jones");  // an existing member's name is not rewritten
    EXPECT_EQ(memberColumn(500, "MarketingDate"), "2026-03-05");
}

TEST_F(MemberMatchingTest, FormerMemberIsReinstated) {
    addMember({.status = "L"});
    inst.exec("TarvMain", "UPDATE MemberMain SET DOL='2020-06-30', DOJ='1999-01-01' WHERE MemberNo=500");
    add(WebApplication::joinAndBorrow(9).set(11, "A"));
    runCycle();
    EXPECT_TRUE(problems().contains("FYI Member 500 current status is [L]eft but being reinstated as A." + suffix(9))) << report();
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(memberColumn(500, "MemberStatus"), "A");
    EXPECT_EQ(memberColumn(500, "DOJ"), "2026-03-05");
    EXPECT_EQ(memberColumn(500, "DOL"), "<null>");
    EXPECT_EQ(memberColumn(500, "JoinChannel"), "L");
    EXPECT_EQ(memberColumn(500, "ByEmail"), "0");      // marketing choices are not taken on a rejoin
    EXPECT_EQ(memberColumn(500, "NewMember"), "0");
    EXPECT_EQ(diary(500).filter("REJOIN|"), QStringList{"REJOIN|Member has rejoined the Credit Union via VELT"});
    EXPECT_EQ(changes(500), QStringList{"Member has rejoined the credit union via VELT"});
    EXPECT_EQ(webLog(500), (QStringList{
                               "Member applied to join and borrow but they are already an existing member|JOINBORROW|NOTNEW",
                               "Member has rejoined the credit union via VELT|JOIN|REJOIN", kLoanCreated}));
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberPassword"), 0);  // not a new member
    EXPECT_EQ(importedFlag(9), "Y");
}

struct FormerStatus {
    const char* held;
    const char* shown;   // in the report line
    const char* asked;   // field_11, read in capitals
    const char* status;  // nothing asked for: an adult is "A"
};

class FormerStatusTest : public MemberMatchingTest, public ::testing::WithParamInterface<FormerStatus> {};

TEST_P(FormerStatusTest, IsReinstatedWithTheStatusAskedFor) {
    const FormerStatus& c = GetParam();
    addMember({.status = c.held});
    WebApplication a = WebApplication::joinOnly(9);
    if (*c.asked) a.set(11, c.asked);
    add(a);
    runCycle();
    EXPECT_TRUE(problems().contains(QStringLiteral("FYI Member 500 current status is %1 but being reinstated as %2.")
                                        .arg(c.shown, QString(c.asked).toUpper()) + suffix(9)))
        << report();
    EXPECT_EQ(memberColumn(500, "MemberStatus"), c.status);
    EXPECT_EQ(importedFlag(9), "Y");
}

INSTANTIATE_TEST_SUITE_P(Statuses, FormerStatusTest,
                         ::testing::Values(FormerStatus{"G", "G", "", "A"}, FormerStatus{"L", "[L]eft", "", "A"},
                                           FormerStatus{"Z", "Z", "", "A"}, FormerStatus{"L", "[L]eft", "j", "J"}));

}  // namespace
