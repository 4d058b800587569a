#include "comms/AuditTrail.h"

#include "support/TestInstallation.h"

#include <gtest/gtest.h>

namespace autovelt {
namespace {

using test::TestInstallation;

// 5 March 2024: day and month differ and both are 12 or less, so a date written in the
// wrong order would still be a valid date, and a wrong one.
const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));

class AuditTrailTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.clock().set(kNow);
        im.SetPassDateToToday();
        inst.openCoreConnections();
    }

    QVariant audt(const QString& query) { return inst.scalar(QStringLiteral("TarvAudt"), query); }
    QVariant tran(const QString& query) { return inst.scalar(QStringLiteral("TarvTran"), query); }
    // The rows of a table, each as its columns joined by "|".
    QStringList rows(const QString& database, const QString& table, const QStringList& columns) {
        return inst.values(database, "SELECT " + columns.join(" || '|' || ") + " FROM " + table + " ORDER BY rowid");
    }

    TestInstallation inst;
    Importer& im = inst.importer();
};

AuditStamp sqlServerStamp() { return AuditStamp{QDate(2024, 3, 5), kNow, QStringLiteral("VELT"), true}; }
AuditStamp jetStamp() { return AuditStamp{QDate(2024, 3, 5), kNow, QStringLiteral("VELT"), false}; }

// ---- WebLog ---------------------------------------------------------------------------

// Quotes in the texts become blanks; a teller's apostrophe is kept; only the member number's digits count.
TEST_F(AuditTrailTest, WebLogRowsAreStoredWithQuotesTurnedIntoBlanks) {
    AddWebLogEntry(im, QStringLiteral("O'Brien said \"approve\""), QStringLiteral("BORROW"), QStringLiteral("LOAN 'PASS'"),
                   QStringLiteral("1234"));
    im.txtTeller = QStringLiteral("O'Neil");
    AddWebLogEntry(im, QStringLiteral("Joined"), QStringLiteral("JOIN"), QStringLiteral("NEW"),
                   QStringLiteral("77); DELETE FROM WebLog; --"));

    EXPECT_EQ(rows("TarvAudt", "WebLog", {"MemberNo", "TheActivity", "TheDate", "TheTime", "TheCategory", "TheKeyword",
                                          "TheSource", "BeenEmailed", "TheTeller"}),
              (QStringList{"1234|O Brien said  approve |2024-03-05|14:07|BORROW|LOAN  PASS |VELT|0|VELT",
                           "77|Joined|2024-03-05|14:07|JOIN|NEW|VELT|0|O'Neil"}));
    EXPECT_TRUE(inst.reporter().problems().isEmpty());
}

// An audit row that cannot be written is reported, never lost without a word; a database
// that has gone away stops the application, which then stays pending.
TEST_F(AuditTrailTest, AnAuditRowThatCannotBeWrittenIsReportedAndALostDatabaseStopsTheApplication) {
    im.app.messageSuffix = QStringLiteral(" (table_w field_id=4)");
    inst.exec(QStringLiteral("TarvAudt"), QStringLiteral("ALTER TABLE WebLog RENAME TO WebLogAway"));
    EXPECT_NO_THROW(AddWebLogEntry(im, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("1")));
    inst.exec(QStringLiteral("TarvTran"), QStringLiteral("DROP TABLE Changes"));
    EXPECT_NO_THROW(AddChangeRecord(im, QStringLiteral("x"), false, QStringLiteral("1")));
    ASSERT_EQ(inst.reporter().problems().size(), 2);
    EXPECT_TRUE(inst.reporter().problems()[0].startsWith(QStringLiteral("Error "))) << inst.reporter().problems()[0].toStdString();
    EXPECT_TRUE(inst.reporter().problems()[0].endsWith(QStringLiteral(") in procedure AddWebLogEntry  (table_w field_id=4)")));
    EXPECT_TRUE(inst.reporter().problems()[1].endsWith(QStringLiteral(") in procedure AddChangeRecord  (table_w field_id=4)")));

    im.connections.TarvAudt.close();
    EXPECT_THROW(AddWebLogEntry(im, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("1")), VeltError);
}

// ---- Diary ----------------------------------------------------------------------------

class DiaryTest : public AuditTrailTest {
protected:
    void SetUp() override {
        AuditTrailTest::SetUp();
        im.app.memberNumber = 4321;
        im.app.messageSuffix = QStringLiteral(" (table_w field_id=17)");
    }
};

