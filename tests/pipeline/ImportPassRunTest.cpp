// The pass as a whole, against each engine the website's database runs on: what it writes online, refusals,
// single-application runs, the member number limit, runs without applications, hostile values, failures half-way.

#include "support/ImportPassFixture.h"

#include <QFile>

using namespace autovelt;
using namespace autovelt::test;

namespace {

class ImportPassRunTest : public OnlineImportPassTest {
protected:
    // An application of another applicant: its own NI number and surname.
    static WebApplication other(WebApplication a, const QString& ni, const QString& surname) { return withNino(a.set(6, surname), ni); }
    QString applicationColumns(long fieldId, const QStringList& names) {
        QStringList values;
        for (const QString& name : names) values << applicationColumn(fieldId, name);
        return values.join('|');
    }
};
INSTANTIATE_TEST_SUITE_P(Online, ImportPassRunTest, ::testing::Values(OnlineBackend::Embedded, OnlineBackend::MariaDb),
                         [](const auto& info) { return info.param == OnlineBackend::Embedded ? "Embedded" : "MariaDb"; });

// (Refusals at matching, and their lines: MemberMatchingTest, whose refusals are marked the same way.)
TEST_P(ImportPassRunTest, RefusalsAtIntakeAreReportedAndMarkedOnce) {
    const QString dob = "VELT Application has blank DOB - record skipped.";
    const QString surname = "VELT Application has no valid Surname - record skipped.";
    const QString loan0 = "Member 0 applied for L1 loan for \u00A31000 over 12 months for Car repairs.";
    const struct { int field; const char* value; bool borrow; } refusals[] = {
        {7, "", true}, {7, "31/02/1990", false}, {6, "", true}, {6, "12345", false},
        {6, "'/#", false},  // nothing left after cleaning
    };
    for (long id = 1; id <= 5; ++id) {
        const auto& r = refusals[id - 1];
        const WebApplication a = r.borrow ? WebApplication::joinAndBorrow(id) : WebApplication::joinOnly(id);
        add(other(a, QStringLiteral("AB12345%1C").arg(id), "Smith").set(r.field, r.value));
    }
    runCycle();

    EXPECT_EQ(problems().mid(0, 7), (QStringList{dob + suffix(1), loan0, dob + suffix(2), surname + suffix(3), loan0,
                                                 surname + suffix(4), surname + suffix(5)})) << report();
    EXPECT_EQ(members(), 0);
    for (long id = 1; id <= 5; ++id) EXPECT_EQ(importedFlag(id), "Y");
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 5);
}

TEST_P(ImportPassRunTest, IdFileImportsOnlyThatApplicationAndLeavesItUnmarked) {
    add(WebApplication::joinAndBorrow(1));
    WebApplication named = other(WebApplication::joinOnly(1234), "CD123456A", "Named").set(31, "PASS");
    named.imported = "Y";  // already imported once: an id run takes it all the same
    add(named);
    inst.writeFile("id.txt", "1234\n");
    runCycle();
    EXPECT_FALSE(QFile::exists(inst.path("id.txt")));
    // One member; 1234 not marked by this run, 1 not read at all, no address row marked.
    EXPECT_EQ((QStringList{QString::number(members()), memberColumn(1, "Surname"), applicationColumn(1234, "field_108"), importedFlag(1),
                           onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toString()}),
              (QStringList{"1", "Named", "", "N", "0"}));

    runCycle();  // an ordinary cycle again
    EXPECT_EQ(importedFlag(1) + memberColumn(2, "Surname") + applicationColumn(1234, "field_108"), "YSmith");
}

TEST_P(ImportPassRunTest, MemberNumberLimitStopsThePassAtOnce) {
    addMember({.number = 99999998, .forename = "Ann", .surname = "Other", .ni = "ZZ000000Z", .home = false});
    add(WebApplication::joinOnly(1).set(31, "PASS"));
    add(other(WebApplication::joinOnly(2), "CD123456A", "Jones").set(31, "PASS"));
    runCycle();
    const QString limit = "Member number limit exceeded - cannot import any further";
    // The pass ended at once: the limit in the importer log, no activity log, the second application left for a later run.
    EXPECT_EQ(problems() + successes() + inst.importerLogs("*") + activityLogs(),
              (QStringList{limit, kStartedLine, "Added new member 99999999 - Smith" + suffix(1), limit}));
    EXPECT_EQ(memberColumn(99999999, "Surname") + QString::number(members()) + importedFlag(1) + importedFlag(2), "Smith2YN");
    EXPECT_TRUE(im().SkipImport);
}

