#include "comms/AuditTrail.h"
#include "platform/db/StatementDialect.h"

#include "support/ExpectedDocuments.h"
#include "support/InstallationTest.h"

#include <functional>
#include <gtest/gtest.h>

namespace autovelt {
namespace {


// 5 March 2024: a date written day first would still be a valid date, and a wrong one.
const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));

class AuditTrailTest : public test::InstallationTest {
protected:
    void SetUp() override {
        inst.clock().set(kNow);
        im().SetPassDateToToday();
        inst.openCoreConnections();
        im().app.memberNumber = 4321;
        im().app.messageSuffix = QStringLiteral(" (table_w field_id=17)");
    }

};

// Quotes in the texts become blanks; a teller's apostrophe is kept; only the member number's digits count.
TEST_F(AuditTrailTest, WebLogRowsAreStoredWithQuotesTurnedIntoBlanks) {
    AddWebLogEntry(im().cycle(), im().session(), im().app, "O'Brien said \"approve\"", "BORROW", "LOAN 'PASS'", "1234");
    im().txtTeller = QStringLiteral("O'Neil");
    AddWebLogEntry(im().cycle(), im().session(), im().app, "Joined", "JOIN", "NEW", "77); DELETE FROM WebLog; --");
    EXPECT_EQ(inst.rows("TarvAudt", "WebLog", {"MemberNo", "TheActivity", "TheDate", "TheTime", "TheCategory", "TheKeyword",
                                          "TheSource", "BeenEmailed", "TheTeller"}),
              (QStringList{"1234|O Brien said  approve |2024-03-05|14:07|BORROW|LOAN  PASS |VELT|0|VELT",
                           "77|Joined|2024-03-05|14:07|JOIN|NEW|VELT|0|O'Neil"}));
    EXPECT_TRUE(problems().isEmpty());
}

// A comma becomes a line break, quotes go, the keyword is kept; the date is the processing date;
// nothing is written without a member or a text.
TEST_F(AuditTrailTest, DiaryRowsCarryTheFixedColumnsAndTheCleanedText) {
    for (const auto& [text, keyword, member] : {std::tuple{"Loan of 500 passed, \"refer\" cleared by O'Brien", "O'KEY", 4321},
                                                {"Loan note", "VELT", 4321}, {"", "VELT", 4321}, {"Note", "VELT", 0}})
        CreateDiaryEntry(im().cycle(), im().session(), im().app, member, QLatin1String(keyword), QString::fromUtf8(text));
    EXPECT_EQ(inst.rows("TarvTran", "Diary", {"Memberno", "Teller", "Priority", "Msgdate", "Msgtime", "ActionReqd", "ShelfLife",
                                         "Keyword", "FlagColour", "CCItem", "CCAction", "DiaryGroup", "Msgtext"}),
              (QStringList{"4321|VELT|99|2024-03-05|2024-03-05 14:07:09|0|Never expires|O'KEY|16776960|0||0|"
                           "Loan of 500 passed\r\n refer cleared by OBrien",
                           "4321|VELT|99|2024-03-05|2024-03-05 14:07:09|0|Never expires|VELT|16776960|0||0|Loan note"}));
    EXPECT_TRUE(problems().isEmpty());
}

// The first row meets a momentary failure, and is written on the one retry.
TEST_F(AuditTrailTest, ChangeDescriptionIsCutTo100CharactersApostrophesBecomeBlanksAndAMomentaryFailureIsRetried) {
    inst.exec("TarvTran", "CREATE TABLE FailOnce AS SELECT 1 AS n");
    inst.exec("TarvTran", "CREATE TRIGGER FailFirstChange BEFORE INSERT ON Changes WHEN EXISTS (SELECT 1 FROM FailOnce) "
                          "BEGIN DELETE FROM FailOnce; SELECT RAISE(FAIL, 'database is locked'); END");
    const QString description = QStringLiteral("Member's address \"moved\" ") + QString(150, QLatin1Char('x'));
    AddChangeRecord(im().cycle(), im().session(), im().app, description, true, QStringLiteral("1234"));
    EXPECT_EQ(inst.scalar("TarvTran", "SELECT COUNT(*) FROM FailOnce").toInt(), 0);
    AddChangeRecord(im().cycle(), im().session(), im().app, QString(100, QLatin1Char('y')), false,
                    QStringLiteral("5"));  // exactly 100: kept whole
    // With Tran closed the row goes through a connection of its own, which is closed again.
    im().connections.TarvTran.close();
    im().lblTellername = QStringLiteral("J'D");
    AddChangeRecord(im().cycle(), im().session(), im().app,
                    QStringLiteral("New member 88 'x' ") + QString(90, QLatin1Char('z')), false, QStringLiteral("88"));
    EXPECT_FALSE(im().connections.TarvTran.isOpen());
    EXPECT_EQ(inst.rows("TarvTran", "Changes", {"Operatorinit", "OperatorName", "ChangeDate", "OutOfPolicy", "MemberNo", "Description"}),
              (QStringList{"Web importer|VELT|2024-03-05|1|1234|Member s address \"moved\" " + QString(75, QLatin1Char('x')),
                           "Web importer|VELT|2024-03-05|0|5|" + QString(100, QLatin1Char('y')),
                           "J'D|VELT|2024-03-05|0|88|New member 88  x  " + QString(82, QLatin1Char('z'))}));
}

