// Matching applicants to members and the checks against the member found, through the cycle.

#include "support/ImportPassFixture.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

class MemberMatchingTest : public ImportPassTest {};

const QString kLoanLine500 = QStringLiteral("Member 500 applied for L1 loan for \u00A31000 over 12 months for Car repairs.");
const QString kLoanCreated = QStringLiteral("Created loan application with initial status of PASS|BORROW|LOAN PASS");
const QString kLoanNote = QStringLiteral(". Member applied for L1 loan for \u00A31000 over 12 months for Car repairs");
const QString kNotNew = QStringLiteral("Member applied to join and borrow but they are already an existing member|JOINBORROW|NOTNEW");
// Contact preferences and joining details of member 500 as one text.
const QString kPreferences = QStringLiteral("MarketingDate || '|' || ByEmail || '|' || Statementdest || '|' || DOJ || '|' || JoinChannel");
const QString kUntouched = QStringLiteral("<null>");  // no MarketingDate: the member was not refreshed
const QString kRefreshed = QStringLiteral("2026-03-05|1|E|2001-01-01|C");

// Names and addresses are compared without regard to case.
TEST_F(MemberMatchingTest, FoundByNinoByNameAndBirthDateOrByTheirNumber) {
    addMember({.title = "MR", .forename = "JOHN", .surname = "SMITH", .homeEmail = "John.Smith@Example.com"});
    addMember({.number = 600, .forename = "Mary", .surname = "Jones", .ni = ""});
    addMember({.number = 700, .forename = "Ann", .surname = "Lee", .ni = "ZZ111111Z"});
    add(WebApplication::joinAndBorrow(3));  // NINO: member 500
    WebApplication byNumber = withNino(WebApplication::joinAndBorrow(5).set(4, "Ann").set(6, "Lee"), "");
    byNumber.memberNumber = "700";
    for (const WebApplication& a : {withNino(WebApplication::joinOnly(4).set(4, "mary").set(6, "JONES"), ""), byNumber,
                                    withNino(WebApplication::joinAndBorrow(6).set(4, "Peter"), ""),
                                    withNino(WebApplication::joinAndBorrow(7).set(7, "16/04/1985"), "CD123456A"),
                                    withNino(WebApplication::joinAndBorrow(8).set(6, "Other"), "QQ123456A")})
        add(a);
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
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberPassword WHERE MemberNo <= 700") +
                  rows("TarvMain", "SELECT * FROM MemberBalances WHERE MemberNo <= 700") + changes(500).size(), 0);
    EXPECT_EQ(successes().filter("member 500"),
              QStringList{"Created L1 loan app C1001 for member 500 for \u00A31000. Status P." + suffix(3)});
}

// A refused join-only application's note names no loan.
TEST_F(MemberMatchingTest, TwoMembersSharingTheNumberOrTheNameAndBirthDateRefuseTheApplication) {
    addMember({});
    addMember({.number = 600, .forename = "Jane"});  // the same initial, surname, birth date and NINO
    addMember({.number = 700, .forename = "Ann", .surname = "Lee", .ni = "EF123456A", .status = "D"});
    add(WebApplication::joinAndBorrow(3));
    add(withNino(WebApplication::joinOnly(4), ""));
    add(withNino(WebApplication::joinOnly(5).set(4, "Ann").set(6, "Lee"), "EF123456A"));
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"Member thought they were a new member, but we have matched NINO to 2 records so "
                                       "application is being skipped." + suffix(3),
                                       "Member 0 applied for L1 loan for \u00A31000 over 12 months for Car repairs.",
                                       "Member thought they were a new member, but we have matched Name and DoB to 2 records "
                                       "so application is being skipped." + suffix(4),
                                       "Member thought they were a new member, but we have them under 700 as match made on NINO "
                                       "of EF123456A." + suffix(5),
                                       "Member 700 current status is [D]eceased so application is being skipped." + suffix(5)}));
    EXPECT_EQ(QString::number(members()) + importedFlag(3) + importedFlag(4), "3YY");
    EXPECT_EQ(webLog(0), QStringList{});
    EXPECT_EQ(diary(700), QStringList{"VELT|VELT application skipped as member is marked as deceased"});
    // The applicants matched to several members are told; the one refused as a member is not.
    const QString told = QStringLiteral("john.smith@example.com|Issue with your application with Riverside Credit Union");
    EXPECT_EQ(applicantMails(), (QStringList{told, told}));
}

// ---- CheckExistingMemberDetails refusals --------------------------------------------------

