// The loan application rows and pay profiles as the embedded engine stores them: one
// prepared loan, varied one way per case, written and read back.

#include "common/VeltError.h"
#include "loans/LoanApplication.h"
#include "loans/LoanRepayment.h"
#include "loans/PayProfiles.h"
#include "loans/FirstRepaymentDate.h"
#include "support/TestInstallation.h"

#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

const QDateTime kThursday(QDate(2026, 3, 5), QTime(10, 15, 0));
const QString kSuffix = QStringLiteral(" (table_w field_id=7)");
constexpr long kMember = 1234;

class LoanRecordsTest : public ::testing::Test {
public:
    test::TestInstallation inst;
    long employmentId = 0;

    Importer& im() { return inst.importer(); }
    QVariant tran(const QString& q) { return inst.scalar(QStringLiteral("TarvTran"), q); }
    QVariant audt(const QString& q) { return inst.scalar(QStringLiteral("TarvAudt"), q); }
    QVariant main(const QString& q) { return inst.scalar(QStringLiteral("TarvMain"), q); }
    QVariant loanColumn(const QString& column) {
        return tran(QStringLiteral("SELECT %1 FROM LoanAllocation ORDER BY ID DESC LIMIT 1").arg(column));
    }
    QStringList problems() { return inst.reporter().problems(); }
    QVariant schedule(const QString& product, const QString& column) {
        return main(QStringLiteral("SELECT %1 FROM PayAnalysisSchedule WHERE ProductCode='%2'").arg(column, product));
    }

    void SetUp() override {
        inst.appendConfig(QStringLiteral("[timing]\nsettle_pauses = false"));
        inst.clock().set(kThursday);
        inst.openCoreConnections();
        im().PassDate = QStringLiteral("05/03/26");
        prepareLoan();
        inst.exec("TarvMain", "INSERT INTO MemberEmployment (MemberNo, PayType, PayRunNo) VALUES (1234, 'PAY1', 7)");
        employmentId = main("SELECT ID FROM MemberEmployment").toLongLong();
        inst.exec("TarvMain", "INSERT INTO PayRun (Payrunno, AutoLoan) VALUES (7, 0)");
        inst.exec("TarvMain", "INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, Balance) VALUES (1234, 'S1', 0, 80)");
        inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberPayAnalysis (MemberNo, EmploymentID, BalanceID, UsualValue) "
                                             "VALUES (1234, %1, %2, 40)")
                                  .arg(employmentId)
                                  .arg(main("SELECT ID FROM MemberBalances").toLongLong()));
    }

    void prepareLoan() {
        CycleSettings& s = im().settings;
        s.FSARefNo = QStringLiteral("213000");
        s.CreditChecksEnabled = true;
        s.DefaultLoanPayoutMethod = QStringLiteral("F");
        s.DoProfile = true;
        s.OSProductCode = QStringLiteral("S1");
        ApplicationState& app = im().app;
        app.memberNumber = kMember;
        app.messageSuffix = kSuffix;
        app.loanNumber = QStringLiteral("C1001");
        app.homeSlots[8] = QStringLiteral("SW1A 1AA");
        auto& f = app.field;
        f[7] = QStringLiteral("15/04/1925");
        f[8] = QStringLiteral("Female");
        f[9] = QStringLiteral("2");
        f[12] = QStringLiteral("Owner occupier");
        f[20] = QStringLiteral("Employed");
        f[24] = QStringLiteral("P");
        f[25] = QStringLiteral("25");
        f[26] = QStringLiteral("512");
        f[27] = QStringLiteral("P");
        f[30] = QStringLiteral("CRA-'1");
        f[46] = QStringLiteral("1500");
        f[50] = QStringLiteral("Car #2 O'Neill");
        f[105] = QStringLiteral("KEY1");
        auto& d = im().LoanDetails;
        d = {};
        d[0] = QString::number(kMember);
        d[2] = im().PassDate;
        d[3] = QStringLiteral("1500");
        d[4] = QStringLiteral("M");
        d[5] = QStringLiteral("60");
        d[8] = QStringLiteral("123456");
        d[9] = QStringLiteral("12345678");
        d[15] = QStringLiteral("E");
        FirstRepaymentDate(im());
        LoanPassState& loan = im().app.loan;
        loan = {};
        loan.productCode = QStringLiteral("LN1");
        loan.requestedAmount = Currency::fromDouble(1500);
        loan.totalBorrowing = Currency::fromDouble(1500);
        loan.memberName = QStringLiteral("MARY TRUELOVE");
    }

    // The loan pass's order: figures, loan records, savings then loan schedule.
    void writeLoan() {
        RateTiers tiers;
        tiers.upTo[0] = Currency::fromDouble(5000);
        tiers.rate[0] = Currency::fromDouble(12.9);
        CalculateLoanRepayment(im(), tiers);
        CreateLoanApplication(im());
        BuildSavingsPayProfile(im());
        BuildLoanPayProfile(im());
    }
};

