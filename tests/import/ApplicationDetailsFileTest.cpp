#include "assessment/AgencyReportFile.h"
#include "import/ApplicationDetailsFile.h"

#include "support/InstallationTest.h"

#include <QDir>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

using test::TestInstallation;

QStringList readLines(const QString& path) { return QString::fromUtf8(test::FileBytes(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

class DetailsFileTest : public test::InstallationTest {
protected:
    void SetUp() override {
        scans = inst.path(QStringLiteral("scans")) + QLatin1Char('/');
        CycleSettings& s = inst.importer().settings;
        s.CreateLogs = true;
        s.ScanLocation = scans;
        s.UDFCaption[1] = QStringLiteral("Employer");
        ApplicationState& app = inst.importer().app;
        for (int n = 1; n <= 110; ++n) app.field[size_t(n)] = QStringLiteral("f%1").arg(n);
        app.messageSuffix = QStringLiteral(" (table_w field_id=77)");
        app.homeSlots[11] = QString();
        app.field[103] = QStringLiteral("web@example.org");
        inst.clock().set(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
    }
    QString scans;
};

struct DetailsCase {
    const char* name;
    const char* applicationCode;  // field_110
    long newMemberNumber;
    const char* fsaRefNo;
    const char* folder;
    const char* codeLine;  // after "Application code (1-4) : "
    bool bankLines, termsLines;
};

void PrintTo(const DetailsCase& c, std::ostream* out) { *out << c.name; }

class DetailsLinesTest : public DetailsFileTest, public ::testing::WithParamInterface<DetailsCase> {};

// Member 99's folder cuts eight digits into four levels.
TEST_P(DetailsLinesTest, FileReadsBackLineByLine) {
    const DetailsCase& c = GetParam();
    ApplicationState& app = inst.importer().app;
    app.field[110] = QLatin1String(c.applicationCode);
    app.newMemberNumber = c.newMemberNumber;
    app.accountNumber = QStringLiteral("12345678");
    app.sortCode = QStringLiteral("090128");
    app.workSlots[7] = QStringLiteral("Mill Lane Depot");
    inst.importer().settings.profile = CreditUnionProfileFor(QLatin1String(c.fsaRefNo));
    WriteApplicationDetailsFile(inst.importer(), 99);

    const QString folder = scans + QLatin1String(c.folder) + QStringLiteral("/00/00/00/99/");
    const QStringList files = test::FilesUnder(folder);
    ASSERT_EQ(files.size(), 1);
    const QStringList lines = readLines(folder + files[0]);
    EXPECT_EQ(lines.first(), QStringLiteral("J+B Application details  (table_w field_id=77)"));
    EXPECT_EQ(lines.last(), QStringLiteral("End of application"));
    EXPECT_EQ(lines, ApplicationDetailsLines(inst.importer()));
    for (const char* line : {"Email : web@example.org", "Work place : Mill Lane Depot", "UDF1 (Employer) : f34", "Expense20 : f84",
                             "Statement preference : send by email"})
        EXPECT_TRUE(lines.contains(QLatin1String(line))) << line;
    EXPECT_TRUE(lines.contains(QStringLiteral("Application code (1-4) : ") + QLatin1String(c.codeLine)));
    EXPECT_EQ(lines.contains(QStringLiteral("Bank sortcode supplied : 090128")), c.bankLines);
    for (const char* line : {"Member accepted T&C's: Yes", "Member accepted FSCS: Yes"})
        EXPECT_EQ(lines.contains(QLatin1String(line)), c.termsLines) << line;
    // 124 lines without the optional ones; 9 work lines here.
    EXPECT_EQ(lines.size(), 124 + 9 + (c.bankLines ? 4 : 0) + (c.termsLines ? 2 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Applications, DetailsLinesTest,
    ::testing::Values(DetailsCase{"JoinOnly", "2", 99, "213000", "MEMBERID", "2 Join only", false, false},
                      DetailsCase{"JoinAndBorrow", "1", 99, "213258", "LOANS", "1 Join&Borrow", false, true},
                      DetailsCase{"BorrowOnlyExisting", "3", 0, "213258", "LOANS", "3 Borrow only", true, true},
                      DetailsCase{"BorrowOnlyOtherUnion", "3", 0, "213000", "LOANS", "3 Borrow only", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// No work lines without a work place or role, and a value with a line break stays on its line.
TEST_F(DetailsFileTest, WorkLinesOnlyWithAWorkPlaceOrRoleAndValuesStayOnOneLine) {
    inst.importer().app.field[4] = QStringLiteral("Ann\r\nEnd of application");
    const QStringList lines = ApplicationDetailsLines(inst.importer());
    EXPECT_FALSE(lines.join(QLatin1Char('|')).contains(QStringLiteral("Work place")));
    EXPECT_EQ(lines.count(QStringLiteral("End of application")), 1);
}

// Two files in one second are both kept; nothing without logs or a member; an unwritable folder is reported.
TEST_F(DetailsFileTest, FileNamesAndWhenNothingIsWritten) {
    WriteApplicationDetailsFile(inst.importer(), 0);
    inst.importer().settings.CreateLogs = false;
    WriteApplicationDetailsFile(inst.importer(), 5);
    EXPECT_TRUE(QDir(scans).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());

    inst.importer().settings.CreateLogs = true;
    WriteApplicationDetailsFile(inst.importer(), 123456789);
    WriteApplicationDetailsFile(inst.importer(), 123456789);
    EXPECT_EQ(test::FilesUnder(scans + QStringLiteral("LOANS/12/34/56/78/")),
              QStringList({QStringLiteral("J+B_App_20260304_101112.txt"), QStringLiteral("J+B_App_20260304_101112_2.txt")}));

    inst.writeFile(QStringLiteral("scans/MEMBERID"), QStringLiteral("a file where the folder belongs"));
    inst.importer().app.field[110] = QStringLiteral("2");
    WriteApplicationDetailsFile(inst.importer(), 5);
    ASSERT_EQ(problems().size(), 1);
    EXPECT_TRUE(problems()[0].startsWith(QStringLiteral("Unable to write the application details file of member 5")));
}

// A second report of the same day keeps the earlier one; an empty one is not stored. (A scanned images folder that is
// gone: CreditReportExchangeTest.ReportOfAStoreThatIsGoneLandsInTheProgramFolder.)
TEST_F(DetailsFileTest, AgencyReportsAreFiledByMemberAndDay) {
    inst.importer().PassDate = QStringLiteral("04/03/26");
    const QString first = StoreAgencyReport(inst.importer(), 1234, QStringLiteral("memberid"), QStringLiteral("<first/>"));
    const QString second = StoreAgencyReport(inst.importer(), 1234, QStringLiteral("MEMBERID"), QStringLiteral("<second/>"));
    const QString folder = scans + QStringLiteral("MEMBERID/00/00/12/34/");
    EXPECT_EQ(second, folder + QStringLiteral("AccountOpenSearch-20260304.xml"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(readLines(first), QStringList{QStringLiteral("<second/>")});
    EXPECT_EQ(readLines(folder + QStringLiteral("AccountOpenSearch-20260304_1.xml")), QStringList{QStringLiteral("<first/>")});
    EXPECT_TRUE(problems().isEmpty());
    EXPECT_TRUE(StoreAgencyReport(inst.importer(), 7, QStringLiteral("CREDITCH"), QString()).isEmpty());
}

}  // namespace
}  // namespace autovelt
