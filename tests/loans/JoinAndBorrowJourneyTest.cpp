// Through the real cycle: an online join-and-borrow application, the agency sandbox's checks, the decision, loan and email.

#include "support/ImportPassFixture.h"
#include "support/SuiteAgencySandbox.h"
#include "support/InstallationTempFolder.h"
#include "support/OnlineEncoder.h"
#include "app/ToolCommands.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QThread>
#include <functional>

using namespace autovelt;
using namespace autovelt::test;

namespace {

const QString kPassword = QStringLiteral("Journey-Agency-Pw-7");

class JoinAndBorrowJourneyTest : public WithSuiteAgencySandbox<ImportPassTest> {
public:
    void SetUp() override {
        ImportPassTest::SetUp();
        sandbox().clearRequests();
        auto encoded = [](const QString& text, int seed) {
            using namespace autovelt::testing;
            return encodeOnlineField(text, seed, SymbolUse::Some, kMarkedCodeTables);
        };
        inst.appendConfig(sandbox().iniSection() + "\n[agency_213000]\nCreditReportCompany = RIVERSIDE\nCreditReportUserName = " +
                          encoded("riverside.cr", 2) + "\nCreditReportPassword = \"" + kPassword + "\"\nIdentityCheckCompany = " +
                          encoded("RIVERSIDE", 3) + "\nIdentityCheckUserName = " + encoded("riverside.cv", 4) +
                          "\nIdentityCheckPassword = \"" + encoded(kPassword, 5) + "\"\n");
        inst.exec("TarvAudt", "INSERT INTO CRRuleset (FromValue, ToValue, ruleset) VALUES (0, 25000, 'STANDARD')");
        inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, ruleset, rulevaluemin, rulevaluemax, RuleBand) VALUES "
                              "('CR02A', 1, 'STANDARD', 1, 99, 'F'), ('CR05A', 1, 'STANDARD', 4, 99, 'R'), "
                              "('CR07A', 1, 'STANDARD', 0, 420, 'R'), ('CR10A', 1, 'STANDARD', 0, 0, 'F')");
    }
    void apply(const QString& surname) {
        add(application.set(6, surname));
        runCycle();
    }

    WebApplication application = WebApplication::joinAndBorrow(21);
    InstallationTempFolder temp{inst};  // request copies go with the installation, searched below

    QStringList requestPaths() {
        QStringList paths;
        for (const auto& request : sandbox().requests()) paths << request.path;
        return paths;
    }

    // Files under the folder, besides the configuration, whose content holds the text.
    QStringList filesHolding(const QString& folder, const QString& text) {
        QStringList holding;
        for (const QString& file : FilesUnder(folder))
            if (!file.endsWith(QLatin1String("autovelt.ini"), Qt::CaseInsensitive) && FileBytes(folder + '/' + file).contains(text.toUtf8()))
                holding << file;
        return holding;
    }
};

const QString kValidate = QStringLiteral("/callvalidateapi/incomingserver.php");
const QString kReport = QStringLiteral("/Services/CallReport/CallReport7.asmx");

struct Journey {
    const char* surname;
    const char* rating;  // the rules'
    const char* status;  // the loan's
    const char* variant = "";
    std::function<void(JoinAndBorrowJourneyTest&)> arrange = {};
    QStringList ruleCodes = {"CR02A", "CR05A", "CR07A", "CR10A"};  // in the policy log
};

void PrintTo(const Journey& journey, std::ostream* out) { *out << journey.surname; }

class JourneyCases : public JoinAndBorrowJourneyTest, public ::testing::WithParamInterface<Journey> {};

// Passed, referred and failed by the rules: each gets its loan application and its email.
TEST_P(JourneyCases, FromTheOnlineFormToTheLoanApplicationAndTheEmail) {
    const Journey& j = GetParam();
    if (j.arrange) j.arrange(*this);
    apply(QLatin1String(j.surname));
    // The email's filling is the member email tests' concern: here, that the loan email goes to the applicant. The details
    // file shows the repayment the loan was worked out for, not the one applied for.
    const QString repayment = inst.scalar("TarvTran", "SELECT printf('%.2f', RepayValue) FROM LoanAllocation").toString();
    EXPECT_EQ(requestPaths() + successes().filter("Overall initial rating") +
                  inst.values("TarvTran", "SELECT LoanNumber || '|' || InitStatus || '|' || LoanValue FROM LoanAllocation") +
                  inst.values("TarvTran", "SELECT RuleCode FROM LoanPolicyLog WHERE LoanNo='C1001' ORDER BY RuleCode") + applicantMails() +
                  detailsFileLines("scans/LOANS/00/00/00/01").filter("Repayment amount ")
                  << QStringLiteral("%1|%2").arg(inst.count("TarvID", "SELECT * FROM IDProof WHERE MemberNo=1"))
                         .arg(filesIn("scans/CREDITCH/00/00/00/01").size()),  // the identity row, the filed report
              (QStringList{kReport, kValidate, QStringLiteral("Overall initial rating for loan=%1 for member 1").arg(j.rating),
                          QStringLiteral("C1001|%1|1000").arg(j.status)} + j.ruleCodes +
                  QStringList{"john.smith@example.com|Update on your loan application with Riverside Credit Union",
                              "Repayment amount : " + repayment, "1|1"})) << report();

    // The agency password is in the configuration only.
    for (const QString& folder : {inst.home(), QDir::tempPath()}) EXPECT_EQ(filesHolding(folder, kPassword), QStringList{});
}