// A comma becomes a line break, quotes go, the keyword is stored as given; the message date
// is the loan application's when the loan pass set one; nothing without a member or text.
TEST_F(DiaryTest, RowsCarryTheFixedColumnsTheCleanedTextAndTheLoanDate) {
    im.diaryText = QStringLiteral("Loan of 500 passed, \"refer\" cleared by O'Brien");
    CreateDiaryEntry(im, QStringLiteral("O'KEY"));
    im.LoanDetails[2] = QStringLiteral("04/03/24");
    im.diaryText = QStringLiteral("Loan note");
    CreateDiaryEntry(im, QStringLiteral("VELT"));
    im.diaryText = QString();
    CreateDiaryEntry(im, QStringLiteral("VELT"));
    im.diaryText = QStringLiteral("Note");
    im.app.memberNumber = 0;
    CreateDiaryEntry(im, QStringLiteral("VELT"));

    EXPECT_EQ(rows("TarvTran", "Diary", {"Memberno", "Teller", "Priority", "Msgdate", "Msgtime", "ActionReqd", "ShelfLife",
                                         "Keyword", "FlagColour", "CCItem", "CCAction", "DiaryGroup", "Msgtext"}),
              (QStringList{"4321|VELT|99|2024-03-05|2024-03-05 14:07:09|0|Never expires|O'KEY|16776960|0||0|"
                           "Loan of 500 passed\r\n refer cleared by OBrien",
                           "4321|VELT|99|2024-03-04|2024-03-05 14:07:09|0|Never expires|VELT|16776960|0||0|Loan note"}));
    EXPECT_TRUE(inst.reporter().problems().isEmpty());
}

TEST_F(DiaryTest, FailureIsReportedWithTheApplicationsSuffixAndALostDatabaseStopsTheApplication) {
    inst.exec(QStringLiteral("TarvTran"), QStringLiteral("ALTER TABLE Diary RENAME TO DiaryAway"));
    im.diaryText = QStringLiteral("Note");
    CreateDiaryEntry(im, QStringLiteral("VELT"));
    ASSERT_EQ(inst.reporter().problems().size(), 1);
    EXPECT_EQ(inst.reporter().problems().first(),
              QStringLiteral("Error 1 (no such table: Diary) in procedure CreateDiaryEntry  (table_w field_id=17)"));

    im.connections.TarvTran.close();
    EXPECT_THROW(CreateDiaryEntry(im, QStringLiteral("VELT")), VeltError);
}

// ---- Changes --------------------------------------------------------------------------

const QStringList kChangeColumns{"Operatorinit", "OperatorName", "ChangeDate", "OutOfPolicy", "MemberNo", "Description"};

TEST_F(AuditTrailTest, ChangeDescriptionIsCutTo100CharactersAndApostrophesBecomeBlanks) {
    const QString description = QStringLiteral("Member's address \"moved\" ") + QString(150, QLatin1Char('x'));
    AddChangeRecord(im, description, true, QStringLiteral("1234"));
    AddChangeRecord(im, QString(100, QLatin1Char('y')), false, QStringLiteral("5"));  // exactly 100: kept whole
    // With Tran closed the row goes through a connection of its own, which is closed again.
    im.connections.TarvTran.close();
    im.lblTellername = QStringLiteral("J'D");
    const QString ownConnection = QStringLiteral("New member 88 auto added via VeltImporter 'x' ") + QString(80, QLatin1Char('z'));
    AddChangeRecord(im, ownConnection, false, QStringLiteral("88"));
    EXPECT_FALSE(im.connections.TarvTran.isOpen());

    EXPECT_EQ(rows("TarvTran", "Changes", kChangeColumns),
              (QStringList{"Web importer|VELT|2024-03-05|1|1234|Member s address \"moved\" " + QString(75, QLatin1Char('x')),
                           "Web importer|VELT|2024-03-05|0|5|" + QString(100, QLatin1Char('y')),
                           "J'D|VELT|2024-03-05|0|88|" + ownConnection.left(100).replace(QLatin1Char('\''), QLatin1Char(' '))}));
}

TEST_F(AuditTrailTest, ChangeIsRetriedOnceAndKeepsTheProcessingDate) {
    // The first insert meets a momentary failure, the second goes through.
    inst.exec(QStringLiteral("TarvTran"), QStringLiteral("CREATE TABLE FailOnce (n INTEGER)"));
    inst.exec(QStringLiteral("TarvTran"), QStringLiteral("INSERT INTO FailOnce VALUES (1)"));
    inst.exec(QStringLiteral("TarvTran"),
              QStringLiteral("CREATE TRIGGER FailFirstChange BEFORE INSERT ON Changes WHEN EXISTS (SELECT 1 FROM FailOnce) "
                             "BEGIN DELETE FROM FailOnce; SELECT RAISE(FAIL, 'database is locked'); END"));
    AddChangeRecord(im, QStringLiteral("Address changed"), false, QStringLiteral("9"));

    EXPECT_EQ(tran("SELECT COUNT(*) FROM FailOnce").toInt(), 0) << "the first attempt did not fail";
    EXPECT_EQ(tran("SELECT COUNT(*) FROM Changes").toInt(), 1);
    EXPECT_EQ(tran("SELECT ChangeDate FROM Changes").toString(), QStringLiteral("2024-03-05"));
}

// ---- VELTTimings ----------------------------------------------------------------------

