// The pass as a whole, against each engine the website's database runs on: what it writes
// online, refusals at intake, single-application runs, the member number limit, runs without
// applications, hostile values, stops, failures half-way and a run after a lost marking.

#include "import/ImportPassFixture.h"

#include <QFile>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

const QString kLoanCreatedLog = QStringLiteral("Created loan application with initial status of PASS|BORROW|LOAN PASS");

class ImportPassRunTest : public OnlineImportPassTest {};
INSTANTIATE_FOR_EACH_ONLINE_BACKEND(ImportPassRunTest);

const QString kLoanLine0 = QStringLiteral("Member 0 applied for L1 loan for \u00A31000 over 12 months for Car repairs.");

TEST_P(ImportPassRunTest, NewMemberIsImportedAndOnlyTheImportedFlagsAreWritten) {
    add(WebApplication::joinAndBorrow(7));
    const QStringList columns{"field_2", "field_4", "field_6", "field_103", "field_105"};
    QStringList before;
    for (const QString& c : columns) before << applicationColumn(7, c);
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 1 - Smith" + suffix(7),
                                        "Created L1 loan app C1001 for member 1 for \u00A31000. Status P." + suffix(7),
                                        kCompletedLine}));
    EXPECT_EQ(memberColumn(1, "NINumber"), "AB123456C");
    EXPECT_EQ(memberColumn(1, "DOB"), "1985-04-15");
    EXPECT_EQ(column("TarvMain", "MemberUDF", "UDF1", "MemberNo=1"), "Acme Widgets Ltd");
    EXPECT_EQ(importedFlag(7), "Y");
    EXPECT_EQ(applicationColumn(7, "field_108"), kImportedStamp);
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad").toString(), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_22 FROM table_ad").toString(), kImportedStamp);
    for (int i = 0; i < columns.size(); ++i) EXPECT_EQ(applicationColumn(7, columns[i]), before[i]) << columns[i].toStdString();
}

TEST_P(ImportPassRunTest, MatchesAndRefusalsMarkTheRowsOnce) {
    addMember({});
    add(WebApplication::joinAndBorrow(3));
    WebApplication refused = WebApplication::joinAndBorrow(4).set(6, "Smythe");
    refused.memberNumber = "500";
    refused.niNumber = "CD123456A";
    add(refused);
    runCycle();
    EXPECT_TRUE(problems().contains("Member thought they were a new member, but we have them under 500 as match made on NINO "
                                    "of AB123456C." + suffix(3))) << report();
    EXPECT_TRUE(problems().contains("Member 500 specified NINO as CD123456A whereas we hold AB123456C so application is being "
                                    "skipped." + suffix(4))) << report();
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(importedFlag(3), "Y");
    EXPECT_EQ(importedFlag(4), "Y");
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 2);
}

TEST_P(ImportPassRunTest, BlankOrInvalidBirthDateAndMissingOrNumericSurnameAreRefused) {
    const QString dob = "VELT Application has blank DOB - record skipped.";
    const QString surname = "VELT Application has no valid Surname - record skipped.";
    const struct { int field; const char* value; bool borrow; } refusals[] = {
        {7, "", true}, {7, "31/02/1990", false}, {6, "", true}, {6, "12345", false},
        {6, "'/#", false},  // nothing left after cleaning
    };
    for (long id = 1; id <= 5; ++id) {
        const auto& r = refusals[id - 1];
        WebApplication a = (r.borrow ? WebApplication::joinAndBorrow(id) : WebApplication::joinOnly(id)).set(r.field, r.value);
        a.niNumber = QStringLiteral("AB12345%1C").arg(id);
        add(a);
    }
    runCycle();
    EXPECT_EQ(problems(), (QStringList{dob + suffix(1), kLoanLine0, dob + suffix(2), surname + suffix(3), kLoanLine0,
                                       surname + suffix(4), surname + suffix(5)}));
    EXPECT_EQ(members(), 0);
    for (long id = 1; id <= 5; ++id) EXPECT_EQ(importedFlag(id), "Y");
    EXPECT_EQ(successes(), (QStringList{kStartedLine, kCompletedLine}));
}

TEST_P(ImportPassRunTest, IdFileImportsOnlyThatApplicationAndLeavesItUnmarked) {
    add(WebApplication::joinAndBorrow(1));
    WebApplication named = WebApplication::joinOnly(1234);
    named.niNumber = "CD123456A";
    named.imported = "Y";  // already imported once: an id run takes it all the same
    named.set(6, "Named").set(31, "PASS");
    add(named);
    inst.writeFile("id.txt", "1234\n");
    runCycle();

    EXPECT_FALSE(QFile::exists(inst.path("id.txt")));
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(memberColumn(1, "Surname"), "Named");
    EXPECT_EQ(applicationColumn(1234, "field_108"), "");  // not marked by this run
    EXPECT_EQ(importedFlag(1), "N");                      // not read at all
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 0);

    // The next cycle is an ordinary one again.
    inst.reporter().clear();
    runCycle();
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_EQ(memberColumn(2, "Surname"), "Smith");
    EXPECT_EQ(applicationColumn(1234, "field_108"), "");
}

