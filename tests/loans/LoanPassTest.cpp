// The loan pass as the import pass runs it, on the embedded core banking databases with
// credit checks off: one application per case, its report lines and every row read back.

#include "common/MemberNumberCode.h"
#include "import/ImportPassFixture.h"
#include "loans/ScoreProfile.h"

#include <QFile>
#include <ostream>
#include <functional>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

constexpr long kApp = 7;
const QString S = suffix(kApp);
const QString kDetails = QStringLiteral("Member %1 applied for %2 loan for £%3 over 12 months for Car repairs.");

class LoanPassTest : public ImportPassTest {
public:
    using ImportPassTest::column;
    using ImportPassTest::diary;
    using ImportPassTest::importedFlag;
    using ImportPassTest::inst;
    using ImportPassTest::memberColumn;
    using ImportPassTest::members;
    using ImportPassTest::problems;
    using ImportPassTest::successes;
    using ImportPassTest::webLog;
    WebApplication application = WebApplication::joinAndBorrow(kApp);

    void SetUp() override {
        ImportPassTest::SetUp();
        application.set(104, QStringLiteral("Call at 6"));
        main("UPDATE Control SET DoProfile=1");
        main("INSERT INTO PayRun (Payrunno, AutoLoan) VALUES (3, 0)");
    }

    void main(const QString& sql) { inst.exec(QStringLiteral("TarvMain"), sql); }
    QString loan(const QString& name) { return column("TarvTran", "LoanAllocation", name, "1=1"); }
    QString control(const QString& name) { return column("TarvMain", "Control", name, "1=1"); }
    QStringList loanProblems() {
        QStringList lines;
        for (const QString& line : problems())
            if (line.contains(QLatin1String("ln app")) || line.contains(QLatin1String("applied for")) ||
                line.contains(QLatin1String("profile")) || line.contains(QLatin1String("Nothing of")))
                lines << line;
        return lines;
    }

    // An existing member 500 borrowing only, with a balance of the product applied for.
    void borrowOnly(const QString& balance = QString(), const QString& paidDate = QStringLiteral("NULL"),
                    const QString& owing = QStringLiteral("NULL")) {
        addMember(Member{});
        application.memberNumber = QStringLiteral("500");
        if (balance.isEmpty()) return;
        main(QStringLiteral("INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, Balance, Rate, InterestPaidDate, "
                            "InterestOwing) VALUES (500, 'L1', 1, %1, 12, %2, %3)")
                 .arg(balance, paidDate, owing));
    }

    void scorePriced(const QString& product, const QString& score) {
        main("UPDATE Control SET FSARefNo='213609'");
        main("INSERT INTO Product (ProductCode, ProductType, IntTo1, IntRate1) VALUES ('L14', 3, 50000, 12)");
        application.set(45, product).set(26, score);
    }

    void run() {
        add(application);
        runCycle();
    }
};

struct PassCase {
    const char* name;
    std::function<void(LoanPassTest&)> arrange;
    std::function<void(LoanPassTest&)> check;
};

void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class LoanPassCases : public LoanPassTest, public ::testing::WithParamInterface<PassCase> {};

TEST_P(LoanPassCases, RowsAndLines) {
    if (GetParam().arrange) GetParam().arrange(*this);
    run();
    GetParam().check(*this);
}

