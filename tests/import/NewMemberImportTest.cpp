// New members through the whole cycle: every row the import writes, read back.

#include "support/ImportPassFixture.h"
#include "support/ExpectedDocuments.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

class NewMemberImportTest : public ImportPassTest {
protected:
    // Member 1's rows in the tables a document names, laid out as it lays them out: one "Table: Column=value|..." line a
    // row, the columns each line names, Null as "<null>". Compared with the document, it checks every row at once.
    QString memberRows(const QString& document) {
        QString shown;
        for (const QString& line : document.split('\n', Qt::SkipEmptyParts)) {
            const QString table = line.section(": ", 0, 0);
            QStringList columns;
            for (const QString& pair : line.section(": ", 1).split('|')) columns << pair.section('=', 0, 0);
            for (const QString& row : inst.rows("TarvMain", table, columns, "MemberNo=1")) {
                QStringList pairs;
                for (int i = 0; i < columns.size(); ++i) pairs << columns[i] + '=' + row.section('|', i, i);
                shown += table + ": " + pairs.join('|') + '\n';
            }
        }
        return shown;
    }
    // Applications of different people: each its own surname and National Insurance number.
    void addPeople(const QList<WebApplication>& applications) {
        for (WebApplication a : applications) {
            a.niNumber = QStringLiteral("AB12345%1C").arg(a.fieldId);
            a.set(6, a.field(6) + QLatin1Char(char('a' + a.fieldId)));
            add(a);
        }
    }
};

TEST_F(NewMemberImportTest, JoinAndBorrowApplicantBecomesMemberOneWithEveryRow) {
    add(WebApplication::joinAndBorrow(7));
    runCycle();

    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 1 - Smith" + suffix(7),
                                        "Created L1 loan app C1001 for member 1 for \u00A31000. Status P." + suffix(7),
                                        kCompletedLine})) << report();
    EXPECT_EQ(problems(), QStringList{}) << report();
    ASSERT_EQ(members(), 1);
    // UDF1 and UDF2 by the Webmap settings 1 and 2; field_27 is not "ACCEPT": nothing verified; AnnualSalary is
    // 30000 + 12 x (500 + 100 + 0).
    const QString rowsWritten = ExpectedDocument("new-member-rows.txt");
    EXPECT_EQ(memberRows(rowsWritten), rowsWritten);
    EXPECT_EQ(changes(1), QStringList{"New member 1 auto added via VeltImporter"});
    EXPECT_EQ(webLog(1), (QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW",
                                      "Created loan application with initial status of PASS|BORROW|LOAN PASS"}));
    EXPECT_EQ(diary(1), QStringList{"VELT|Please call after 6"});  // stored encoded, noted readable
    EXPECT_EQ(activityLogs().size(), 1);
    // The details file shows the status the member was given and the income with the others added.
    EXPECT_EQ(detailsFileLines("scans/LOANS/00/00/00/01").filter(QRegularExpression("^(Default membership status|Gross annual income) ")),
              (QStringList{"Default membership status : A", "Gross annual income : 37200"}));
}

TEST_F(NewMemberImportTest, JoinOnlyApplicantGetsNoCircumstancesAndTheJoinWebLogRow) {
    add(WebApplication::joinOnly(8).set(31, "PASS"));
    runCycle();
    // Members, circumstance and employment rows; a first repayment date worked out with no frequency.
    EXPECT_EQ(problems() + webLog(1) + changes(1) << importedFlag(8)
                  << QStringLiteral("%1 %2 %3").arg(members()).arg(rows("TarvMain", "SELECT * FROM MemberCircumstance"))
                         .arg(rows("TarvMain", "SELECT * FROM MemberEmployment WHERE MemberNo=1"))
                  << im().app.loan.LoanDetails.firstRepaymentDate,
              (QStringList{"New member 1 auto added via VeltImporter|JOIN|NEW", "New member 1 auto added via VeltImporter", "Y", "1 0 1",
                           "30/12/1899"})) << report();
}