struct RecordCase {
    const char* name;
    std::function<void(LoanRecordsTest&)> arrange;
    std::function<void(LoanRecordsTest&)> check;
};

void PrintTo(const RecordCase& c, std::ostream* out) { *out << c.name; }

class LoanRecordCases : public LoanRecordsTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(LoanRecordCases, ReadBack) {
    const RecordCase& c = GetParam();
    if (c.arrange) c.arrange(*this);
    writeLoan();
    c.check(*this);
}

void expectStatus(LoanRecordsTest& t, const char* init, int inQueue, const char* ours, const char* keyword) {
    EXPECT_EQ(t.loanColumn("InitStatus").toString(), init);
    EXPECT_EQ(t.loanColumn("InQ").toInt(), inQueue);
    EXPECT_EQ(t.loanColumn("OurStatus").toString(), ours);
    EXPECT_EQ(t.audt(QStringLiteral("SELECT TheKeyword FROM WebLog WHERE TheCategory='BORROW'")).toString(), keyword);
}

void expectPayee(LoanRecordsTest& t, const char* method, const char* sortCode, const char* account) {
    EXPECT_EQ(t.tran("SELECT Method FROM LoanPayee").toString(), method);
    EXPECT_EQ(t.tran("SELECT SortCode FROM LoanPayee").toString(), sortCode);
    EXPECT_EQ(t.tran("SELECT AccNo FROM LoanPayee").toString(), account);
}