struct Refusal {
    const char* name;
    ImportPassTest::Member member;
    QString problem;  // after "Member 500 "
    QString note;     // after "VELT application skipped "
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class RefusalTest : public MemberMatchingTest, public ::testing::WithParamInterface<Refusal> {};

// Each refusal's line, diary note and WebLog row; the application and its addresses marked, the member untouched.
TEST_P(RefusalTest, RefusedWithItsLineDiaryNoteAndWebLogRow) {
    const Refusal& r = GetParam();
    WebApplication a = WebApplication::joinAndBorrow(9);
    a.memberNumber = "500";
    addMember(r.member);
    add(a);
    if (QString(r.name) == "pendingLoan")
        inst.exec("TarvTran", "INSERT INTO LoanAllocation (MemberNo, LoanNumber, Posted) VALUES (500, 'C1234', 0)");
    runCycle();

    const QString note = "VELT application skipped " + r.note + kLoanNote;
    const QString problem = r.name == QString("pendingLoan") ? r.problem : "Member 500 " + r.problem + " so application is being skipped.";
    const QStringList readBack = problems() + diary(500) + webLog(500) + QStringList{importedFlag(9) +
        onlineScalar("SELECT field_21 FROM table_ad").toString(), QString::number(members()), memberColumn(500, kPreferences),
        QString::number(rows("TarvMain", "SELECT * FROM MemberUDF"))};
    EXPECT_EQ(readBack, (QStringList{problem + suffix(9), kLoanLine500, "VELT|" + note, note + "|JOINBORROW|SKIPPED", "YY", "1",
                                     kUntouched, "0"}));
    EXPECT_EQ(applicantMails(), QStringList{});  // a member refused is not sent the failure email
}

INSTANTIATE_TEST_SUITE_P(
    CheckExistingMemberDetails, RefusalTest,
    ::testing::Values(
        Refusal{"nino", {.ni = "zy 98 76 54 a"}, "specified NINO as AB123456C whereas we hold zy 98 76 54 a", "due to NINO deviation"},
        Refusal{"dob", {.dob = "1985-04-16"}, "specified DOB as 15/04/1985 whereas we hold 16/04/1985", "due to DoB deviation"},
        Refusal{"forename", {.forename = "Jon"}, "specified Forename as John whereas we hold Jon", "due to Forename deviation"},
        Refusal{"surname", {.surname = "Smythe"}, "specified Surname as Smith whereas we hold Smythe",
                "due to Surname deviation on non female member"},
        Refusal{"badDebtor", {.status = "B"}, "current status is [B]ad debtor", "as member is marked as bad debtor"},
        Refusal{"deceased", {.status = "D"}, "current status is [D]eceased", "as member is marked as deceased"},
        Refusal{"juvenile", {.status = "J"}, "current status is [J]uvenile", "as member is marked as juvenile"},
        Refusal{"email", {.homeEmail = "old@example.com"}, "specified email as john.smith@example.com whereas we hold old@example.com",
                "due to email address deviation"},
        Refusal{"pendingLoan", {}, "Skipped ln app for member 500 as they already have a pending app - C1234.",
                "due to pending loan application"}),
    [](const auto& info) { return std::string(info.param.name); });

// Differences from the member held are only noted: 800's name is not rewritten. Former members are reinstated: left
// (asked for "A"), G (nothing asked: an adult is "A") and left again (asked "j", read in capitals).
TEST_F(MemberMatchingTest, DifferencesAndFormerStatusesAreOnlyNotedAndTheMemberImported) {
    addMember({.status = "L"});
    addMember({.number = 600, .ni = "CD123456A", .status = "G"});
    addMember({.number = 700, .ni = "EF123456A", .status = "L"});
    addMember({.number = 800, .title = "Dr", .midname = "Paul", .surname = "Jones", .ni = "GH123456A", .sex = "F"});
    inst.exec("TarvMain", "UPDATE MemberMain SET DOL='2020-06-30', DOJ='1999-01-01' WHERE MemberNo=500");
    add(WebApplication::joinAndBorrow(9).set(11, "A"));
    add(withNino(WebApplication::joinOnly(10), "CD123456A"));
    add(withNino(WebApplication::joinOnly(11).set(11, "j"), "EF123456A"));
    WebApplication byNumber = withNino(WebApplication::joinAndBorrow(12), "GH123456A");
    byNumber.memberNumber = "800";
    add(byNumber);
    runCycle();
    const QString found = "Member thought they were a new member, but we have them under %1 as match made on NINO of %2.";
    EXPECT_EQ(problems(), (QStringList{found.arg(500).arg("AB123456C") + suffix(9),
                                       "FYI Member 500 current status is [L]eft but being reinstated as A." + suffix(9),
                                       found.arg(600).arg("CD123456A") + suffix(10),
                                       "FYI Member 600 current status is G but being reinstated as ." + suffix(10),
                                       found.arg(700).arg("EF123456A") + suffix(11),
                                       "FYI Member 700 current status is [L]eft but being reinstated as J." + suffix(11),
                                       "FYI Member 800 specified Title as Mr whereas we hold Dr." + suffix(12),
                                       "FYI Member 800 specified Midname as  whereas we hold Paul." + suffix(12),
                                       "FYI Member 800 specified Surname as Smith whereas we hold Jones." + suffix(12)}))
        << report();
    EXPECT_EQ(memberColumn(800, "Surname") + '|' + memberColumn(800, kPreferences), "Jones|" + kRefreshed);
    // Status, DOJ, DOL, channel; marketing choices are not taken on a rejoin.
    const QString rejoin = "MemberStatus || '|' || DOJ || '|' || COALESCE(DOL, 'none') || '|' || JoinChannel || '|' || ByEmail";
    EXPECT_EQ(memberColumn(500, rejoin + " || '|' || NewMember"), "A|2026-03-05|none|L|0|0");
    EXPECT_EQ(memberColumn(600, "MemberStatus") + memberColumn(700, "MemberStatus") + QString::number(members()), "AJ4");
    EXPECT_EQ(diary(500).filter("REJOIN|") + changes(500) + webLog(500),
              (QStringList{"REJOIN|Member has rejoined the Credit Union via VELT", "Member has rejoined the credit union via VELT", kNotNew,
                           "Member has rejoined the credit union via VELT|JOIN|REJOIN", kLoanCreated}));
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberPassword"), 0);  // not a new member
}

}  // namespace