// A refused loan: its lines, its note, the failure email's place in the outbox, no loan and
// the counters untouched. The member written before the loan pass stays.
void expectSkip(LoanPassTest& t, long member, const QStringList& lines, const QString& message) {
    EXPECT_EQ(t.loanProblems(), lines);
    EXPECT_EQ(t.loan("ID"), "<none>");
    EXPECT_EQ(t.control("NewLoanCount"), "1001");
    EXPECT_EQ(t.control("TopUpCount"), "501");
    const QString note = t.application.field(110) == QLatin1String("2")
                             ? message
                             : message + QStringLiteral(". Member applied for ") + t.application.field(45) +
                                   QStringLiteral(" loan for £") + t.application.field(46) +
                                   QStringLiteral(" over 12 months for Car repairs");
    const QStringList diary = t.diary(member);
    ASSERT_GE(diary.size(), 2);
    EXPECT_EQ(diary[diary.size() - 2], "VELT|" + note);
    EXPECT_TRUE(diary.last().startsWith("VELT|VELT sent the following fail email")) << diary.last().toStdString();
    EXPECT_TRUE(t.webLog(member).contains(note + "|JOINBORROW|SKIPPED"));
    EXPECT_EQ(t.importedFlag(kApp), "Y");
    EXPECT_EQ(t.inst.scalar("TarvAudt", "SELECT Outcome FROM VeltImport").toString(), "refused");
}

void expectLoan(LoanPassTest& t, const QString& number, const QString& value, const QString& product,
                const QString& rate) {
    EXPECT_EQ(t.loan("LoanNumber"), number);
    EXPECT_EQ(t.loan("LoanValue").toDouble(), value.toDouble());
    EXPECT_EQ(t.loan("ProductCode"), product);
    EXPECT_EQ(t.loan("LoanIntRate").toDouble(), rate.toDouble());
    EXPECT_EQ(t.importedFlag(kApp), "Y");
}