const Journey kJourneys[] = {
    {"Tester", "PASS", "P"}, {"Searcher", "REFER", "R"}, {"Judged", "FAIL", "F"},
    // Only "F" and "R" change a decision: a band written "r" is no letter.
    {"Searcher", "PASS", "P", "WithABandInLowerCase",
     [](auto& t) { t.inst.exec("TarvAudt", "UPDATE CRRules SET RuleBand='r' WHERE RuleCode='CR05A'"); }},
    // The promotion's score rule looks at the product the loan falls back to.
    {"Tester", "FAIL", "F", "OnTheDefaultPromotion",
     [](auto& t) {
         t.inst.exec("TarvMain", "INSERT INTO Product (ProductCode, ProductType, IntTo1, IntRate1) VALUES ('PROMO', 3, 50000, 9)");
         t.inst.exec("TarvMain", "UPDATE Control SET OLProductCode='PROMO'");
         t.inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, ruleset, rulevaluemin, rulevaluemax, RuleBand) VALUES "
                                 "('CR07E', 1, 'STANDARD', 0, 9000, 'F')");
         t.application.set(45, "ZZ");
     },
     {"CR02A", "CR05A", "CR07A", "CR07E", "CR10A"}},
};

INSTANTIATE_TEST_SUITE_P(Decisions, JourneyCases, ::testing::ValuesIn(kJourneys),
                         [](const auto& info) { return std::string(info.param.surname) + info.param.variant; });

// Without credit rules the loan needs no search, but each new member's identity is still checked: a borrower's after the
// loan is written, a joiner's as they join, whose details file carries the result.
TEST_F(JoinAndBorrowJourneyTest, WithoutCreditChecksEachNewMembersIdentityIsChecked) {
    inst.exec("TarvAudt", "DELETE FROM CRRules WHERE RuleCode<>'CR10A'");
    WebApplication joiner = withNino(WebApplication::joinOnly(22).set(6, "Lee"), "CD123456A");
    joiner.addresses << autovelt::testing::WebAddress{.type = "BANK1", .sortCode = "40-11-22", .account = "12345678"};
    add(joiner);
    apply(QStringLiteral("Tester"));
    EXPECT_EQ(requestPaths() + inst.values("TarvTran", "SELECT LoanNumber || '|' || InitStatus FROM LoanAllocation") +
                  inst.values("TarvID", "SELECT MemberNo || ' ' || AddressID FROM IDProof ORDER BY MemberNo") +
                  successes().filter("passed ID search") + webLog(2).mid(0, 1) << importedFlag(21) + importedFlag(22)
                  << QString::number(applicantMails().size()),
              (QStringList{kValidate, kValidate, "C1001|P", "1 TU IDV-Pass Score [68]", "2 TU IDV-Pass Score [68]",
                           "Member 1 passed ID search." + suffix(21), "Member 2 passed ID search." + suffix(22),
                           "Member applied to join and eIDV returned PASS status|JOIN|EIDV PASS", "YY", "2"})) << report();
    const QString ref = column("TarvID", "IDProof", "AddressRef", "MemberNo=2");
    EXPECT_EQ(ref.size(), 30);
    EXPECT_EQ(detailsFileLines("scans/MEMBERID/00/00/00").filter(QRegularExpression("^IDV ")),
              (QStringList{"IDV band : Pass", "IDV score : 68", "IDV ref : " + ref}));
    EXPECT_FALSE(QString::fromStdString(report()).contains(kPassword));
}