const RecordCase kCases[] = {
    {"PassWritesEveryRow", nullptr,
     [](LoanRecordsTest& t) {
         const long id = t.loanColumn("ID").toLongLong();
         expectStatus(t, "P", 1, "Started", "LOAN PASS");
         EXPECT_EQ(t.loanColumn("StartTime").toString(), "05/03/26 10:15:00");
         EXPECT_EQ(t.loanColumn("MemberName").toString(), "MARY TRUELOVE");
         EXPECT_EQ(t.loanColumn("LoanTypeDesc").toString(), "Car #2 O'Neill");
         EXPECT_EQ(t.loanColumn("CRARef").toString(), "CRA-'1");
         EXPECT_EQ(t.loanColumn("LoanDate").toString(), "2026-03-05");
         EXPECT_EQ(t.loanColumn("RepayDate").toString(), "2026-04-05");
         EXPECT_EQ(t.loanColumn("DoB").toString(), "1925-04-15");
         EXPECT_EQ(t.loanColumn("LastPaymentDate").toString(), t.im().LoanDetails[17].mid(6) + "-" +
                                                                   t.im().LoanDetails[17].mid(3, 2) + "-" +
                                                                   t.im().LoanDetails[17].left(2));
         EXPECT_GE(t.loanColumn("LastPaymentDate").toString(), "2031-03-01");
         EXPECT_DOUBLE_EQ(t.loanColumn("LoanIntRate").toDouble(), 12.9);
         EXPECT_DOUBLE_EQ(t.loanColumn("IntAPR").toDouble(), t.im().LoanDetails[14].toDouble());
         EXPECT_DOUBLE_EQ(t.loanColumn("RepayValue").toDouble(), t.im().LoanDetails[7].toDouble());
         EXPECT_DOUBLE_EQ(t.loanColumn("LastPaymentValue").toDouble(), t.im().LoanDetails[13].toDouble());
         EXPECT_EQ(t.loanColumn("LoanTerm").toInt(), 60);
         EXPECT_EQ(t.loanColumn("PostCodePart1").toString(), "SW1A");
         EXPECT_EQ(t.loanColumn("Gender").toString(), "F");
         EXPECT_EQ(t.loanColumn("BorrowChannel").toString(), "L");
         EXPECT_EQ(t.loanColumn("HomeStatus").toString(), "Owner occupier");
         expectPayee(t, "F", "123456", "12345678");
         EXPECT_EQ(t.tran("SELECT LoanID FROM LoanPayee").toLongLong(), id);
         EXPECT_DOUBLE_EQ(t.tran("SELECT ChqVal FROM LoanPayee").toDouble(), 1500);
         EXPECT_EQ(t.audt("SELECT LoanID FROM AutoText").toLongLong(), id);
         EXPECT_EQ(t.audt("SELECT TheTime FROM AutoText").toString(), "10:15");
         EXPECT_EQ(t.audt("SELECT TheDate FROM AutoText").toString(), "2026-03-05");
         EXPECT_EQ(t.inst.reporter().successes(),
                   QStringList{"Created LN1 loan app C1001 for member 1234 for £1500. Status P." + kSuffix});
         // An existing member's savings come from the pay analysis row, on the loan too.
         EXPECT_DOUBLE_EQ(t.schedule("S1", "UsualValue").toDouble(), 40);
         EXPECT_EQ(t.schedule("S1", "ValueType").toInt(), 1);
         EXPECT_EQ(t.schedule("S1", "\"Date\"").toString(), "2026-04-05");
         EXPECT_EQ(t.schedule("S1", "EmploymentID").toLongLong(), t.employmentId);
         EXPECT_EQ(t.schedule("S1", "LoanID").toLongLong(), id);
         EXPECT_DOUBLE_EQ(t.schedule("LN1", "UsualValue").toDouble(), t.im().LoanDetails[7].toDouble());
         EXPECT_EQ(t.schedule("LN1", "ValueType").toInt(), 2);
         EXPECT_EQ(t.schedule("LN1", "Priority").toInt(), 1);
         EXPECT_EQ(t.schedule("LN1", "PayRunNo").toInt(), 7);
         EXPECT_DOUBLE_EQ(t.loanColumn("SharesM").toDouble(), 40);
         EXPECT_DOUBLE_EQ(t.loanColumn("SharesWF").toDouble(), 40);
         EXPECT_DOUBLE_EQ(t.loanColumn("TotNewPay").toDouble(), 40 + t.im().LoanDetails[7].toDouble());
         EXPECT_TRUE(t.problems().isEmpty()) << t.problems().join("\n").toStdString();
     }},
    {"Refer", [](LoanRecordsTest& t) { t.im().app.field[27] = "r"; },
     [](LoanRecordsTest& t) { expectStatus(t, "R", 1, "Started", "LOAN REFER"); }},
    {"Fail", [](LoanRecordsTest& t) { t.im().app.field[27] = "F"; },
     [](LoanRecordsTest& t) { expectStatus(t, "F", 1, "Started", "LOAN FAIL"); }},
    {"UnknownDecisionBecomesRefer", [](LoanRecordsTest& t) { t.im().app.field[27] = "X"; },
     [](LoanRecordsTest& t) {
         expectStatus(t, "R", 1, "Started", "LOAN REFER");
         EXPECT_EQ(t.problems(), (QStringList{"Our call to CRA has returned a Decision of X",
                                              "Converted to REFER for member 1234." + kSuffix}));
     }},
    {"SaturdayStartsMondayAtEight", [](LoanRecordsTest& t) { t.inst.clock().set(QDateTime(QDate(2026, 3, 7), QTime(16, 5))); },
     [](LoanRecordsTest& t) { EXPECT_EQ(t.loanColumn("StartTime").toString(), "09/03/26 08:00:00"); }},
    {"NoBankDetailsPaysToShares", [](LoanRecordsTest& t) { t.im().LoanDetails[8] = "0"; },
     [](LoanRecordsTest& t) { expectPayee(t, "S", "", ""); }},
    {"NoAccountPaysToShares", [](LoanRecordsTest& t) { t.im().LoanDetails[9] = ""; },
     [](LoanRecordsTest& t) { expectPayee(t, "S", "", ""); }},
    {"BankAnomalyHidesTheDetails", [](LoanRecordsTest& t) { t.im().app.identityFailedOnBank = true; },
     [](LoanRecordsTest& t) {
         expectPayee(t, "F", "000000", "00000000");
         EXPECT_EQ(t.problems(), QStringList{"Review disbursement of loan app for member 1234 with loan no C1001 due "
                                             "to bank detail anomaly."});
     }},
    {"NoChecksOutOfQueue213628",
     [](LoanRecordsTest& t) { t.im().settings.FSARefNo = "213628"; t.im().settings.CreditChecksEnabled = false; },
     [](LoanRecordsTest& t) { expectStatus(t, "", 0, "", "LOAN PASS"); }},
    {"NoChecksOutOfQueue213258",
     [](LoanRecordsTest& t) { t.im().settings.FSARefNo = "213258"; t.im().settings.CreditChecksEnabled = false; },
     [](LoanRecordsTest& t) { expectStatus(t, "", 0, "", "LOAN PASS"); }},
    {"ChecksKeepTheQueue213258", [](LoanRecordsTest& t) { t.im().settings.FSARefNo = "213258"; },
     [](LoanRecordsTest& t) { expectStatus(t, "P", 1, "Started", "LOAN PASS"); }},
    {"AwaitingProofOfIdentity213679", [](LoanRecordsTest& t) { t.im().settings.FSARefNo = "213679"; },
     [](LoanRecordsTest& t) { expectStatus(t, "P", 0, "Awaiting POI", "LOAN PASS"); }},
    {"AutoLoanCollectsTheRepaymentWithSavings",
     [](LoanRecordsTest& t) {
         t.inst.exec("TarvMain", "UPDATE PayRun SET AutoLoan=1");
         t.inst.exec("TarvMain", "INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, Balance, RepaymentAmount, "
                                 "AutoLoanRepay) VALUES (1234, 'L9', 1, 300, 10, 'A')");
     },
     [](LoanRecordsTest& t) {
         const double repayment = t.im().LoanDetails[7].toDouble();
         EXPECT_DOUBLE_EQ(t.schedule("S1", "UsualValue").toDouble(), 30 + repayment);
         EXPECT_DOUBLE_EQ(t.loanColumn("SharesM").toDouble(), 30);
         EXPECT_DOUBLE_EQ(t.loanColumn("SharesWF").toDouble(), 30);
     }},
    {"DepositByStandingOrderSchedulesNothing", [](LoanRecordsTest& t) { t.im().app.field[24] = "SO"; },
     [](LoanRecordsTest& t) {
         EXPECT_EQ(t.main("SELECT COUNT(*) FROM PayAnalysisSchedule").toInt(), 0);
         EXPECT_DOUBLE_EQ(t.loanColumn("SharesM").toDouble(), 25);
         EXPECT_TRUE(t.loanColumn("SharesWF").isNull());
     }},
    {"NewMemberKeepsTheAppliedSavings", [](LoanRecordsTest& t) { t.im().app.newMemberNumber = kMember; },
     [](LoanRecordsTest& t) {
         EXPECT_DOUBLE_EQ(t.schedule("S1", "UsualValue").toDouble(), 25);
         EXPECT_DOUBLE_EQ(t.loanColumn("SharesM").toDouble(), 25);
     }},
    {"ProfilesOff", [](LoanRecordsTest& t) { t.im().settings.DoProfile = false; },
     [](LoanRecordsTest& t) { EXPECT_EQ(t.main("SELECT COUNT(*) FROM PayAnalysisSchedule").toInt(), 0); }},
};