TEST_F(AuditTrailTest, TimingRowsStoreSecondsAndQuotedTextsOnlyWhenTheTableExists) {
    for (const auto& [text, seconds] : {std::pair{"", 0}, {"2:05", 125}, {"0:59", 59}, {"12:30", 750}, {"45", 45}})
        EXPECT_EQ(durationSeconds(QLatin1String(text)), seconds) << text;
    im.settings.TimingsTableExists = false;
    Audit_Event(im, QStringLiteral("1"), QString(), QString(), QStringLiteral("X"), QStringLiteral("1:00"), QString(), QString());
    EXPECT_EQ(audt("SELECT COUNT(*) FROM VELTTimings").toInt(), 0);

    im.settings.TimingsTableExists = true;
    Audit_Event(im, QStringLiteral("1234"), QStringLiteral("C'17"), QStringLiteral("2024-03-05 14:07:09"),
                QStringLiteral("POIIN"), QStringLiteral("2:05"), QStringLiteral("Proof \"passport\" from O'Hara"),
                QStringLiteral("VELT"));
    EXPECT_EQ(rows("TarvAudt", "VELTTimings", {"MemberNo", "LoanNo", "EventTime", "EventType", "DurationSecs", "Description", "Teller"}),
              QStringList{"1234|C'17|2024-03-05 14:07:09|POIIN|125|Proof \"passport\" from O'Hara|VELT"});
    Audit_Event(im, QStringLiteral("1"), QString(), QString(), QStringLiteral("X"), QString(), QString(), QString());
    EXPECT_EQ(audt("SELECT DurationSecs FROM VELTTimings WHERE MemberNo=1").toString(), "0");
}

// The statements as each engine is sent them: the SQL Server and the Jet dialects.
TEST(AuditStatementTest, EachStatementForEachDialect) {
    const QString webLog = QStringLiteral(
        "INSERT INTO WebLog (MemberNo, TheActivity, TheDate, TheTime, TheCategory, TheKeyword, TheSource, "
        "BeenEmailed, TheTeller) VALUES(1234,'Loan for O Brien',");
    const QString diary = QStringLiteral(
        "INSERT INTO Diary (Memberno, Teller, Priority, Msgdate, Msgtime, ActionReqd, ShelfLife, Keyword, Msgtext, "
        "FlagColour, CCItem, CCAction, DiaryGroup) VALUES (4321,'VELT',99, ");
    const QString msgTime = QStringLiteral(", CONVERT(DATETIME, '2024-03-05 14:07:09', 102)");
    const QString diaryTail = QStringLiteral(",'Never expires','VELT','a\r\n b','16776960'");
    const QString change = QStringLiteral(
        "INSERT INTO CHANGES (Operatorinit, OperatorName, ChangeDate, Description, OutOfPolicy, MemberNo) "
        "VALUES('Web importer','VELT',");
    const QString timing = QStringLiteral(
        "INSERT INTO VELTTimings (MemberNo, LoanNo, EventTime, EventType, DurationSecs, Description, Teller) "
        "VALUES (1234, 'C17', '2024-03-05 14:07:09', 'POIIN', 125, 'It''s in', 'VELT') ;");
    const struct {
        AuditStamp stamp;
        QString webLog, diary, change;
    } dialects[] = {
        {sqlServerStamp(),
         webLog + "CONVERT(DATETIME, '2024-03-05 00:00:00', 102),'14:07','BORROW','LOAN PASS', 'VELT', 0, 'VELT') ;",
         diary + "CONVERT(DATETIME, '2024-03-04 00:00:00', 102)" + msgTime + ",0" + diaryTail + ",0,'',0)",
         change + "CONVERT(DATETIME, '2024-03-05 00:00:00', 102),'New member 1234 auto added',1,1234) ;"},
        {jetStamp(), webLog + "#03/05/24#,'14:07','BORROW','LOAN PASS', 'VELT', False, 'VELT') ;",
         diary + "#03/04/24#" + msgTime + ",False" + diaryTail + ",False,'',0)",
         change + "#03/05/24#,'New member 1234 auto added',False,1234) ;"},
    };
    for (const auto& d : dialects) {
        SCOPED_TRACE(d.stamp.sqlServer);
        EXPECT_EQ(WebLogStatement(d.stamp, "Loan for O'Brien", "BORROW", "LOAN PASS", "1234"), d.webLog);
        EXPECT_EQ(DiaryStatement(d.stamp, 4321, QDate(2024, 3, 4), "VELT", "a, b"), d.diary);
        EXPECT_EQ(ChangeStatement(d.stamp, "Web importer", "New member 1234 auto added", d.stamp.sqlServer, "1234"), d.change);
        EXPECT_EQ(TimingStatement(d.stamp, "1234", "C17", "2024-03-05 14:07:09", "POIIN", "2:05", "It's in", "VELT"), timing);
    }
}

}  // namespace
}  // namespace autovelt