// Nothing pending is silent; a stop leaves the applications pending.
TEST_P(ImportPassRunTest, RunsWithoutApplicationsAndAStoppedRun) {
    runCycle();
    EXPECT_EQ(problems() + successes() + activityLogs(), QStringList{});
    add(WebApplication::joinAndBorrow(1));
    im().stopRequested = true;
    runCycle();
    EXPECT_EQ(QString::number(members()) + importedFlag(1), "0N");
    EXPECT_EQ(successes(), (QStringList{kStartedLine, kCompletedLine}));
}

// Pending rows are read in pages of 500: across a page's end every application is still
// imported once, as the applicant of its own row.
TEST_P(ImportPassRunTest, ApplicationsBeyondTheFirstPageAreEachImportedAsTheirOwn) {
    QStringList surnames;
    for (long id = 1; id <= 501; ++id) {
        surnames << QStringLiteral("Paged") + QChar(char16_t(u'a' + id / 26)) + QChar(char16_t(u'a' + id % 26));
        add(other(WebApplication::joinOnly(id).set(31, "PASS"), QStringLiteral("AB%1C").arg(id, 6, 10, QChar(u'0')), surnames.last()));
    }
    runCycle();
    EXPECT_EQ(inst.values("TarvMain", "SELECT Surname FROM MemberMain ORDER BY MemberNo"), surnames) << report();
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_w WHERE field_107='Y'").toInt(), 501);
}

TEST_P(ImportPassRunTest, HostileValuesNeitherBreakNorChangeAnyStatement) {
    WebApplication a = WebApplication::joinAndBorrow(1);
    a.niNumber = "AB'\\'; DELETE FROM table_ad; --";  // a raw key with a quote and a backslash, stored as typed
    a.niNumberPlain = true;
    a.set(6, "';\"; DELETE FROM MemberMain; --'").set(4, "O\\'Brien").set(5, "d'Arcy").set(12, "Tenant's flat")
        .set(34, "Quote ' and \" and ; and back\\slash in a field").set(89, "pass'word\"").set(103, "o'brien@example.com");
    a.addresses.first().email = "o'brien@example.com";
    add(a);
    WebApplication b = other(WebApplication::joinOnly(2), "CD123456A", "O\u2019Neill").set(31, "PASS");
    b.namesAsUtf8 = true;  // as the website sends it
    add(b);
    onlineExec("INSERT INTO table_ad (field_2, field_3, field_20, field_21) VALUES ('another key', 'HOME', 'I', 'N')");
    // A second application without a key marks no address rows of others.
    add(other(WebApplication::joinAndBorrow(3), "", "Keyless"));
    onlineExec("INSERT INTO table_ad (field_2, field_3, field_20, field_21) VALUES ('', 'HOME', 'I', 'N')");
    const QStringList untouched{"field_2", "field_4", "field_6", "field_103", "field_105"};
    const QString before = applicationColumns(1, untouched);
    runCycle();

    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(members(), 3);
    // The NI number is not a usable one.
    EXPECT_EQ((QStringList{memberColumn(1, "Surname"), memberColumn(1, "Forename"), memberColumn(1, "NINumber"),
                           column("TarvMain", "MemberUDF", "UDF1 || '|' || DWPHouseholdStatus", "MemberNo=1"),
                           column("TarvMain", "MemberPassword", "OtherPassword", "MemberNo=1"), memberColumn(2, "Surname"),
                           memberColumn(3, "Surname"), importedFlag(1) + importedFlag(3)}),
              (QStringList{";\"; Delete From Membermain; --", "Obrien", "<null>",
                           "Quote ' and \" and ; and back\\slash in a field|Tenants flat", "pass'word\"", "Oneill", "Keyless", "YY"}));
    // Only the imported flags and dates are written, and only on the applications' own address rows.
    EXPECT_EQ(applicationColumns(1, untouched), before);
    EXPECT_EQ(applicationColumns(1, {"field_107", "field_108"}), "Y|" + kImportedStamp);
    const QString ownRows = " FROM table_ad WHERE field_2=" + sqlText(a.storedKey());
    EXPECT_EQ(onlineScalar("SELECT field_21" + ownRows).toString() + '|' + onlineScalar("SELECT field_22" + ownRows).toString(),
              "Y|" + kImportedStamp);
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 2);
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad").toInt(), 5);
    EXPECT_EQ(webLog(1).size(), 2);  // the new member and the loan
}