const PassCase kCases[] = {
    {"JoinAndBorrow",
     [](LoanPassTest& t) {
         t.inst.exec("online", QStringLiteral("INSERT INTO rules_log (rulemember, rulecode, rulevalue, ruleresult) "
                                              "VALUES ('%1', 'PR10A', 'HOME', 'P')").arg(EncodeMemberNumber("1")));
     },
     [](LoanPassTest& t) {
         expectLoan(t, "C1001", "1000", "L1", "12");
         EXPECT_EQ(t.loan("MemberNo"), "1");
         EXPECT_EQ(t.loan("OrigBal").toDouble(), 0);
         EXPECT_EQ(t.loan("OSInterest").toDouble(), 0);
         EXPECT_EQ(t.loan("BalanceID"), "0");
         EXPECT_EQ(t.loan("LoanTypeCode"), "1");
         EXPECT_EQ(t.loan("DocsPref"), "E");
         EXPECT_EQ(t.loan("InitStatus"), "P");
         EXPECT_EQ(t.loan("RepayDate"), "2026-04-05");
         EXPECT_EQ(t.control("NewLoanCount"), "1002");
         EXPECT_EQ(t.control("TopUpCount"), "501");
         const QString id = t.loan("ID");
         EXPECT_EQ(t.column("TarvTran", "LoanPayee", "LoanID", "MemberNo=1"), id);
         EXPECT_EQ(t.column("TarvTran", "LoanPayee", "Method", "MemberNo=1"), "S");
         EXPECT_EQ(t.column("TarvMain", "PayAnalysisSchedule", "LoanID", "ProductCode='L1'"), id);
         EXPECT_EQ(t.column("TarvMain", "PayAnalysisSchedule", "UsualValue", "ProductCode='L1'").toDouble(),
                   t.loan("RepayValue").toDouble());
         EXPECT_EQ(t.column("TarvTran", "LoanPolicyLog", "LoanID || '|' || LoanNo || '|' || InitStatus", "RuleCode='PR10A'"),
                   id + "|C1001|P");
         EXPECT_EQ(t.inst.count("online", "SELECT * FROM rules_log"), 0);
         EXPECT_EQ(t.diary(1).last(), "VELT|Call at 6");
         EXPECT_TRUE(t.successes().contains("Created L1 loan app C1001 for member 1 for £1000. Status P." + S));
         EXPECT_EQ(t.loanProblems(), QStringList{});
     }},
    {"BorrowOnlyTopUpWithAccruedInterest",
     // 30 days at 12% on 400 is 3.945..., with 1.25 owing 5.20.
     [](LoanPassTest& t) { t.borrowOnly("400", "'2026-02-03'", "1.25"); },
     [](LoanPassTest& t) {
         expectLoan(t, "T501", "1000", "L1", "12");
         EXPECT_EQ(t.loan("MemberNo"), "500");
         EXPECT_EQ(t.loan("OrigBal").toDouble(), 400);
         EXPECT_EQ(t.loan("OSInterest").toDouble(), 5.2);
         EXPECT_EQ(t.loan("BalanceID"), t.column("TarvMain", "MemberBalances", "ID", "ProductCode='L1'"));
         EXPECT_EQ(t.control("NewLoanCount"), "1001");
         EXPECT_EQ(t.control("TopUpCount"), "502");
         EXPECT_EQ(t.diary(500).last(), "VELT|Call at 6");
     }},
    {"OneCounterForEveryLoan",
     [](LoanPassTest& t) {
         t.main("UPDATE Control SET OneLoanCount=1");
         t.borrowOnly("400");
     },
     [](LoanPassTest& t) {
         expectLoan(t, "1001", "1000", "L1", "12");
         EXPECT_EQ(t.control("NewLoanCount"), "1002");
         EXPECT_EQ(t.control("TopUpCount"), "501");
     }},
    {"UnsetCounterStartsFromNothing", [](LoanPassTest& t) { t.main("UPDATE Control SET NewLoanCount=NULL"); },
     [](LoanPassTest& t) {
         expectLoan(t, "C0", "1000", "L1", "12");
         EXPECT_EQ(t.control("NewLoanCount"), "1");
     }},
    {"ThirdBankAccountPaysTheLoan",
     [](LoanPassTest& t) {
         t.main("UPDATE Control SET FSARefNo='213258'");
         t.borrowOnly();
         t.main("INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Code1, Code2) VALUES (500, 'BANK3', 0, '112233', '44556677')");
     },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(), QStringList{});
         EXPECT_EQ(t.column("TarvTran", "LoanPayee", "SortCode || '|' || AccNo", "MemberNo=500"), "112233|44556677");
     }},
    {"ThirdBankAccountMissing", [](LoanPassTest& t) { t.main("UPDATE Control SET FSARefNo='213258'"); },
     [](LoanPassTest& t) {
         EXPECT_TRUE(t.problems().contains("Member 1 has no bank 3 details stored - please obtain these details for the loan!"));
         EXPECT_EQ(t.column("TarvTran", "LoanPayee", "Method", "MemberNo=1"), "S");
         expectLoan(t, "C1001", "1000", "L1", "12");
     }},
    {"EighteenFromTheFirstOfTheMonth", [](LoanPassTest& t) { t.application.set(7, "31/03/2008"); },
     [](LoanPassTest& t) { expectLoan(t, "C1001", "1000", "L1", "12"); }},
    {"TooYoung", [](LoanPassTest& t) { t.application.set(7, "01/04/2008"); },
     [](LoanPassTest& t) {
         expectSkip(t, 1, {"Skipped ln app for member 1 - Too young.", kDetails.arg(1).arg("L1", "1000")},
                    "Skipped ln app for member as they are only 17 years old.");
         EXPECT_EQ(t.memberColumn(1, "MemberNo"), "1");
     }},
    {"PendingApplication",
     // Join-only rows reach the loan pass's own check; join-and-borrow rows are refused earlier.
     [](LoanPassTest& t) {
         t.borrowOnly();
         t.application.set(110, "2");
         t.inst.exec("TarvTran", "INSERT INTO LoanAllocation (MemberNo, LoanNumber, Posted) VALUES (500, 'C77', 0)");
     },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(), QStringList{"Skipped ln app for member 500 as they already have a pending app - C77." + S});
         EXPECT_EQ(t.inst.count("TarvTran", "SELECT * FROM LoanAllocation"), 1);
         EXPECT_TRUE(t.diary(500).contains("VELT|Skipped ln app for member as they already have a pending app - C77."));
         EXPECT_EQ(t.control("NewLoanCount"), "1001");
     }},
    {"UnknownProductTakesTheDefault", [](LoanPassTest& t) { t.application.set(45, "ZZ"); },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(), QStringList{"Member 1 applied for product ZZ which was not found - altered to L1." + S});
         expectLoan(t, "C1001", "1000", "L1", "12");
     }},
    {"UnknownProductWithoutDefault",
     [](LoanPassTest& t) {
         t.application.set(45, "ZZ");
         t.main("UPDATE Control SET OLProductCode='NONE'");
     },
     [](LoanPassTest& t) {
         expectSkip(t, 1, {"Skipped ln app for member 1 - ZZ product not found." + S, kDetails.arg(1).arg("ZZ", "1000")},
                    "Skipped ln app for member as we could not locate the product ZZ");
     }},
    {"NegativeTotal", [](LoanPassTest& t) { t.borrowOnly("-2000"); },
     [](LoanPassTest& t) {
         expectSkip(t, 500, {"Skipped ln app for member 500 - L1 odd value encountered." + S, kDetails.arg(500).arg("L1", "1000")},
                    "Skipped ln app for member as total borrowing was less than zero!");
     }},
    {"ProductLimitCutsTheAmount",
     [](LoanPassTest& t) {
         t.main("UPDATE Product SET MaxLoanAvailable=5000");
         t.borrowOnly("4000");
         t.application.set(46, "2000");
     },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(), (QStringList{"Member 500 has applied for too much - borrowing changed to £1000 from £2000." + S,
                                                  kDetails.arg(500).arg("L1", "2000")}));
         expectLoan(t, "T501", "1000", "L1", "12");
         EXPECT_EQ(t.loan("OrigApplyValue").toDouble(), 2000);
     }},
    {"ProductLimitReachedAlready",
     [](LoanPassTest& t) {
         t.main("UPDATE Product SET MaxLoanAvailable=5000");
         t.borrowOnly("5000");
         t.application.set(46, "2000");
     },
     [](LoanPassTest& t) {
         expectSkip(t, 500, {"Member 500 has applied for too much - no value available." + S, kDetails.arg(500).arg("L1", "2000")},
                    "Skipped ln app for member as total borrowing was too much");
     }},
    {"ScoreBand545", [](LoanPassTest& t) { t.scorePriced("L14", "545"); },
     [](LoanPassTest& t) { expectLoan(t, "C1001", "1000", "L14", "7.6"); }},
    {"ScoreOutsideTheBands", [](LoanPassTest& t) { t.scorePriced("L14", "1001"); },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(),
                   (QStringList{"Member 1 no valid profile found for Osprine borrowing with score of 1001 - default interest rate will be applied." + S,
                                kDetails.arg(1).arg("L14", "1000")}));
         expectLoan(t, "C1001", "1000", "L14", "12");
     }},
    {"ScoreProfileChangesProductAndCapsOverShares",
     [](LoanPassTest& t) {
         t.scorePriced("L1", "600");
         t.main("INSERT INTO Product (ProductCode, ProductType, IntTo1, IntRate1) VALUES ('L2', 3, 50000, 12)");
         t.inst.exec("TarvAudt", "INSERT INTO PSLnRules (NewMember, RepayType, FromScore, ToScore, IntRate, ProdCode, MaxOverShares) "
                                 "VALUES ('N', 'P', 400, 700, 9.5, 'L2', 500)");
     },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(), (QStringList{"Member 1 has applied for too much - borrowing changed to £500." + S,
                                                  kDetails.arg(1).arg("L2", "1000")}));
         expectLoan(t, "C1001", "500", "L2", "9.5");
     }},
    {"ScoreWithoutProfileTakesTheDefault", [](LoanPassTest& t) { t.scorePriced("L2", "600"); },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(),
                   (QStringList{"Member 1 no valid profile found for borrowing with score of 600 - L1 applied by default." + S,
                                kDetails.arg(1).arg("L2", "1000")}));
         expectLoan(t, "C1001", "1000", "L1", "12");
     }},
    {"ScoreProfileLeavesNothingOverShares",
     [](LoanPassTest& t) {
         t.scorePriced("L1", "600");
         t.borrowOnly();
         t.main("INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, Balance) VALUES (500, 'L9', 1, 900)");
         t.main("INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, Balance) VALUES (500, 'S1', 0, 300)");
         t.inst.exec("TarvAudt", "INSERT INTO PSLnRules (NewMember, RepayType, FromScore, ToScore, IntRate, MaxOverShares) "
                                 "VALUES ('E', 'P', 400, 700, 9.5, 500)");
     },
     [](LoanPassTest& t) {
         expectSkip(t, 500, {"Member 500 has applied for too much - no loan available - skipped." + S, kDetails.arg(500).arg("L1", "1000")},
                    "Skipped ln app for member as they applied for too much and no loan available.");
     }},
    {"FailedPayeeUndoesTheApplication",
     [](LoanPassTest& t) { t.inst.exec("TarvTran", "ALTER TABLE LoanPayee RENAME TO PayeeGone"); },
     [](LoanPassTest& t) {
         EXPECT_EQ(t.loanProblems(), QStringList{"Nothing of the application was saved; it stays pending for the next cycle" + S});
         EXPECT_EQ(t.loan("ID"), "<none>");
         EXPECT_EQ(t.members(), 0);
         EXPECT_EQ(t.control("NewLoanCount"), "1001");
         EXPECT_EQ(t.inst.count("TarvMain", "SELECT * FROM PayAnalysisSchedule"), 0);
         EXPECT_EQ(t.importedFlag(kApp), "N");
         EXPECT_FALSE(t.successes().join('\n').contains("loan app"));
     }},
};