// A search that failed (each way it can fail is the retrieval tests' concern) or could not be built never passes the
// loan: staff decide.
TEST_F(JoinAndBorrowJourneyTest, AFailedOrMissingCreditReportRefersTheLoan) {
    inst.exec("TarvAudt", "DELETE FROM CRRules WHERE RuleCode='CR10A'");
    const struct { long fieldId; const char* surname; const char* amount; const char* why; } cases[] = {
        {31, "Garbled", "1000", "the credit search failed"}, {32, "Tester", "40000", "no credit search could be made"},
    };
    for (const auto& [fieldId, surname, amount, why] : cases) {
        inst.reporter().clear();
        add(withNino(WebApplication::joinAndBorrow(fieldId).set(6, surname).set(46, amount), QStringLiteral("AB0000%1C").arg(fieldId)));
        runCycle();
        const QString member = QString::number(members());
        EXPECT_EQ(problems().filter("No credit report") + successes().filter("Overall initial rating")
                      << inst.scalar("TarvTran", "SELECT InitStatus FROM LoanAllocation WHERE MemberNo=" + member).toString(),
                  (QStringList{"No credit report for member " + member + " (" + why + "): the loan is referred for staff to decide" +
                                   suffix(fieldId), "Overall initial rating for loan=REFER for member " + member, "R"})) << report();
    }
    EXPECT_EQ(inst.count("TarvAudt", "SELECT * FROM VeltCreditSearch"), 0);
}

// Applicant A is undone after the credit search and rules: nothing of A's is filed or written online. B, next in the
// pass, is given A's member number, is searched afresh, and nothing of A's reaches B's folders.
TEST_F(JoinAndBorrowJourneyTest, AnUndoneApplicantLeavesNothingUnderTheMemberNumber) {
    inst.exec("TarvTran", "CREATE TRIGGER undone BEFORE INSERT ON LoanAllocation WHEN NEW.MemberName LIKE '%Failing%' "
                          "BEGIN SELECT RAISE(ABORT, 'the loan row cannot be written'); END");
    inst.exec("TarvAudt", "INSERT INTO CUPolicyRules VALUES ('PR15A', 'Moved lately', 1, '0', 'R', 'R')");
    add(WebApplication::joinAndBorrow(21).set(6, "Failing").set(4, "Alice"));
    runCycle();
    EXPECT_EQ(importedFlag(21), "N") << report();
    EXPECT_EQ(inst.count("online", "SELECT * FROM rules_log") + inst.count("TarvAudt", "SELECT * FROM VeltCreditSearch"), 0);

    add(withNino(WebApplication::joinAndBorrow(22).set(6, "Tester").set(4, "Bob"), "CD123456A"));
    runCycle();
    EXPECT_EQ(importedFlag(21) + importedFlag(22) + memberColumn(1, "Surname"), "NYTester") << report();
    EXPECT_EQ(requestPaths().count(kReport), 2);  // A asked once: its kept answer serves its next attempt
    EXPECT_FALSE(problems().join(QChar(10)).contains("using this for VELT")) << report();
    // B's one report filed and recorded; nothing of A's in the scans or left staged.
    EXPECT_EQ(inst.values("TarvAudt", "SELECT MemberNo || Surname FROM VeltCreditSearch") + filesHolding(inst.path("scans"), "Failing") +
                  QDir(inst.path("staging")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"1Tester"});
    EXPECT_EQ(filesIn("scans/CREDITCH/00/00/00/01").size(), 1);
}

// A deleted member's folders go aside and their records with them: the number given again is searched afresh, and the
// deleted member's own application can be imported again.
TEST_F(JoinAndBorrowJourneyTest, DeletionUndoesTheImport) {
    apply(QStringLiteral("Tester"));
    ASSERT_EQ(members(), 1);
    EXPECT_EQ(RunDeleteMemberCommand(inst.home(), 1, true), 0);
    EXPECT_EQ(inst.count("TarvAudt", "SELECT * FROM VeltImport") + inst.count("TarvAudt", "SELECT * FROM VeltCreditSearch") +
                  filesIn("scans/CREDITCH/00/00/00/01").size(), 0);
    const QStringList aside = QDir(inst.path("scans/deleted")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(filesIn("scans/deleted/" + aside[0] + "/CREDITCH").size(), 1) << aside[0].toStdString();

    inst.reporter().clear();
    onlineExec("UPDATE table_w SET field_107='N'");
    onlineExec("UPDATE table_ad SET field_21='N'");
    runCycle();
    EXPECT_FALSE(problems().join(QChar(10)).contains("using this for VELT")) << report();
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(memberColumn(1, "Surname")).arg(requestPaths().count(kReport))
                  .arg(filesIn("scans/CREDITCH/00/00/00/01").size()),
              "Tester 2 1") << report();
}