// A statement failing half-way undoes the whole application and leaves it pending; the next is tried all the same
// ("--once" says so: it exits 0 only when every application was imported or refused), and a later cycle completes both.
TEST_P(ImportPassRunTest, AFailureHalfWayUndoesTheApplicationLeavesItPendingAndTheNextCycleCompletesIt) {
    add(WebApplication::joinAndBorrow(1));
    add(other(WebApplication::joinAndBorrow(2), "CD123456A", "Jones"));
    // The member row can be written, its circumstances cannot.
    inst.exec("TarvMain", "ALTER TABLE MemberCircumstance RENAME TO MemberCircumstanceAway");
    runCycle();
    QStringList failed;
    for (long id : {1, 2})
        failed << "Error in Join+Borrow import routine (1)" << "no such table: MemberCircumstance" + suffix(id)
               << "Nothing of the application was saved; it stays pending for the next cycle" + suffix(id);
    EXPECT_EQ(problems(), failed);
    EXPECT_EQ(importedFlag(1) + importedFlag(2), "NN");
    EXPECT_EQ(members() + rows("TarvMain", "SELECT * FROM MemberAddress") + rows("TarvAudt", "SELECT * FROM WebLog"), 0);
    EXPECT_EQ(runProgram().exitCode, 5);

    inst.exec("TarvMain", "ALTER TABLE MemberCircumstanceAway RENAME TO MemberCircumstance");
    inst.reporter().clear();
    runCycle();
    // The same application, not "already a member"; its rows as any import writes them (NewMemberImportTest).
    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 1 - Smith" + suffix(1),
                                        "Created L1 loan app C1001 for member 1 for \u00A31000. Status P." + suffix(1),
                                        "Added new member 2 - Jones" + suffix(2),
                                        "Created L1 loan app C1002 for member 2 for \u00A31000. Status P." + suffix(2), kCompletedLine}));
    EXPECT_EQ(importedFlag(1) + importedFlag(2), "YY");
}

// A member number beyond 32 bits or an income too large for a currency amount refuses that application; the next imports.
TEST_P(ImportPassRunTest, AnOverflowingMemberNumberOrIncomeRefusesOnlyThatApplication) {
    WebApplication first = WebApplication::joinOnly(1).set(31, "PASS");
    first.memberNumber = "98765432101";
    add(first);
    add(other(WebApplication::joinAndBorrow(2), "CD123456A", "Smith").set(53, "1000000000000000"));
    add(other(WebApplication::joinAndBorrow(3), "EF123456A", "Jones"));
    runCycle();
    // The first refused applicant gave no address the fail email could go to.
    ASSERT_GE(problems().size(), 5) << report();
    EXPECT_EQ(problems().mid(0, 5), (QStringList{"Error in Join+Borrow import routine (6)", "Overflow" + suffix(1),
                                                 "Unable to send automated fail email to member 0 no address found.",
                                                 "Error in Join+Borrow import routine (6)", "Overflow" + suffix(2)})) << report();
    EXPECT_EQ(importedFlag(1) + importedFlag(2) + importedFlag(3) + QString::number(members()) + memberColumn(1, "Surname"), "YYY1Jones");
    EXPECT_EQ(inst.values("TarvAudt", "SELECT FieldId || ':' || Outcome FROM VeltImport ORDER BY FieldId"),
              (QStringList{"1:refused", "2:refused", "3:imported"}));
}

// Mail that cannot be sent is tried once per pass (a dead server: one timeout, not one per email); the other
// emails wait in the outbox, untried and uncounted, with one line saying so.
TEST_P(ImportPassRunTest, UndeliverableMailIsTriedOncePerPass) {
    QDir(inst.path("outbox")).removeRecursively();
    inst.writeFile("outbox", "a file where the pickup folder should be");
    add(WebApplication::joinOnly(1));
    add(other(WebApplication::joinOnly(2), "CD654321A", "Jones"));
    runCycle();
    EXPECT_EQ(inst.values("TarvAudt", "SELECT State || ':' || Attempts FROM VeltEffect WHERE Kind='email' ORDER BY ID"),
              (QStringList{"pending:1", "pending:0"}));
    EXPECT_EQ(problems().count("The emails still to send in this cycle wait in the outbox for the next one, as sending failed"), 1)
        << report();
}

}  // namespace
