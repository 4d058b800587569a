// Reading and cleaning one application row, and the small routines of the intake.

#include "app/ControlSettings.h"
#include "import/ApplicationIdFile.h"
#include "import/ApplicationIntake.h"
#include "import/NextBirthday.h"
#include "support/OnlineEncoder.h"
#include "support/InstallationTest.h"
#include "support/WebApplication.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace autovelt;
using namespace autovelt::testing;

namespace {

TEST(CleanNINumber, SeparatorsGoAndAWrongLengthOrAllDigitsIsDropped) {
    // Odd but nine characters: kept, and quoted wherever used.
    const std::pair<const char*, const char*> cases[] = {{"AB 12 34 56 C", "AB123456C"}, {"ab-12_34/56\\c", "AB123456C"}, {"", ""},
        {"123456789", ""}, {"AB123456", ""}, {"AB123456CD", ""}, {"O'12'45'6", "O'12'45'6"}};
    for (const auto& [typed, cleaned] : cases) EXPECT_EQ(CleanNINumber(typed), cleaned) << typed;
}

TEST(CleanPersonName, ApostrophesAfterOAreClosedUpAndUnsafeCharactersGo) {
    const std::pair<QString, QString> cases[] = {{QString::fromUtf8("O\u00E2\u20AC\u2122Neil"), "ONeil"}, {"O\\'Brien", "OBrien"},
        {"d'Arcy", "dArcy"}, {"Smith/Jones#2\\", "SmithJones2"}, {"   Lee  ", "Lee"}, {QString(60, QChar('a')), QString(50, QChar('a'))}};
    for (const auto& [typed, cleaned] : cases) EXPECT_EQ(CleanPersonName(typed), cleaned) << typed.toStdString();
}

class IntakeWithInstallation : public test::InstallationTest {
protected:
    void SetUp() override {
        inst.appendConfig(markedCodeTablesIni());
        inst.clock().set(QDateTime(QDate(2026, 3, 5), QTime(10, 15)));
        inst.importer().SetPassDateToToday();
    }
};

TEST_F(IntakeWithInstallation, EveryColumnIsReadByItsRule) {
    WebApplication a = WebApplication::joinAndBorrow(12);
    a.memberNumber = "0042";
    a.set(29, "a value longer than ten, never encoded").set(91, "another long plain value")
        .set(3, "  Lord High Admiral ").set(5, "Mary-Jo O'Hara").set(12, "Living with parents, who own it")
        .set(34, QString(60, QChar('u'))).set(104, "Call me, please");
    for (const QString& s : insertStatements(a)) inst.exec("online", s);
    LoadControlSettings(im());
    ASSERT_FALSE(im().SkipImport);
    db::Recordset row = im().connections.OnlineConnection.openRecordset("SELECT * FROM table_w ;");
    const ApplicationRead read = ReadApplicationRow(im().cycle(), row);
    ASSERT_FALSE(read.unreadable);
    const Application& app = read.application;
    EXPECT_EQ(std::tuple(app.givenMemberNumber(), app.dateOfBirth(), app.loanAmount(), app.termMonths(), app.isJoinOnly()),
              std::tuple(42L, std::optional(QDate(1985, 4, 15)), 1000.0, 12.0, false));
    EXPECT_EQ(app.messageSuffix, " (table_w field_id=12)");
    EXPECT_EQ(app.rawField2, a.storedKey());
    EXPECT_TRUE(app.rawField2.contains('#') || app.rawField2.contains('^'));
    // Titles ten characters, household status thirty, UDFs fifty; long values of unencoded columns as stored.
    EXPECT_EQ(QStringList({app.field[tw::GivenMemberNumber], app.field[tw::NationalInsuranceNumber],
                           app.cleanedNINumber, app.field[tw::Title], app.field[tw::MiddleName],
                           app.field[tw::DateOfBirth], app.field[tw::ResidentialStatus], app.field[tw::AgencyXml],
                           app.field[tw::DependantsBirthDates], app.field[tw::UserField1], app.field[tw::Note],
                           app.field[tw::UploadKey], app.field[tw::ApplicationCode]}),
              QStringList({"42", "AB123456C", "AB123456C", "Lord High", "Mary-Jo OHara", "15/04/1985",
                           "Living with parents, who own i", "a value longer than ten, never encoded",
                           "another long plain value", QString(50, QChar('u')), "Call me, please", "4711", "1"}));
    EXPECT_EQ(app.noteText.size(), 32 + 4 * 15);  // the note is kept as stored
    EXPECT_EQ(app.rawField105.size(), 4 + 4 + 4 * 4);
}

// A number without the encoding's marker, and a short upload key, are taken as stored.
TEST_F(IntakeWithInstallation, ValuesWithoutTheEncodingAreTakenAsTyped) {
    WebApplication a = WebApplication::joinOnly(3);
    a.niNumber = "ab 12 34 56 c";
    a.niNumberPlain = true;
    for (const QString& s : insertStatements(a)) inst.exec("online", s);
    LoadControlSettings(im());
    for (const char* key : {"0", "12345", "1234567890"}) {
        inst.exec("online", QStringLiteral("UPDATE table_w SET field_105='%1'").arg(key));
        const Application app =
            ReadApplicationRow(im().cycle(), im().connections.OnlineConnection.openRecordset("SELECT * FROM table_w ;"))
                .application;
        EXPECT_EQ(QStringList({app.field[tw::UploadKey], app.rawField105, app.rawField2,
                               app.field[tw::NationalInsuranceNumber]}),
                  QStringList({key, key, "ab 12 34 56 c", "AB123456C"}));
    }
}

TEST_F(IntakeWithInstallation, NextBirthdayIsThreeDaysBeforeIt) {
    struct Case { const char* dob; QDate expected; };
    const Case cases[] = {
        {"15/04/1985", QDate(2026, 4, 12)},   // still to come this year
        {"01/03/1990", QDate(2027, 2, 26)},   // passed: next year's
        {"05/03/1990", QDate(2026, 3, 2)},    // today: this year's
        {"29/02/1988", QDate(2027, 2, 25)},   // counted as the 28th
    };
    for (const Case& c : cases) {
        im().app.field[tw::DateOfBirth] = c.dob;
        EXPECT_EQ(NextBirthday(im().cycle(), im().app), c.expected) << c.dob;
    }
}

// Read once and deleted, whether usable or not.
TEST_F(IntakeWithInstallation, IdFileIsReadOnceAndDeleted) {
    for (const auto& [text, id] : {std::pair{"  77 trailing", 77}, std::pair{"-5", 0}, std::pair{"none\n", 0}}) {
        inst.writeFile("id.txt", text);
        EXPECT_EQ(ReadApplicationIdFile(im().cycle()), id) << text;
        EXPECT_FALSE(QFile::exists(inst.path("id.txt"))) << text;
    }
}

}  // namespace
