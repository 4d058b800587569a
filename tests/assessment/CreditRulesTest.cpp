// The rule evaluation on composed credit reports.

#include "assessment/CreditRules.h"
#include "support/CreditReportBuilder.h"

#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;
using autovelt::test::CreditReportBuilder;

namespace {

class RecordingEffects : public RuleEffects {
public:
    QStringList problems, successes, webLogs;
    int loanDetails = 0;
    void problem(const QString& line) override { problems << line; }
    void success(const QString& line) override { successes << line; }
    void loanDetailsException() override { ++loanDetails; }
    void webLog(const QString& activity, const QString& category, const QString& keyword) override {
        webLogs << category + '/' + keyword + ':' + activity;
    }
    void identityCheck(const CreditRule& rule, RuleOutcome& outcome) override {
        outcome.summary << QStringLiteral("700|CR10A|P-P|F|") + rule.band + '|';
        outcome.apply(rule.band);
    }
};

CreditRule rule(const char* code, double min, double max, const char* band) {
    return {QLatin1String(code), QString::number(min), QString::number(max), min, max, QLatin1String(band)};
}

PolicyRule policy(const char* code, const char* value, const char* yes, const char* no = "P") {
    return {QLatin1String(code), QStringLiteral("Lender's rule ") + code, QStringLiteral("True"), QLatin1String(value),
            QLatin1String(yes), QLatin1String(no)};
}

struct Case {
    const char* name;
    QList<CreditRule> rules;
    std::function<void(CreditReportBuilder&)> report;
    QStringList summary;     // entries without the member number
    const char* letter;
    std::function<void(RuleAnswers&)> answers = {};
};

QStringList withoutMember(const QStringList& summary) {
    QStringList out;
    for (const QString& s : summary) out << s.section('|', 1);
    return out;
}

std::function<void(CreditReportBuilder&)> figures(std::initializer_list<std::pair<const char*, const char*>> list) {
    QMap<QString, QString> values;
    for (auto [k, v] : list) values.insert(QLatin1String(k), QLatin1String(v));
    return [values](CreditReportBuilder& b) { b.figures.insert(values); };
}

}  // namespace

class CreditRuleEffectsTest : public ::testing::Test {
protected:
    RecordingEffects fx;
    RuleOutcome outcome;
    RuleBook book;
    RuleAnswers answers{.memberNumber = 700, .income = "1500", .passDate = QDate(2026, 12, 4), .repaymentFrequency = "M",
                        .numberOfRepayments = "24"};
    CreditReportBuilder b;
    // Each evaluation starts afresh, as each application's does.
    void evaluate(const QString& report) {
        fx = {};
        outcome = {};
        EvaluateCreditRules(report, book, answers, fx, outcome);
    }
};

class CreditRulesTest : public CreditRuleEffectsTest, public ::testing::WithParamInterface<Case> {};

TEST_P(CreditRulesTest, GivesEntriesAndLetter) {
    const Case& c = GetParam();
    if (c.report) c.report(b);
    book.creditRules = c.rules;
    if (c.answers) c.answers(answers);
    evaluate(b.xml());
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.letter(), QStringList(c.summary) << QLatin1String(c.letter));
    EXPECT_EQ(fx.successes.last(), QStringLiteral("Overall initial rating for loan=") + outcome.rating() + " for member 700");
}

