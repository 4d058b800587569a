// New members through the whole cycle: every row the import writes, read back.

#include "import/ImportPassFixture.h"

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

class NewMemberImportTest : public ImportPassTest {};

TEST_F(NewMemberImportTest, JoinAndBorrowApplicantBecomesMemberOneWithEveryRow) {
    add(WebApplication::joinAndBorrow(7));
    runCycle();

    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 1 - Smith" + suffix(7),
                                        "Created L1 loan app C1001 for member 1 for \u00A31000. Status P." + suffix(7),
                                        kCompletedLine})) << report();
    EXPECT_EQ(problems(), QStringList{}) << report();
    ASSERT_EQ(members(), 1);

    const std::pair<const char*, const char*> expected[] = {
        {"MemberStatus", "A"}, {"MemberStatus2", ""}, {"MemberStatus3", ""}, {"DOJ", "2026-03-05"},
        {"stopcashin", "0"}, {"StopCashOut", "0"}, {"NewMember", "1"}, {"LotteryValue", "0"},
        {"OutOfCommonBond", "0"}, {"PrevSurname", ""}, {"Title", "Mr"}, {"Forename", "John"},
        {"Surname", "Smith"}, {"MidName", ""}, {"NINumber", "AB123456C"}, {"DOB", "1985-04-15"},
        {"Sex", "M"}, {"StatementFreq", "A"}, {"Statementdest", "E"}, {"NextStatement", "2027-03-05"},
        {"MarketingDate", "2026-03-05"}, {"AcceptMarketing", "1"}, {"DeclineMarketing", "0"}, {"BySMS", "0"},
        {"ByEmail", "1"}, {"ByPost", "0"}, {"LastUpdatedOn", "2026-03-05"}, {"LastUpdatedBy", "VELT"},
        {"JoinChannel", "L"}, {"DOL", "<null>"},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(memberColumn(1, name), value) << name;

    const auto udf = [&](const char* c) { return column("TarvMain", "MemberUDF", c, "MemberNo=1"); };
    EXPECT_EQ(udf("DWPEthnicity"), "WB");
    EXPECT_EQ(udf("DWPEmpStatus"), "Employed full time");
    EXPECT_EQ(udf("DWPHouseholdStatus"), "Owner occupier");
    EXPECT_EQ(udf("Taxcountry"), "United Kingdom");
    EXPECT_EQ(udf("TAXID"), "TX-991");
    EXPECT_EQ(udf("UDF1"), "Acme Widgets Ltd");  // Webmap1 = 1
    EXPECT_EQ(udf("UDF2"), "North");             // Webmap2 = 2
    EXPECT_EQ(udf("UDF3"), "<null>");
    EXPECT_EQ(udf("LastUpdatedBy"), "VELT");

    EXPECT_EQ(column("TarvMain", "MemberPassword", "OtherPassword", "MemberNo=1"), "Rex the dog");
    EXPECT_EQ(column("TarvMain", "MemberPassword", "ReminderQuestion", "MemberNo=1"), "First pet?");

    const auto job = [&](const char* c) { return column("TarvMain", "MemberEmployment", c, "MemberNo=1 AND PayType='PAY1'"); };
    EXPECT_EQ(job("DepositMethod"), "P");
    EXPECT_EQ(job("PayRunNo"), "3");
    EXPECT_EQ(job("PayrollNo"), "");
    EXPECT_EQ(job("PayrollFrequency"), "M");
    EXPECT_EQ(job("DateNotified"), "2026-03-05");
    EXPECT_EQ(job("InsuredBalID"), "0");

    const auto money = [&](const char* c) { return column("TarvMain", "MemberCircumstance", c, "MemberNo=1"); };
    EXPECT_EQ(money("PersonalIncome"), "2000");
    EXPECT_EQ(money("Income1Value"), "2000");
    EXPECT_EQ(money("IncomeVerified"), "0");      // field_27 is not "ACCEPT"
    EXPECT_EQ(money("Income4Verified"), "<null>");  // nothing declared, nothing verified
    EXPECT_EQ(money("PartnersIncome"), "500");
    EXPECT_EQ(money("Income5Value"), "25");
    EXPECT_EQ(money("Income5Type"), "Lodger");
    EXPECT_EQ(money("AnnualSalary"), "37200");    // 30000 + 12 x (500 + 100 + 0)
    EXPECT_EQ(money("Outstanding8Value"), "1200");
    EXPECT_EQ(money("Expense8Value"), "36");
    EXPECT_EQ(money("Expense2Value"), "210.25");
    EXPECT_EQ(money("Expense12Value"), "60");
    EXPECT_EQ(money("Expense11Value"), "35");
    EXPECT_EQ(money("Dependants"), "2");
    EXPECT_EQ(money("HomeStatus"), "Owner occupier");

    const auto share = [&](const char* c) { return column("TarvMain", "MemberBalances", c, "MemberNo=1"); };
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberBalances"), 1);
    EXPECT_EQ(share("ProductCode"), "S1");
    EXPECT_EQ(share("AMILOAN"), "0");
    EXPECT_EQ(share("ProductType"), "4");
    EXPECT_EQ(share("Balance"), "0");
    EXPECT_EQ(share("LoanGranted"), "2026-03-05");
    EXPECT_EQ(share("RepaymentDueDate"), "2026-03-05");

    EXPECT_EQ(changes(1), QStringList{"New member 1 auto added via VeltImporter"});
    EXPECT_EQ(webLog(1), (QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW",
                                      "Created loan application with initial status of PASS|BORROW|LOAN PASS"}));
    // The applicant's note, which the website stores encoded, is noted readable.
    EXPECT_EQ(diary(1), QStringList{"VELT|Please call after 6"});

    EXPECT_EQ(activityLogs().size(), 1);
}