// An audit row that cannot be written is reported, never lost; a database gone away stops the application.
TEST_F(AuditTrailTest, ARowThatCannotBeWrittenIsReportedAndALostDatabaseStopsTheApplication) {
    const struct { const char* database; const char* table; std::function<void()> write; const char* procedure;
    } writers[] = {
        {"TarvAudt", "WebLog", [&] { AddWebLogEntry(im().cycle(), im().session(), im().app, "a", "b", "c", "1"); },
         "AddWebLogEntry"},
        {"TarvTran", "Diary", [&] { CreateDiaryEntry(im().cycle(), im().session(), im().app, 4321, "VELT", "Note"); },
         "CreateDiaryEntry"},
        {"TarvTran", "CHANGES", [&] { AddChangeRecord(im().cycle(), im().session(), im().app, "x", false, "1"); },
         "AddChangeRecord"},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.table);
        inst.reporter().clear();
        inst.exec(QLatin1String(w.database), QStringLiteral("ALTER TABLE %1 RENAME TO Away%1").arg(w.table));
        EXPECT_NO_THROW(w.write());
        const QString line = QStringLiteral("Error 1 (no such table: %1) in procedure %2  (table_w field_id=17)");
        EXPECT_EQ(problems(), QStringList{line.arg(w.table, w.procedure)});
    }
    im().connections.TarvAudt.close();
    im().connections.TarvTran.close();
    EXPECT_THROW(writers[0].write(), VeltError);
    EXPECT_THROW(writers[1].write(), VeltError);
}

TEST_F(AuditTrailTest, TimingRowsStoreSecondsAndQuotedTextsOnlyWhenTheTableExists) {
    for (const auto& [text, seconds] : {std::pair{"", 0}, {"12:30", 750}, {"45", 45}})
        EXPECT_EQ(durationSeconds(QLatin1String(text)), seconds) << text;
    im().settings.TimingsTableExists = false;
    Audit_Event(im().cycle(), im().session(), "1", "", "", "X", "1:00", "", "");
    im().settings.TimingsTableExists = true;
    Audit_Event(im().cycle(), im().session(), "1234", "C'17", "2024-03-05 14:07:09", "POIIN", "2:05",
                "Proof \"passport\" from O'Hara", "VELT");
    EXPECT_EQ(inst.rows("TarvAudt", "VELTTimings", {"MemberNo", "LoanNo", "EventTime", "EventType", "DurationSecs", "Description", "Teller"}),
              QStringList{"1234|C'17|2024-03-05 14:07:09|POIIN|125|Proof \"passport\" from O'Hara|VELT"});
}

// The statements as built (the Jet dialect) and as a connection to SQL Server sends them, the SQL Server dialect first,
// one a line (a line break in a text shown as \r\n).
TEST(AuditStatementTest, EachStatementForEachDialect) {
    QStringList statements;
    for (bool sqlServer : {true, false}) {
        const AuditStamp stamp{QDate(2024, 3, 5), kNow, QStringLiteral("VELT")};
        const auto sent = [&](const QString& jet) { return sqlServer ? db::adaptStatement(db::Engine::SqlServer, jet) : jet; };
        statements << (sqlServer ? "-- SQL Server" : "-- Jet")
                   << sent(WebLogStatement(stamp, "Loan for O'Brien", "BORROW", "LOAN PASS", "1234"))
                   << sent(DiaryStatement(stamp, 4321, QDate(2024, 3, 4), "VELT", "a, b")).replace("\r\n", "\\r\\n")
                   << sent(ChangeStatement(stamp, "Web importer", "New member 1234 auto added", true, "1234"))
                   << sent(TimingStatement("1234", "C17", "2024-03-05 14:07:09", "POIIN", "2:05", "It's in", "VELT"));
    }
    EXPECT_EQ(statements.join('\n') + '\n', test::ExpectedDocument("audit-statements.sql"));
}

}  // namespace
}  // namespace autovelt