INSTANTIATE_TEST_SUITE_P(Rules, CreditRulesTest, ::testing::Values(
    Case{"BandLowEdgeRefers", {rule("CR05A", 3, 99, "R")}, figures({{"totalsearches3months", "3"}}), {"CR05A|3-99|3|R|"}, "R"},
    Case{"BelowBandPasses", {rule("CR05A", 3, 99, "R")}, figures({{"totalsearches3months", "2"}}), {"CR05A|3-99|2|P|"}, "P"},
    Case{"BandHighEdgeRefers", {rule("CR05A", 3, 99, "R")}, figures({{"totalsearches3months", "99"}}), {"CR05A|3-99|99|R|"}, "R"},
    Case{"AboveBandPasses", {rule("CR05A", 3, 99, "R")}, figures({{"totalsearches3months", "100"}}), {"CR05A|3-99|100|P|"}, "P"},
    Case{"EveryFigureRuleFindsItsElement",
         {rule("CR02A", 1, 99, "R"), rule("CR02C", 1, 9, "R"), rule("CR02D", 1, 1, "F"), rule("CR02E", 1, 9, "F"),
          rule("CR02F", 500, 99999, "R"), rule("CR03A", 2, 99, "R"), rule("CR03C", 1, 99, "F"), rule("CR03E", 3, 99, "F"),
          rule("CR04A", 1, 1, "R"), rule("CR05C", 10, 99, "R"), rule("CR06A", 90, 999, "R")},
         figures({{"totalactive", "3"}, {"boss", "0"}, {"currentlyinsolvent", "0"}, {"iva", "0"}, {"totalactiveamount", "499"},
                  {"totaldelinqs12months", "1"}, {"totaldefaults12months", "0"}, {"totaldefaults36months", "2"}, {"nocflag", "0"},
                  {"totalsearches12months", "9"}, {"balancelimitratiorevolve", "89"}}),
         {"CR02A|1-99|3|R|", "CR02C|1-9|0|P|", "CR02D|1-1|0|P|", "CR02E|1-9|0|P|", "CR02F|500-99999|499|P|", "CR03A|2-99|1|P|",
          "CR03C|1-99|0|P|", "CR03E|3-99|2|P|", "CR04A|1-1|0|P|", "CR05C|10-99|9|P|", "CR06A|90-999|89|P|"}, "R"},
    Case{"CifasAbsent", {rule("CR08A", 1, 99, "F")}, {}, {"CR08A|1-99|N/A|P|"}, "P"},
    Case{"CifasZeroAddsNothing", {rule("CR08A", 1, 99, "F")}, figures({{"totalcifas", "0"}}), {}, "P"},
    Case{"CifasMarkerFails", {rule("CR08A", 1, 99, "F")}, figures({{"totalcifas", "1"}}), {"CR08A|1-99|1|F|"}, "F"},
    Case{"MessageCodeOnePasses", {rule("CR01A", 0, 0, "F")}, figures({{"messagecode", "1"}}), {"CR01A|0-0|1|P|"}, "P"},
    Case{"MessageCodeTwoLogsReferOnly", {rule("CR01A", 0, 0, "F")}, figures({{"messagecode", "2"}}), {"CR01A|0-0|2|R|"}, "P"},
    Case{"OtherMessageCodeGivesBand", {rule("CR01A", 0, 0, "F")}, figures({{"messagecode", "5"}}), {"CR01A|0-0|5|F|"}, "F"},
    Case{"NotMatchedAddsBandEntry", {rule("CR01A", 0, 0, "R")},
         [](CreditReportBuilder& b) { b.figures["messagecode"] = "1"; b.reportTitle = "Not matched - no trace"; },
         {"CR01A|0-0|1|P|", "CR01A|0-0|1|R|"}, "R"},
    Case{"UndeclaredAddress", {rule("CR01B", 0, 0, "R")}, [](CreditReportBuilder& b) { b.undeclaredAddress = true; },
         {"CR01B|0-0|2|R|"}, "R"},
    Case{"BalancesLessMortgages", {rule("CR06C", 10000, 999999, "R")},
         figures({{"totalbalancesactive", "160000"}, {"totalbalancesmortgages", "150001"}}), {"CR06C|10000-999999|9999|P|"}, "P"},
    Case{"BalancesWithoutMortgageFigure", {rule("CR06C", 10000, 999999, "R")}, figures({{"totalbalancesactive", "10000"}}),
         {"CR06C|10000-999999|10000|R|"}, "R"},
    Case{"NoAccountsAtAll", {rule("CR06E", 0, 0, "R")}, {}, {"CR06E|0-0|0|R|"}, "R"},
    Case{"PaymentsOverIncomeSkipMortgagesAndSettled", {rule("CR09A", 40, 100, "R")},
         [](CreditReportBuilder& b) {
             b.accounts = {{"CC", "1200", "300"}, {"MG", "90000", "700"}, {"LN", "0", "250"}, {"LN", "4000", "300"}};
         },
         {"CR09A|40-100|40|R|"}, "R"},
    Case{"PaymentsWithoutIncome", {rule("CR09A", 100, 100, "F")},
         [](CreditReportBuilder& b) { b.accounts = {{"CC", "10", "5"}}; }, {"CR09A|100-100|100|F|"}, "F",
         [](RuleAnswers& a) { a.income.clear(); }},
    Case{"PaymentsOnlyOfMortgagesKeepOwnText", {rule("CR09A", 40, 100, "R")},
         [](CreditReportBuilder& b) { b.accounts = {{"MG", "90000", "700"}}; }, {"CR09A|40-100|700|P|"}, "P"},
    Case{"ScoreInBand", {rule("CR07C", 0, 450, "F")}, [](CreditReportBuilder& b) { b.score = "450"; }, {"CR07C|0-450|450|F|"}, "F"},
    Case{"ScoreFromSecondAttempt", {rule("CR07C", 0, 450, "F")},
         [](CreditReportBuilder& b) { b.score = "451"; b.scoreBeforeReasonsOnly = true; }, {"CR07C|0-450|451|P|"}, "P"},
    Case{"NoScoreIs9999ConvertedToZero", {rule("CR07C", 0, 450, "R")}, [](CreditReportBuilder& b) { b.score = "9999"; },
         {"CR07C|0-450|0|R|"}, "R"},
    Case{"NewMemberScoreRules", {rule("CR07A", 0, 500, "R"), rule("CR07C", 0, 500, "F"), rule("CR07E", 0, 500, "F")},
         {}, {"CR07A|0-500|612|P|"}, "P", [](RuleAnswers& a) { a.newMemberNumber = 700; }},
    Case{"PromoScoreRules", {rule("CR07A", 0, 700, "R"), rule("CR07D", 0, 700, "R"), rule("CR07F", 0, 700, "F")},
         {}, {"CR07D|0-700|612|R|", "CR07F|0-700|612|F|"}, "F", [](RuleAnswers& a) { a.productCode = "PROMO"; }},
    Case{"IncomeWillReduce", {rule("CR11A", 0, 0, "R")}, {}, {"CR11A|0-0|1|R|"}, "R",
         [](RuleAnswers& a) { a.incomeWillReduce = "Yes"; }},
    Case{"IncomeSteady", {rule("CR11A", 0, 0, "R")}, {}, {"CR11A|0-0|0|P|"}, "P"},
    Case{"IdentityCheckForNewMemberOnly", {rule("CR10A", 0, 0, "R")}, {}, {"CR10A|P-P|F|R|"}, "R",
         [](RuleAnswers& a) { a.newMemberNumber = 700; }},
    Case{"NoIdentityCheckForExistingMember", {rule("CR10A", 0, 0, "R")}, {}, {}, "P"},
    Case{"FailBeatsLaterRefer", {rule("CR02D", 1, 1, "F"), rule("CR05A", 1, 9, "R")},
         figures({{"currentlyinsolvent", "1"}, {"totalsearches3months", "4"}}), {"CR02D|1-1|1|F|", "CR05A|1-9|4|R|"}, "F"},
    Case{"TextInsteadOfNumberReadsAsZero", {rule("CR05A", 0, 2, "R")}, figures({{"totalsearches3months", "lots"}}),
         {"CR05A|0-2|lots|R|"}, "R"}
), [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST_F(CreditRuleEffectsTest, ScoreAttemptsReportAndLogBoth) {
    book.creditRules = {rule("CR07C", 0, 450, "F")};
    b.score = "0";
    evaluate(b.xml());
    EXPECT_EQ(fx.problems, (QStringList{
        "No credit score found for member 700 after text <score class=\"1\"> looking now for </score><reasons>",
        "Still no credit score found for member 700 before text </score><reasons> failed in both attempts to find score!"}));
    EXPECT_EQ(fx.webLogs, (QStringList{"BORROW/SCORE FAIL:" + fx.problems.value(0), "BORROW/SCORE FAIL:" + fx.problems.value(1)}));
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.score + ' ' + outcome.searchReference,
              (QStringList{"CR07C|0-450|0|F|", "0 " + b.searchId}));

    b.score = "9999";
    evaluate(b.xml());
    EXPECT_EQ(fx.problems << QString::number(fx.loanDetails),
              (QStringList{"No valid credit score found as 9999 has been returned.  Converted to zero.", "1"}));
}

TEST_F(CreditRuleEffectsTest, CarriedResultsAndPrecedence) {
    const struct { bool refer, fail; const char* ruleBand; const char* letter; } cases[] = {
        {true, false, "", "R"}, {false, true, "", "F"}, {true, true, "", "F"}, {true, false, "F", "F"}, {false, true, "R", "F"},
    };
    b.figures["totalsearches3months"] = "1";
    for (const auto& c : cases) {
        book = {.creditRules = {rule("CR05A", 0, 99, c.ruleBand)}, .carriedRefer = c.refer, .carriedFail = c.fail};
        evaluate(b.xml());
        EXPECT_EQ(outcome.letter(), QLatin1String(c.letter)) << c.refer << c.fail << c.ruleBand;
    }
}

TEST_F(CreditRuleEffectsTest, BrokenReportIsReportedAndReferred) {
    book.creditRules = {rule("CR05A", 5, 99, "F"), rule("CR08A", 1, 99, "F")};
    b.figures = {{"totalsearches3months", "1"}, {"totalcifas", "2"}};
    const QString report = b.xml();
    evaluate(report.left(report.indexOf("<cifas>") + 22));  // breaks off inside the fraud markers
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.letter(),
              (QStringList{"CR05A|5-99|1|P|", "CR08A|1-99|2|F|", "F"}));
    ASSERT_EQ(fx.problems.size(), 1);
    EXPECT_TRUE(fx.problems[0].contains("could not be read whole")) << fx.problems[0].toStdString();
    evaluate("not a report at all");
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.letter(),
              (QStringList{"CR05A|5-99|N/A|P|", "CR08A|1-99|N/A|P|", "R"}));
}

