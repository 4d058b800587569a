// Matching applicants to members and the checks against the member found, through the cycle.

#include "import/ImportPassFixture.h"
#include <functional>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

class MemberMatchingTest : public ImportPassTest {};
using Arrange = std::function<void(ImportPassTest::Member&, WebApplication&)>;

const QString kLoanLine500 = QStringLiteral("Member 500 applied for L1 loan for \u00A31000 over 12 months for Car repairs.");
const QString kLoanCreated = QStringLiteral("Created loan application with initial status of PASS|BORROW|LOAN PASS");
const QString kLoanNote = QStringLiteral(". Member applied for L1 loan for \u00A31000 over 12 months for Car repairs");
const QString kNotNew = QStringLiteral("Member applied to join and borrow but they are already an existing member|JOINBORROW|NOTNEW");
// Contact preferences and joining details of member 500 as one text.
const QString kPreferences = QStringLiteral("MarketingDate || '|' || ByEmail || '|' || Statementdest || '|' || DOJ || '|' || JoinChannel");
const QString kUntouched = QStringLiteral("<null>");  // no MarketingDate: the member was not refreshed
const QString kRefreshed = QStringLiteral("2026-03-05|1|E|2001-01-01|C");

// ---- Finding the member -------------------------------------------------------------------

TEST_F(MemberMatchingTest, FoundByNinoByNameAndBirthDateOrByTheirNumber) {
    addMember({});
    addMember({.number = 600, .forename = "Mary", .surname = "Jones", .ni = ""});
    addMember({.number = 700, .forename = "Ann", .surname = "Lee", .ni = "ZZ111111Z"});
    add(WebApplication::joinAndBorrow(3));                                      // NINO: member 500
    WebApplication byName = WebApplication::joinOnly(4).set(4, "mary").set(6, "JONES");
    WebApplication byNumber = WebApplication::joinAndBorrow(5).set(4, "Ann").set(6, "Lee");
    WebApplication otherInitial = WebApplication::joinAndBorrow(6).set(4, "Peter");
    WebApplication otherBirthDate = WebApplication::joinAndBorrow(7).set(7, "16/04/1985");
    WebApplication plainNumber = WebApplication::joinAndBorrow(8).set(6, "Other");
    byName.niNumber.clear();
    byNumber.niNumber.clear();
    byNumber.memberNumber = "700";
    otherInitial.niNumber.clear();
    otherBirthDate.niNumber = "CD123456A";
    plainNumber.niNumber = "QQ123456A";
    for (const WebApplication& a : {byName, byNumber, otherInitial, otherBirthDate, plainNumber}) add(a);
    onlineExec("UPDATE table_w SET field_1='0000000500' WHERE field_id=8");  // a number stored without the encoding is no number
    runCycle();

    EXPECT_EQ(problems(), (QStringList{"Member thought they were a new member, but we have them under 500 as match made on NINO "
                                       "of AB123456C." + suffix(3),
                                       "Member thought they were a new member, but we have them under 600 as match made on Name "
                                       "and DoB." + suffix(4)}))
        << report();
    EXPECT_EQ(webLog(500), (QStringList{kNotNew, kLoanCreated}));
    EXPECT_EQ(webLog(600), QStringList{"Member applied for membership but they are already an existing member|JOIN|NOTNEW"});
    EXPECT_EQ(webLog(700), QStringList{kLoanCreated});
    EXPECT_EQ(inst.values("TarvMain", "SELECT Forename || ' ' || Surname FROM MemberMain WHERE MemberNo > 700 ORDER BY MemberNo"),
              (QStringList{"Peter Smith", "John Smith", "John Other"}));
    // A member found gets fresh contact preferences and nothing else of a new member.
    for (long found : {500, 600, 700}) EXPECT_EQ(memberColumn(found, kPreferences), kRefreshed) << found;
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberPassword WHERE MemberNo <= 700"), 0);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberBalances WHERE MemberNo <= 700"), 0);
    EXPECT_EQ(changes(500), QStringList{});
    EXPECT_EQ(successes().filter("member 500"),
              QStringList{"Created L1 loan app C1001 for member 500 for \u00A31000. Status P." + suffix(3)});
}