INSTANTIATE_TEST_SUITE_P(Loans, LoanPassCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The "Loan" button: the named application alone is imported with its loan, only while the
// importer is stopped, and the request it leaves for the pass is gone afterwards.
TEST_F(LoanPassTest, LoanRunByHandImportsTheNamedApplicationOnly) {
    add(application);
    add(WebApplication::joinAndBorrow(kApp + 1));
    ManualCycleTimer timer;
    ImportCycle cycle(im(), timer);
    cycle.cmdAutoOnOff_Click();
    cycle.ManualLoan(kApp + 1);
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM LoanAllocation"), 0);
    cycle.cmdAutoOnOff_Click();
    cycle.ManualLoan(kApp + 1);
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM LoanAllocation"), 1);
    EXPECT_TRUE(successes().contains("Created L1 loan app C1001 for member 1 for £1000. Status P." + suffix(kApp + 1)));
    EXPECT_FALSE(successes().join('\n').contains(S));
    EXPECT_EQ(importedFlag(kApp), "N");
    EXPECT_FALSE(QFile::exists(im().programFile("id.txt")));
}

// Every band edge; the pass above prices one band and an out-of-band score.
TEST(ScoreBands, Edges) {
    const struct {
        double score;
        const char* rate;
    } cases[] = {{484, nullptr}, {485, "8.6"}, {544, "8.6"}, {545, "7.6"}, {579, "7.6"},
                 {580, "6.7"},   {1000, "6.7"}, {1001, nullptr}};
    for (const auto& c : cases) {
        const std::optional<Currency> rate = BandRateForScore(c.score);
        EXPECT_EQ(rate.has_value(), c.rate != nullptr) << c.score;
        if (rate && c.rate) EXPECT_EQ(*rate, Currency::fromText(QLatin1String(c.rate))) << c.score;
    }
}

}  // namespace