TEST_F(NewMemberImportTest, JoinOnlyApplicantGetsNoCircumstancesAndTheJoinWebLogRow) {
    add(WebApplication::joinOnly(8).set(31, "PASS"));
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();
    ASSERT_EQ(members(), 1);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberCircumstance"), 0);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberEmployment WHERE MemberNo=1"), 1);
    EXPECT_EQ(webLog(1), QStringList{"New member 1 auto added via VeltImporter|JOIN|NEW"});
    EXPECT_EQ(changes(1), QStringList{"New member 1 auto added via VeltImporter"});
    EXPECT_EQ(importedFlag(8), "Y");
    // The join steps work out a first repayment date with no frequency: the zero date.
    EXPECT_EQ(im().LoanDetails[6], "30/12/1899");
}

TEST_F(NewMemberImportTest, IdentityResultsOtherThanAPassAreReportedWithTheirReference) {
    WebApplication referred = WebApplication::joinOnly(8).set(31, "refer").set(33, "REF-77").set(6, "Jones");
    referred.niNumber = "CD123456A";
    add(referred);
    add(WebApplication::joinOnly(9).set(46, "500"));  // no result at all
    runCycle();
    EXPECT_EQ(problems(), (QStringList{"Member 1 had Status of refer from eIDV.", "Member 1 eIDV ref is REF-77.",
                                       "Member 2 had Status of FAIL from eIDV.", "Member 2 eIDV ref is UNSET."}));
    EXPECT_EQ(members(), 2);
    EXPECT_EQ(im().app.field[46], "0.00");  // no loan for an unverified applicant
    EXPECT_EQ(importedFlag(9), "Y");
}

TEST_F(NewMemberImportTest, NumbersFollowTheHighestHeld) {
    addMember({.number = 41, .forename = "Ann", .surname = "Other", .ni = "ZZ999999Z"});
    add(WebApplication::joinAndBorrow(1));
    add(WebApplication::joinAndBorrow(2).set(4, "Mary").set(6, "Jones").set(3, "Mrs"));
    WebApplication third = WebApplication::joinAndBorrow(3);
    third.niNumber = "CD654321A";
    third.set(6, "Brown").set(7, "01/01/1970");
    add(third);
    // Applications 1 and 2 share a National Insurance number: the second is matched to the first.
    runCycle();
    EXPECT_EQ(memberColumn(42, "Surname"), "Smith");
    EXPECT_EQ(memberColumn(43, "Surname"), "Brown");
    EXPECT_EQ(members(), 3);
    EXPECT_TRUE(problems().contains("Member thought they were a new member, but we have them under 42 as match made on "
                                    "NINO of AB123456C." + suffix(2)));
}

// A status asked for is kept (in capitals), with the adult share product.
TEST_F(NewMemberImportTest, JuniorApplicantGetsJuniorStatusAndShareProduct) {
    struct Case { const char* dob; const char* status; const char* product; const char* asked = ""; };
    const Case cases[] = {{"15/04/2012", "J", "J1"}, {"31/12/2010", "J", "J1"}, {"01/01/2009", "A", "S1"},
                          {"14/04/2012", "X", "S1", "x"}};
    long id = 1;
    for (const Case& c : cases) {
        WebApplication a = WebApplication::joinAndBorrow(id);
        a.niNumber = QStringLiteral("AB12345%1C").arg(id);
        a.set(7, c.dob).set(4, QStringLiteral("Child%1").arg(id));
        if (*c.asked) a.set(11, c.asked);
        add(a);
        ++id;
    }
    runCycle();
    for (long n = 1; n <= 4; ++n) {
        SCOPED_TRACE(cases[n - 1].dob);
        EXPECT_EQ(memberColumn(n, "MemberStatus"), cases[n - 1].status);
        EXPECT_EQ(column("TarvMain", "MemberBalances", "ProductCode", QStringLiteral("MemberNo=%1").arg(n)),
                  cases[n - 1].product);
    }
}