// An identity result other than a pass is reported with its reference. An applicant joining only whose identity is not
// verified gets no loan, whatever amount the website sent; the application keeps that amount, and its details file shows
// the loan value as none. A verified one goes to the loan pass.
TEST_F(NewMemberImportTest, AnUnverifiedApplicantJoiningOnlyIsReportedAndKeepsTheAmountButGetsNoLoan) {
    add(withNino(WebApplication::joinOnly(8).set(31, "refer").set(33, "REF-77").set(6, "Jones"), "CD123456A"));
    add(WebApplication::joinOnly(9).set(46, "500"));  // no identity result: a fail
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"Member 1 had Status of refer from eIDV.", "Member 1 eIDV ref is REF-77.",
                                       "Member 2 had Status of FAIL from eIDV.", "Member 2 eIDV ref is UNSET."}));
    EXPECT_EQ(QString::number(members()) + '|' + im().app.field[tw::LoanAmount], "2|500");
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM LoanAllocation"), 0);
    EXPECT_EQ(detailsFileLines("scans/MEMBERID/00/00/00").filter("Loan value "), (QStringList{"Loan value : 0.00", "Loan value : 0.00"}));

    add(withNino(WebApplication::joinOnly(10).set(46, "500").set(31, "PASS").set(6, "Brown"), "EF123456A"));
    runCycle();
    EXPECT_EQ(inst.values("TarvTran", "SELECT MemberNo || '|' || OrigApplyValue FROM LoanAllocation"), QStringList{"3|500"})
        << report();
}

// Status and share product: a junior (16 this year at the most), and a status asked for, kept in capitals; the
// marketing letters choose accept, decline, SMS, e-mail and post.
TEST_F(NewMemberImportTest, StatusShareProductAndMarketingChannels) {
    addPeople({WebApplication::joinAndBorrow(1).set(7, "31/12/2010").set(14, "ES"),
               WebApplication::joinAndBorrow(2).set(7, "01/01/2009").set(14, ""),
               WebApplication::joinAndBorrow(3).set(7, "14/04/2012").set(11, "x").set(14, "p"),
               WebApplication::joinAndBorrow(4).set(14, "X")});
    runCycle();
    EXPECT_EQ(inst.values("TarvMain", "SELECT MemberMain.MemberStatus || ' ' || ProductCode || ' ' || AcceptMarketing || "
                                      "DeclineMarketing || BySMS || ByEmail || ByPost FROM MemberMain JOIN MemberBalances "
                                      "ON MemberMain.MemberNo=MemberBalances.MemberNo ORDER BY MemberMain.MemberNo"),
              (QStringList{"J J1 10110", "A S1 01000", "X S1 10001", "A S1 01000"}));
}

// Apostrophes go from middle names. The one credit union that sends birthday statements: born 15 April, the next
// birthday is this year's.
TEST_F(NewMemberImportTest, TitleDecidesSexCapitalsFollowMixedCaseAndBirthdayStatements) {
    inst.exec("TarvMain", "UPDATE Control SET FSARefNo='213538'");
    add(WebApplication::joinAndBorrow(1).set(3, "MRS").set(8, "M").set(4, "mary ann").set(6, "MACDONALD").set(5, "o'neil"));
    runCycle();
    EXPECT_EQ(memberColumn(1, "Sex || '|' || Title || '|' || Forename || '|' || Surname || '|' || MidName || '|' || Statementdest || "
                              "'|' || StatementFreq || '|' || NextStatement"),
              "F|Mrs|Mary Ann|MacDonald|Oneil|E|B|2026-04-12");
}

TEST_F(NewMemberImportTest, WithoutMixedCaseNamesAreStoredAsTyped) {
    inst.exec("TarvMain", "UPDATE Control SET MixedCase=0");
    add(WebApplication::joinAndBorrow(1).set(4, "jOHN").set(6, "SMITH").set(13, "paper"));
    runCycle();
    EXPECT_EQ(memberColumn(1, "Forename || '|' || Surname || '|' || Statementdest"), "jOHN|SMITH|H");
}

// An accepted decision marks the declared incomes verified.
TEST_F(NewMemberImportTest, DepositMethodPayrollNumberAndVerifiedIncomes) {
    add(WebApplication::joinAndBorrow(1).set(24, "D").set(6, "Featherstonehaugh").set(27, "accept"));
    add(withNino(WebApplication::joinAndBorrow(2).set(24, "").set(19, "PR-42").set(6, "Jones"), "CD123456A"));
    runCycle();
    EXPECT_EQ(inst.values("TarvMain", "SELECT DepositMethod || '|' || PayrollNo FROM MemberEmployment ORDER BY MemberNo"),
              (QStringList{"F|FEATHERSTO00000001", "C|PR-42"}));
    const QString verified =  // 0 declared: Null
        "MemberCircumstance: IncomeVerified=1|Income1Verified=1|PartnersIncomeVerified=1|Income4Verified=<null>|Expense8Verified=0\n";
    EXPECT_EQ(memberRows(verified), verified);
}

}  // namespace