// A dry run asks the agency nothing: it says so, and rates the loan as without a report (the identity check, which
// cannot be made either, fails it here by its CR10A band).
TEST_F(JoinAndBorrowJourneyTest, ADryRunSendsNoAgencyRequest) {
    add(WebApplication::joinAndBorrow(21).set(6, "Tester"));
    const QString out = RunAutovelt({"--dry-run", "--home", inst.home()}).out;
    EXPECT_EQ(sandbox().requests().size(), 0);
    EXPECT_TRUE(out.contains("the request would be sent to the agency now; it is not sent") &&
                out.contains("dry run: problem: No credit report for member 1 (the credit search failed)") &&
                out.contains("dry run: success: Overall initial rating for loan=FAIL for member 1")) << out.toStdString();
    EXPECT_EQ(importedFlag(21) + QString::number(members()), "N0");
}

// Killed once the search's answer was kept, the next run uses the kept answer; killed while the search was on the wire,
// the next run does not search again and says so.
TEST_F(JoinAndBorrowJourneyTest, AKilledRunNeverSearchesTwice) {
    inst.exec("TarvAudt", "DELETE FROM CRRules WHERE RuleCode='CR10A'");
    add(WebApplication::joinAndBorrow(21).set(6, "Tester"));
    ASSERT_TRUE(RunAutoveltKilledAt(inst.home(), {"break autovelt::assessment::CheckCRRules", "run"}).contains("Breakpoint 1, "));
    ProgramRun rerun = runProgram();
    EXPECT_TRUE(rerun.output().contains("Overall initial rating for loan=PASS for member 1")) << rerun.output().toStdString();
    EXPECT_EQ(requestPaths().count(kReport), 1);

    sandbox().clearRequests();
    add(withNino(WebApplication::joinAndBorrow(22).set(6, "Slowpoke").set(4, "Sam"), "CD123456A"));
    const auto program = StartAutovelt({"--once", "--home", inst.home()});
    for (int waited = 0; waited < 100 && !requestPaths().contains(kReport); ++waited) QThread::msleep(100);
    program->kill();
    program->waitForFinished();
    ASSERT_EQ(requestPaths().count(kReport), 1);
    rerun = runProgram();
    EXPECT_TRUE(rerun.output().contains("may have reached the agency; it is not sent again") &&
                rerun.output().contains("Overall initial rating for loan=REFER for member 2")) << rerun.output().toStdString();
    EXPECT_EQ(requestPaths().count(kReport), 1);
}

// The credit union's own programs keep writing to the core banking database while the importer waits on the agency (the
// slow applicant's search and identity check): the importer holds no lock during the wait, so a writer that waits at
// most a second for the lock is never refused.
TEST_F(JoinAndBorrowJourneyTest, TheCoreBankingDatabaseTakesWritesWhileTheAgencyAnswers) {
    add(withNino(WebApplication::joinAndBorrow(22).set(6, "Slowpoke").set(4, "Sam"), "CD123456A"));
    inst.exec("TarvMain", "CREATE TABLE StaffWrites (Id INTEGER PRIMARY KEY, Note TEXT)");
    const QString name = QUuid::createUuid().toString();
    QStringList refused;
    int writesWhileWaiting = 0;
    {
        QSqlDatabase staff = QSqlDatabase::addDatabase("QSQLITE", name);
        staff.setDatabaseName(inst.databaseFile("TarvMain"));
        staff.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1000");
        ASSERT_TRUE(staff.open());
        const auto program = StartAutovelt({"--once", "--home", inst.home()});
        ASSERT_EQ(program->state(), QProcess::Running);
        while (!program->waitForFinished(100)) {
            const bool waiting = requestPaths().contains(kReport);
            QSqlQuery write(staff);
            if (!staff.transaction() || !write.exec("INSERT INTO StaffWrites (Note) VALUES ('teller')") || !staff.commit()) {
                refused << write.lastError().text() + staff.lastError().text();
                staff.rollback();
            } else if (waiting) {
                ++writesWhileWaiting;
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    EXPECT_EQ(refused, QStringList{});
    EXPECT_GE(writesWhileWaiting, 20);  // the importer waited seconds on the agency, not milliseconds
    EXPECT_EQ(requestPaths(), (QStringList{kReport, kValidate}));
    EXPECT_EQ(inst.values("TarvTran", "SELECT LoanNumber || '|' || InitStatus FROM LoanAllocation"), QStringList{"C1001|F"});
}

}  // namespace