TEST_F(NewMemberImportTest, MarketingLettersChooseTheChannels) {
    struct Case { const char* letters; const char* accept; const char* decline; const char* sms; const char* email; const char* post; };
    const Case cases[] = {
        {"ES", "1", "0", "1", "1", "0"},
        {"", "0", "1", "0", "0", "0"},
        {"p", "1", "0", "0", "0", "1"},
        {"X", "0", "1", "0", "0", "0"},
    };
    long id = 1;
    for (const Case& c : cases) {
        WebApplication a = WebApplication::joinAndBorrow(id);
        a.niNumber = QStringLiteral("AB12345%1C").arg(id);
        const char* surnames[] = {"Adams", "Baker", "Clark", "Dixon"};
        a.set(14, c.letters).set(6, QString::fromLatin1(surnames[id - 1]));
        add(a);
        ++id;
    }
    runCycle();
    for (long n = 1; n <= 4; ++n) {
        const Case& c = cases[n - 1];
        SCOPED_TRACE(c.letters);
        EXPECT_EQ(memberColumn(n, "AcceptMarketing"), c.accept);
        EXPECT_EQ(memberColumn(n, "DeclineMarketing"), c.decline);
        EXPECT_EQ(memberColumn(n, "BySMS"), c.sms);
        EXPECT_EQ(memberColumn(n, "ByEmail"), c.email);
        EXPECT_EQ(memberColumn(n, "ByPost"), c.post);
    }
}

TEST_F(NewMemberImportTest, TitleDecidesSexAndCapitalsFollowMixedCase) {
    add(WebApplication::joinAndBorrow(1).set(3, "MRS").set(8, "M").set(4, "mary ann").set(6, "MACDONALD").set(5, "o'neil"));
    runCycle();
    EXPECT_EQ(memberColumn(1, "Sex"), "F");
    EXPECT_EQ(memberColumn(1, "Title"), "Mrs");
    EXPECT_EQ(memberColumn(1, "Forename"), "Mary Ann");
    EXPECT_EQ(memberColumn(1, "Surname"), "MacDonald");
    EXPECT_EQ(memberColumn(1, "MidName"), "Oneil");  // apostrophes go from middle names
    EXPECT_EQ(memberColumn(1, "Statementdest"), "E");
}

TEST_F(NewMemberImportTest, WithoutMixedCaseNamesAreStoredAsTyped) {
    inst.exec("TarvMain", "UPDATE Control SET MixedCase=0");
    add(WebApplication::joinAndBorrow(1).set(4, "jOHN").set(6, "SMITH").set(13, "paper"));
    runCycle();
    EXPECT_EQ(memberColumn(1, "Forename"), "jOHN");
    EXPECT_EQ(memberColumn(1, "Surname"), "SMITH");
    EXPECT_EQ(memberColumn(1, "Statementdest"), "H");
}

TEST_F(NewMemberImportTest, BirthdayStatementsForTheOneCreditUnionThatSendsThem) {
    inst.exec("TarvMain", "UPDATE Control SET FSARefNo='213538'");
    add(WebApplication::joinAndBorrow(1));  // born 15 April: the next birthday is this year's
    runCycle();
    EXPECT_EQ(memberColumn(1, "StatementFreq"), "B");
    EXPECT_EQ(memberColumn(1, "NextStatement"), "2026-04-12");
}

// An accepted decision marks the declared incomes verified.
TEST_F(NewMemberImportTest, DepositMethodPayrollNumberAndVerifiedIncomes) {
    add(WebApplication::joinAndBorrow(1).set(24, "D").set(6, "Featherstonehaugh").set(27, "accept"));
    WebApplication cash = WebApplication::joinAndBorrow(2).set(24, "").set(19, "PR-42").set(6, "Jones");
    cash.niNumber = "CD123456A";
    add(cash);
    runCycle();
    const auto employment = [&](long n) {
        return column("TarvMain", "MemberEmployment", "DepositMethod || '|' || PayrollNo", QStringLiteral("MemberNo=%1").arg(n));
    };
    EXPECT_EQ(employment(1), "F|FEATHERSTO00000001");
    EXPECT_EQ(employment(2), "C|PR-42");
    const auto money = [&](const char* c) { return column("TarvMain", "MemberCircumstance", c, "MemberNo=1"); };
    EXPECT_EQ(money("IncomeVerified"), "1");
    EXPECT_EQ(money("Income1Verified"), "1");
    EXPECT_EQ(money("PartnersIncomeVerified"), "1");
    EXPECT_EQ(money("Income4Verified"), "<null>");  // 0 declared
    EXPECT_EQ(money("Expense8Verified"), "0");
}

}  // namespace