INSTANTIATE_TEST_SUITE_P(Loans, LoanRecordCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A loan row that cannot be written, or one whose payee cannot, raises the error after the
// report: the application's unit of work then undoes it whole (the import pass tests show it).
TEST_F(LoanRecordsTest, FailedLoanOrPayeeRowRaises) {
    const struct {
        const char* table;
        const char* problem;
    } cases[] = {{"LoanAllocation", "Unable to create loan app record for member 1234 with loan no C1001."},
                 {"LoanPayee", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        inst.reporter().clear();
        inst.exec("TarvTran", QStringLiteral("ALTER TABLE %1 RENAME TO Gone%1").arg(QLatin1String(c.table)));
        EXPECT_THROW(writeLoan(), VeltError);
        EXPECT_EQ(problems(), c.problem ? QStringList{c.problem + kSuffix} : QStringList{});
        EXPECT_EQ(inst.reporter().successes(), QStringList{});
        EXPECT_EQ(audt("SELECT COUNT(*) FROM AutoText").toInt(), 0);
        EXPECT_EQ(audt("SELECT COUNT(*) FROM WebLog").toInt(), 0);
        inst.exec("TarvTran", QStringLiteral("ALTER TABLE Gone%1 RENAME TO %1").arg(QLatin1String(c.table)));
    }
}

TEST_F(LoanRecordsTest, SecondLoanReplacesTheScheduleRows) {
    writeLoan();
    prepareLoan();
    im().app.loanNumber = QStringLiteral("C1002");
    im().LoanDetails[3] = QStringLiteral("900");
    im().app.loan.requestedAmount = im().app.loan.totalBorrowing = Currency::fromDouble(900);
    writeLoan();
    const long second = tran("SELECT MAX(ID) FROM LoanAllocation").toLongLong();
    EXPECT_EQ(main("SELECT COUNT(*) FROM PayAnalysisSchedule").toInt(), 2);
    EXPECT_EQ(schedule("S1", "LoanID").toLongLong(), second);
    EXPECT_EQ(schedule("LN1", "LoanID").toLongLong(), second);
    EXPECT_DOUBLE_EQ(schedule("LN1", "UsualValue").toDouble(), im().LoanDetails[7].toDouble());
}

TEST_F(LoanRecordsTest, JoiningMemberSavingsStartAMonthOn) {
    im().app.field[110] = QStringLiteral("2");
    im().app.newMemberNumber = kMember;
    im().LoanDetails = {};
    FirstRepaymentDate(im());
    BuildSavingsPayProfile(im());
    EXPECT_DOUBLE_EQ(schedule("S1", "UsualValue").toDouble(), 25);
    EXPECT_EQ(schedule("S1", "\"Date\"").toString(), "2026-04-05");
    EXPECT_EQ(schedule("S1", "SchedCreated").toString(), "2026-03-05");
    EXPECT_EQ(schedule("S1", "LoanID").toLongLong(), 0);
    EXPECT_TRUE(problems().isEmpty());
}

TEST_F(LoanRecordsTest, LookupFindsTheHighestIdOrReportsNone) {
    for (int i = 0; i < 2; ++i)
        inst.exec("TarvTran", "INSERT INTO LoanAllocation (MemberNo, LoanNumber) VALUES (1234, 'C7')");
    EXPECT_EQ(LoanIdLookup(im(), kMember, QStringLiteral("C7")), tran("SELECT MAX(ID) FROM LoanAllocation").toLongLong());
    EXPECT_EQ(LoanIdLookup(im(), kMember, QStringLiteral("C8' OR ''='")), 99999999);
}

TEST_F(LoanRecordsTest, ProductAboveTheRateCapIsFlagged) {
    struct { double rate; const char* config; bool flagged; } cases[] = {
        {29.9, "", false},
        {36.0, "", false},    // 3% a month: 42.6% APR, the statutory cap itself
        {37.0, "", true},
        {37.0, "[loans]\nrate_cap_apr = 50", false},
        {37.0, "[loans]\nrate_cap_apr = lots", true},  // unusable: the statutory cap applies
    };
    for (const auto& c : cases) {
        inst.appendConfig(QString::fromUtf8(c.config));
        inst.openCoreConnections();
        inst.reporter().clear();
        inst.exec("TarvAudt", "DELETE FROM WebLog");
        prepareLoan();
        im().app.loan.rateOverride = Currency::fromDouble(c.rate);
        CalculateLoanRepayment(im(), RateTiers{});
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(audt("SELECT COUNT(*) FROM WebLog WHERE TheKeyword='RATE CAP'").toInt(), c.flagged ? 1 : 0);
        EXPECT_EQ(problems().size(), c.flagged ? 1 : 0);
        EXPECT_EQ(im().config.problems.size(), QString::fromUtf8(c.config).contains("lots") ? 1 : 0);
        if (c.flagged) {
            EXPECT_EQ(problems().first(), "Loan app for member 1234 on product LN1 has an APR of 44.0%, above the "
                                          "cap of 42.6% - check the product rate before the loan is approved." + kSuffix);
        }
    }
}

}  // namespace