// Each residential status (field 12) and employment status (field 20) has its own rule.
TEST_F(CreditRuleEffectsTest, StatusRulesChooseTheirCode) {
    const struct { const char* status; const char* code; bool residential = true; } cases[] = {
        {"Home Owner", "PR10A"}, {"HA/LA Rented", "PR10B"}, {"Private Rented", "PR10C"}, {"PRIVATE LET", "PR10C"},
        {"Living with Family", "PR10D"}, {"Temporary Accommodation", "PR10E"}, {"Council tenancy", "PR10A"},
        {"Full Time Employed", "PR11A", false}, {"Part Time Employed", "PR11B", false}, {"Self Employed", "PR11C", false},
        {"Retired", "PR11D", false}, {"Student", "PR11E", false}, {"Benefits", "PR11F", false}, {"Unemployed", "PR11G", false},
        {"Home Maker", "PR11H", false}, {"Zero hours", "PR11A", false}, {"", ""},
    };
    for (const auto& c : cases) book.policyRules.insert(c.code, policy(c.code, "1", "R"));
    for (const auto& c : cases) {
        answers.residentialStatus = c.residential ? c.status : "";
        answers.employmentStatus = c.residential ? "" : c.status;
        evaluate(QString());
        QStringList rows;
        for (const auto& row : outcome.policyRows) rows << row.code + ':' + row.result;
        EXPECT_EQ(rows.join(',') + ' ' + outcome.letter(),
                  *c.code ? QLatin1String(c.code) + ":R R" : QStringLiteral(" P"))
            << c.status;
    }
}