TEST_P(ImportPassRunTest, MemberNumberLimitStopsThePassAtOnce) {
    addMember({.number = 99999998, .forename = "Ann", .surname = "Other", .ni = "ZZ000000Z", .home = false});
    add(WebApplication::joinOnly(1).set(31, "PASS"));
    WebApplication second = WebApplication::joinOnly(2).set(6, "Jones").set(31, "PASS");
    second.niNumber = "CD123456A";
    add(second);
    runCycle();
    EXPECT_EQ(memberColumn(99999999, "Surname"), "Smith");
    EXPECT_EQ(problems(), QStringList{"Member number limit exceeded - cannot import any further"});
    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 99999999 - Smith" + suffix(1)}));
    EXPECT_EQ(members(), 2);
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_EQ(importedFlag(2), "N");  // left for a later run
    EXPECT_TRUE(im().SkipImport);
    EXPECT_EQ(activityLogs(), QStringList{});  // the pass ended at once: no activity log
    const QStringList logs = filesIn("web");
    ASSERT_EQ(logs.size(), 1);
    QFile log(inst.path("web/" + logs.first()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).trimmed(), "Member number limit exceeded - cannot import any further");
}

// Nothing pending and no documents is silent; documents alone still complete a run.
TEST_P(ImportPassRunTest, RunsWithoutApplications) {
    runCycle();
    EXPECT_EQ(problems(), QStringList{});
    EXPECT_EQ(successes(), QStringList{});
    EXPECT_EQ(activityLogs(), QStringList{});
    onlineExec("INSERT INTO member_docs (member_no, Category, FileName, Title) VALUES ('x', 'y', 'scan.pdf', 'z')");
    runCycle();
    EXPECT_EQ(successes(), (QStringList{kStartedLine, kCompletedLine}));
    EXPECT_EQ(activityLogs().size(), 1);
}

TEST_P(ImportPassRunTest, HostileValuesNeitherBreakNorChangeAnyStatement) {
    WebApplication a = WebApplication::joinAndBorrow(1);
    a.niNumber = "AB'\\'; DELETE FROM table_ad; --";  // a raw key with a quote and a backslash, stored as typed
    a.niNumberPlain = true;
    a.set(6, "';\"; DELETE FROM MemberMain; --'").set(4, "O\\'Brien").set(5, "d'Arcy").set(12, "Tenant's flat")
        .set(34, "Quote ' and \" and ; and back\\slash in a field").set(89, "pass'word\"").set(103, "o'brien@example.com");
    a.addresses.first().email = "o'brien@example.com";
    add(a);
    WebApplication b = WebApplication::joinOnly(2).set(6, "O\u2019Neill").set(31, "PASS");
    b.niNumber = "CD123456A";
    b.namesAsUtf8 = true;  // as the website sends it
    add(b);
    onlineExec("INSERT INTO table_ad (field_2, field_3, field_20, field_21) VALUES ('another key', 'HOME', 'I', 'N')");
    runCycle();

    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(members(), 2);
    EXPECT_EQ(memberColumn(1, "Surname"), ";\"; Delete From Membermain; --");
    EXPECT_EQ(memberColumn(1, "Forename"), "Obrien");
    EXPECT_EQ(memberColumn(1, "NINumber"), "<null>");  // not a usable number
    EXPECT_EQ(column("TarvMain", "MemberUDF", "UDF1", "MemberNo=1"), "Quote ' and \" and ; and back\\slash in a field");
    EXPECT_EQ(column("TarvMain", "MemberUDF", "DWPHouseholdStatus", "MemberNo=1"), "Tenants flat");
    EXPECT_EQ(column("TarvMain", "MemberPassword", "OtherPassword", "MemberNo=1"), "pass'word\"");
    EXPECT_EQ(memberColumn(2, "Surname"), "Oneill");
    EXPECT_EQ(importedFlag(1), "Y");
    // Only the application's own address rows are marked.
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad WHERE field_2=" + sqlText(a.storedKey())).toString(), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad WHERE field_2='another key'").toString(), "N");
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad").toInt(), 3);
    EXPECT_EQ(webLog(1).size(), 2);  // the new member and the loan
}

TEST_P(ImportPassRunTest, AnApplicationWithoutKeyMarksNoAddressRowsOfOthers) {
    WebApplication a = WebApplication::joinAndBorrow(1);
    a.niNumber.clear();  // its address rows are found by the second key
    add(a);
    onlineExec("INSERT INTO table_ad (field_2, field_3, field_20, field_21) VALUES ('', 'HOME', 'I', 'N')");
    runCycle();
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_EQ(memberColumn(1, "Surname"), "Smith");
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 0);
}

TEST_P(ImportPassRunTest, NameAndBirthDateMatchWithAQuoteInTheSurnameFindsTheMember) {
    addMember({.surname = "Obrien", .ni = ""});  // as an earlier import stored it
    WebApplication a = WebApplication::joinAndBorrow(1).set(6, "o'brien");
    a.niNumber.clear();
    add(a);
    runCycle();
    EXPECT_TRUE(problems().contains("Member thought they were a new member, but we have them under 500 as match made on "
                                    "Name and DoB." + suffix(1))) << report();
}

