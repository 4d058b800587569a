#include "assessment/AgencyReportFile.h"
#include "import/ApplicationDetailsFile.h"

#include "support/ExpectedDocuments.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

QStringList readLines(const QString& path) { return QString::fromUtf8(test::FileBytes(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

class DetailsFileTest : public test::InstallationTest {
protected:
    void SetUp() override {
        scans = inst.path(QStringLiteral("scans")) + QLatin1Char('/');
        CycleSettings& s = im().settings;
        s.CreateLogs = true;
        s.ScanLocation = scans;
        s.UDFCaption[1] = QStringLiteral("Employer");
        ApplicationState& app = im().app;
        for (int n = 1; n <= 110; ++n) app.field[size_t(n)] = QStringLiteral("f%1").arg(n);
        app.identity = app.websiteIdentity();  // as the pass takes it from the website
        app.messageSuffix = QStringLiteral(" (table_w field_id=77)");
        app.addresses.homeSlots[11] = QString();
        app.field[tw::Email] = QStringLiteral("web@example.org");
        inst.clock().set(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
    }
    void write(long member) { WriteApplicationDetailsFile(im().cycle(), im().session(), im().app, member); }
    QString storeReport(long member, const QString& folder, const QString& xml) {
        return StoreAgencyReport(im().cycle(), im().session(), im().app, member, folder, xml);
    }
    QString scans;
};

struct DetailsCase {
    const char* name;  // and of the reviewed document the file must equal: application-details-<name>.txt
    const char* applicationCode;  // field_110
    long newMemberNumber;
    const char* fsaRefNo;
    const char* folder;
};

void PrintTo(const DetailsCase& c, std::ostream* out) { *out << c.name; }

class DetailsLinesTest : public DetailsFileTest, public ::testing::WithParamInterface<DetailsCase> {};

// Member 99's folder cuts eight digits into four levels. Bank lines come with a borrower who is already a member,
// the terms lines with the credit union whose details file records acceptances.
TEST_P(DetailsLinesTest, FileIsTheReviewedDocument) {
    const DetailsCase& c = GetParam();
    ApplicationState& app = im().app;
    app.field[tw::ApplicationCode] = QLatin1String(c.applicationCode);
    app.newMemberNumber = c.newMemberNumber;
    app.addresses.accountNumber = QStringLiteral("12345678");
    app.addresses.sortCode = QStringLiteral("090128");
    app.addresses.workSlots[7] = QStringLiteral("Mill Lane Depot");
    im().settings.profile = CreditUnionProfileFor(QLatin1String(c.fsaRefNo));
    write(99);

    const QString folder = scans + QLatin1String(c.folder) + QStringLiteral("/00/00/00/99/");
    const QStringList files = test::FilesUnder(folder);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QString::fromUtf8(test::FileBytes(folder + files[0])),
              test::ExpectedDocument(QStringLiteral("application-details-%1.txt").arg(QLatin1String(c.name))));
    EXPECT_EQ(readLines(folder + files[0]), ApplicationDetailsLines(app, im().settings));
}

INSTANTIATE_TEST_SUITE_P(
    Applications, DetailsLinesTest,
    ::testing::Values(DetailsCase{"JoinOnly", "2", 99, "213000", "MEMBERID"}, DetailsCase{"JoinAndBorrow", "1", 99, "213258", "LOANS"},
                      DetailsCase{"BorrowOnlyExisting", "3", 0, "213258", "LOANS"},
                      DetailsCase{"BorrowOnlyOtherUnion", "3", 0, "213000", "LOANS"}),
    [](const auto& info) { return std::string(info.param.name); });

// No work lines without a work place or role, and a value with a line break stays on its line.
TEST_F(DetailsFileTest, WorkLinesOnlyWithAWorkPlaceOrRoleAndValuesStayOnOneLine) {
    im().app.field[tw::Forename] = QStringLiteral("Ann\r\nEnd of application");
    const QStringList lines = ApplicationDetailsLines(im().app, im().settings);
    EXPECT_FALSE(lines.join(QLatin1Char('|')).contains(QStringLiteral("Work place")));
    EXPECT_EQ(lines.count(QStringLiteral("End of application")), 1);
}

// What the website sent stands until the import settles its own: the member's status, the savings
// by the payroll, the checks' score, decision and reference, the identity result, the product, the
// repayment and the gross annual income.
TEST_F(DetailsFileTest, TheImportsResultsReplaceTheWebsitesOnceGiven) {
    const QRegularExpression results(QStringLiteral("^(Default membership status|Savings value|CRA score|CRA decision|CRA ref|"
                                                    "IDV band|IDV score|IDV ref|Loan product|Repayment amount|Gross annual income) :"));
    const auto resultLines = [&] { return ApplicationDetailsLines(im().app, im().settings).filter(results).join('|'); };
    EXPECT_EQ(resultLines(), "Default membership status : f11|Savings value : f25|CRA score : f26|CRA decision : f27|CRA ref : f30|"
                             "IDV band : f31|IDV score : f32|IDV ref : f33|Loan product : f45|Repayment amount : f48|"
                             "Gross annual income : f63");
    ApplicationState& app = im().app;
    app.memberStatus = "A";
    app.annualIncomeWithOthers = "27600";
    app.assessment = {.decision = "R", .score = "451", .searchReference = "S-1"};
    app.identity = {"REFER", "43", "ID-9"};
    app.loan.profileProduct = "L7";
    app.loan.workedOutRepayment = "34.08";
    app.loan.scheduledSavings = "25.00";
    EXPECT_EQ(resultLines(), "Default membership status : A|Savings value : 25.00|CRA score : 451|CRA decision : R|CRA ref : S-1|"
                             "IDV band : REFER|IDV score : 43|IDV ref : ID-9|Loan product : L7|Repayment amount : 34.08|"
                             "Gross annual income : 27600");
}

// Two files in one second are both kept; nothing without logs or a member; an unwritable folder is reported.
TEST_F(DetailsFileTest, FileNamesAndWhenNothingIsWritten) {
    write(0);
    im().settings.CreateLogs = false;
    write(5);
    EXPECT_TRUE(QDir(scans).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());

    im().settings.CreateLogs = true;
    write(123456789);
    write(123456789);
    EXPECT_EQ(test::FilesUnder(scans + QStringLiteral("LOANS/12/34/56/78/")),
              QStringList({QStringLiteral("J+B_App_20260304_101112.txt"), QStringLiteral("J+B_App_20260304_101112_2.txt")}));

    inst.writeFile(QStringLiteral("scans/MEMBERID"), QStringLiteral("a file where the folder belongs"));
    im().app.field[tw::ApplicationCode] = QStringLiteral("2");
    write(5);
    ASSERT_EQ(problems().size(), 1);
    EXPECT_TRUE(problems()[0].startsWith(QStringLiteral("Unable to write the application details file of member 5")));
}

// A second report of the same day keeps the earlier one; an empty one is not stored. (A scanned images folder that is
// gone: CreditReportExchangeTest.ReportOfAStoreThatIsGoneLandsInTheProgramFolder.)
TEST_F(DetailsFileTest, AgencyReportsAreFiledByMemberAndDay) {
    im().PassDate = QStringLiteral("04/03/26");
    const QString first = storeReport(1234, QStringLiteral("memberid"), QStringLiteral("<first/>"));
    const QString second = storeReport(1234, QStringLiteral("MEMBERID"), QStringLiteral("<second/>"));
    const QString folder = scans + QStringLiteral("MEMBERID/00/00/12/34/");
    // Both returned the day's name; it holds the second report, the earlier one moved beside it.
    EXPECT_EQ(QStringList({first, second}) + readLines(first) + readLines(folder + QStringLiteral("AccountOpenSearch-20260304_1.xml")) + problems(),
              QStringList({folder + QStringLiteral("AccountOpenSearch-20260304.xml"), folder + QStringLiteral("AccountOpenSearch-20260304.xml"),
                           QStringLiteral("<second/>"), QStringLiteral("<first/>")}));
    EXPECT_TRUE(storeReport(7, QStringLiteral("CREDITCH"), QString()).isEmpty());
}

}  // namespace
}  // namespace autovelt