TEST_F(MemberMatchingTest, TwoMembersSharingTheNumberOrTheNameAndBirthDateRefuseTheApplication) {
    addMember({});
    addMember({.number = 600, .forename = "Jane"});  // the same initial, surname, birth date and NINO
    add(WebApplication::joinAndBorrow(3));
    WebApplication withoutNino = WebApplication::joinOnly(4);
    withoutNino.niNumber.clear();
    add(withoutNino);
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"Member thought they were a new member, but we have matched NINO to 2 records so "
                                       "application is being skipped." + suffix(3),
                                       "Member 0 applied for L1 loan for \u00A31000 over 12 months for Car repairs.",
                                       "Member thought they were a new member, but we have matched Name and DoB to 2 records "
                                       "so application is being skipped." + suffix(4)}));
    EXPECT_EQ(members(), 2);
    EXPECT_EQ(importedFlag(3) + importedFlag(4), "YY");
    EXPECT_EQ(webLog(0), QStringList{});
}

// ---- CheckExistingMemberDetails refusals --------------------------------------------------

struct Refusal {
    const char* name;
    Arrange arrange;
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
    EXPECT_EQ(memberColumn(500, kPreferences), kUntouched);
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

// ---- Differences that do not refuse ---------------------------------------------------------

TEST_F(MemberMatchingTest, NamesAndAddressesAreComparedWithoutRegardToCase) {
    addMember({.title = "MR", .forename = "JOHN", .surname = "SMITH", .homeEmail = "John.Smith@Example.com"});
    add(WebApplication::joinAndBorrow(9));
    runCycle();
    EXPECT_EQ(problems().size(), 1) << report();  // only the "thought they were new" line
    EXPECT_EQ(memberColumn(500, kPreferences), kRefreshed);
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
    EXPECT_EQ(memberColumn(500, "Surname"), "Jones");  // an existing member's name is not rewritten
    EXPECT_EQ(memberColumn(500, kPreferences), kRefreshed);
}

// ---- Former members ---------------------------------------------------------------------------

// Left (asked for "A"), G (nothing asked: an adult is "A") and left again (asked "j", read in capitals).
TEST_F(MemberMatchingTest, FormerMembersAreReinstatedWithTheStatusAskedFor) {
    addMember({.status = "L"});
    addMember({.number = 600, .ni = "CD123456A", .status = "G"});
    addMember({.number = 700, .ni = "EF123456A", .status = "L"});
    inst.exec("TarvMain", "UPDATE MemberMain SET DOL='2020-06-30', DOJ='1999-01-01' WHERE MemberNo=500");
    add(WebApplication::joinAndBorrow(9).set(11, "A"));
    WebApplication nothingAsked = WebApplication::joinOnly(10);
    WebApplication junior = WebApplication::joinOnly(11).set(11, "j");
    nothingAsked.niNumber = "CD123456A";
    junior.niNumber = "EF123456A";
    add(nothingAsked);
    add(junior);
    runCycle();
    for (const QString& line : {"FYI Member 500 current status is [L]eft but being reinstated as A." + suffix(9),
                                "FYI Member 600 current status is G but being reinstated as ." + suffix(10),
                                "FYI Member 700 current status is [L]eft but being reinstated as J." + suffix(11)})
        EXPECT_TRUE(problems().contains(line)) << line.toStdString() << "\n" << report();
    EXPECT_EQ(members(), 3);
    // Status, DOJ, DOL, channel; marketing choices are not taken on a rejoin.
    const QString rejoin = "MemberStatus || '|' || DOJ || '|' || COALESCE(DOL, 'none') || '|' || JoinChannel || '|' || ByEmail";
    EXPECT_EQ(memberColumn(500, rejoin + " || '|' || NewMember"), "A|2026-03-05|none|L|0|0");
    EXPECT_EQ(memberColumn(600, "MemberStatus") + memberColumn(700, "MemberStatus"), "AJ");
    EXPECT_EQ(diary(500).filter("REJOIN|"), QStringList{"REJOIN|Member has rejoined the Credit Union via VELT"});
    EXPECT_EQ(changes(500), QStringList{"Member has rejoined the credit union via VELT"});
    EXPECT_EQ(webLog(500), (QStringList{kNotNew, "Member has rejoined the credit union via VELT|JOIN|REJOIN", kLoanCreated}));
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberPassword"), 0);  // not a new member
}

}  // namespace