TEST_P(ImportPassRunTest, StopRequestLeavesTheApplicationsPending) {
    add(WebApplication::joinAndBorrow(1));
    im().stopRequested = true;
    runCycle();
    EXPECT_EQ(members(), 0);
    EXPECT_EQ(importedFlag(1), "N");
    EXPECT_EQ(successes(), (QStringList{kStartedLine, kCompletedLine}));
}

// A statement that fails half-way through an application undoes all of it and leaves it
// pending; the next application is tried all the same, and a later cycle completes both.
TEST_P(ImportPassRunTest, AFailureHalfWayUndoesTheApplicationLeavesItPendingAndTheNextCycleCompletesIt) {
    add(WebApplication::joinAndBorrow(1));
    WebApplication second = WebApplication::joinAndBorrow(2).set(6, "Jones");
    second.niNumber = "CD123456A";
    add(second);
    // The member row can be written, its circumstances cannot.
    inst.exec("TarvMain", "ALTER TABLE MemberCircumstance RENAME TO MemberCircumstanceAway");
    runCycle();
    ASSERT_EQ(problems().size(), 6) << report();
    for (long id : {1, 2}) {
        const int at = static_cast<int>(id - 1) * 3;
        EXPECT_TRUE(problems()[at].startsWith("Error in Join+Borrow import routine (")) << report();
        EXPECT_TRUE(problems()[at + 1].endsWith(suffix(id))) << report();
        EXPECT_EQ(problems()[at + 2], "Nothing of the application was saved; it stays pending for the next cycle" + suffix(id));
        EXPECT_EQ(importedFlag(id), "N");
    }
    EXPECT_EQ(members(), 0);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberAddress"), 0);
    EXPECT_EQ(rows("TarvAudt", "SELECT * FROM WebLog"), 0);

    inst.exec("TarvMain", "ALTER TABLE MemberCircumstanceAway RENAME TO MemberCircumstance");
    inst.reporter().clear();
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();  // the same application, not "already a member"
    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 1 - Smith" + suffix(1),
                                        "Created L1 loan app C1001 for member 1 for \u00A31000. Status P." + suffix(1),
                                        "Added new member 2 - Jones" + suffix(2),
                                        "Created L1 loan app C1002 for member 2 for \u00A31000. Status P." + suffix(2),
                                        kCompletedLine}));
    EXPECT_EQ(members(), 2);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberBalances WHERE MemberNo=1"), 1);
    EXPECT_EQ(webLog(1), (QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW", kLoanCreatedLog}));
    EXPECT_EQ(changes(1), QStringList{"New member 1 auto added via VeltImporter"});
    EXPECT_EQ(importedFlag(1), "Y");
}

// A member number more than a 32-bit number holds, or an income too large for a currency
// amount, can never be imported: the application is refused and marked, the next one imports.
TEST_P(ImportPassRunTest, AnOverflowingMemberNumberOrIncomeRefusesOnlyThatApplication) {
    WebApplication first = WebApplication::joinOnly(1).set(31, "PASS");
    first.memberNumber = "98765432101";
    add(first);
    WebApplication second = WebApplication::joinAndBorrow(2).set(53, "1000000000000000");
    second.niNumber = "CD123456A";
    add(second);
    WebApplication third = WebApplication::joinAndBorrow(3).set(6, "Jones");
    third.niNumber = "EF123456A";
    add(third);
    runCycle();
    // The first refused applicant gave no address the fail email could go to.
    ASSERT_GE(problems().size(), 5) << report();
    EXPECT_EQ(problems().mid(0, 3), (QStringList{"Error in Join+Borrow import routine (6)", "Overflow" + suffix(1),
                                                 "Unable to send automated fail email to member 0 no address found."}))
        << report();
    EXPECT_EQ(problems().mid(3, 2), (QStringList{"Error in Join+Borrow import routine (6)", "Overflow" + suffix(2)})) << report();
    for (long id : {1, 2, 3}) EXPECT_EQ(importedFlag(id), "Y");
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(memberColumn(1, "Surname"), "Jones");
    EXPECT_EQ(inst.values("TarvAudt", "SELECT FieldId || ':' || Outcome FROM VeltImport ORDER BY FieldId"),
              (QStringList{"1:refused", "2:refused", "3:imported"}));
}

// Stopped between the commit and the marking: the next run marks the rows, once.
TEST_P(ImportPassRunTest, ACommittedApplicationLeftUnmarkedIsMarkedOnce) {
    add(WebApplication::joinAndBorrow(1));
    runCycle();
    onlineExec("UPDATE table_w SET field_107='N'");
    onlineExec("UPDATE table_ad SET field_21='N'");
    const ProgramRun again = runProgram();
    ASSERT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_TRUE(again.output.contains("Application was imported by an earlier run (member 1)")) << again.output.toStdString();
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberBalances"), 1);
    EXPECT_EQ(webLog(1), (QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW", kLoanCreatedLog}));
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM LoanAllocation"), 1);
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad").toString(), "Y");
}

}  // namespace