// Rules answered from the application: dependants within the age limit at the loan's end (a 24-month loan from
// 4 December 2026 ends on 4 December 2028; no list is a "no") and a previous address. A "no" letter is logged, not applied.
TEST_F(CreditRuleEffectsTest, DependantsAndPreviousAddressRules) {
    const PolicyRule dependantsRule = policy("PR13B", "17", "R", "F"), previousRule = policy("PR15A", "0", "R", "F");
    const struct { PolicyRule rule; const char* dependants; bool previousAddress; const char* resultLetterAndReason; } cases[] = {
        {dependantsRule, "", false, "FP "},
        {dependantsRule, ",,,,,,,,,", false, "FP "},
        {dependantsRule, "01/01/2011,,,,,,,,,", false, "RR 01/01/2011-17"},
        {dependantsRule, "31/12/2010,,,,,,,,,", false, "FF "},
        {dependantsRule, "01/01/2011,15/06/2000,not a date,03/03/2020", false, "RR 01/01/2011-17, 03/03/2020-8"},
        {previousRule, "", true, "RR "},
        {previousRule, "", false, "FP "},
    };
    for (const auto& c : cases) {
        book.policyRules = {{c.rule.code, c.rule}};
        answers.dependantsBirthDates = c.dependants;
        answers.previousAddressSupplied = c.previousAddress;
        evaluate(QString());
        ASSERT_EQ(outcome.policyRows.size(), 1) << c.resultLetterAndReason;
        EXPECT_EQ(outcome.policyRows[0].result + outcome.letter() + ' ' + outcome.dependantsReason,
                  QLatin1String(c.resultLetterAndReason));
    }
}

TEST(LoanEndDateTest, EachFrequency) {
    const struct { const char* frequency; const char* repayments; QDate end; } cases[] = {
        {"W", "52", QDate(2027, 1, 30)}, {"F", "26", QDate(2027, 1, 30)}, {"4", "13", QDate(2027, 1, 30)},
        {"M", "1", QDate(2026, 2, 28)},  {"X", "12", QDate(2026, 1, 31)},
    };
    for (const auto& c : cases) EXPECT_EQ(LoanEndDate(QDate(2026, 1, 31), c.frequency, c.repayments), c.end) << c.frequency;
}
