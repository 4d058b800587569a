// The rule evaluation on composed credit reports.

#include "assessment/CreditRules.h"
#include "support/CreditReportBuilder.h"
#include "support/ExpectedDocuments.h"

#include <vector>
#include <gtest/gtest.h>

using namespace autovelt;
using autovelt::test::CreditReportBuilder;
using autovelt::test::ReportAccount;

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

// One case of the reviewed file: its name, then its lines by their first word (rule, report, answer, entry, letter).
struct Case {
    QString name;
    QMap<QString, QStringList> lines;
};

std::vector<Case> casesOf(const QString& file) {
    std::vector<Case> cases;
    for (const QString& line : autovelt::test::ExpectedDocument(file).split('\n', Qt::SkipEmptyParts)) {
        const QString word = line.section(' ', 0, 0);
        if (word == "==")
            cases.push_back({line.section(' ', 1)});
        else if (word != "#")
            cases.back().lines[word] << line.section(' ', 1);
    }
    return cases;
}

// "code min max band"
CreditRule ruleOf(const QString& text) {
    const QStringList parts = text.split(' ');
    return {parts[0], parts[1], parts[2], parts[1].toDouble(), parts[2].toDouble(), parts[3]};
}

void setInReport(CreditReportBuilder& b, const QString& setting) {
    const QString name = setting.section('=', 0, 0), value = setting.section('=', 1);
    if (name == "score") b.score = value;
    else if (name == "scoreBeforeReasonsOnly") b.scoreBeforeReasonsOnly = true;
    else if (name == "title") b.reportTitle = value;
    else if (name == "undeclaredAddress") b.undeclaredAddress = true;
    else if (name == "account") b.accounts << ReportAccount{value.section(',', 0, 0), value.section(',', 1, 1),
                                                            value.section(',', 2, 2)};
    else b.figures.insert(name, value);
}

void setInAnswers(RuleAnswers& a, const QString& setting) {
    const QString name = setting.section('=', 0, 0), value = setting.section('=', 1);
    if (name == "income") a.income = value;
    else if (name == "newMemberNumber") a.newMemberNumber = value.toLong();
    else if (name == "productCode") a.productCode = value;
    else if (name == "incomeWillReduce") a.incomeWillReduce = value;
    else ADD_FAILURE() << "no such answer: " << name.toStdString();
}

QStringList withoutMember(const QStringList& summary) {
    QStringList out;
    for (const QString& s : summary) out << s.section('|', 1);
    return out;
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
    for (const QString& setting : c.lines["report"]) setInReport(b, setting);
    for (const QString& text : c.lines["rule"]) book.creditRules << ruleOf(text);
    for (const QString& setting : c.lines["answer"]) setInAnswers(answers, setting);
    evaluate(b.xml());
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.letter(), c.lines["entry"] + c.lines["letter"]);
    EXPECT_EQ(fx.successes.last(), QStringLiteral("Overall initial rating for loan=") + outcome.rating() + " for member 700");
}

INSTANTIATE_TEST_SUITE_P(Rules, CreditRulesTest, ::testing::ValuesIn(casesOf("credit-rules-cases.txt")),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name.toStdString(); });

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
        book = {.creditRules = {rule("CR05A", 0, 99, c.ruleBand)}, .carried = {.refer = c.refer, .fail = c.fail}};
        evaluate(b.xml());
        EXPECT_EQ(outcome.letter(), QLatin1String(c.letter)) << c.refer << c.fail << c.ruleBand;
    }
}

TEST_F(CreditRuleEffectsTest, BrokenReportIsReportedAndReferred) {
    book.creditRules = {rule("CR05A", 5, 99, "F"), rule("CR08A", 1, 99, "F")};
    b.figures = {{"totalsearches3months", "1"}, {"totalcifas", "2"}};
    const QString report = b.xml();
    evaluate(report.left(report.indexOf("<cifas>") + 22));  // breaks off inside the fraud markers
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.letter(), (QStringList{"CR05A|5-99|1|P|", "CR08A|1-99|2|F|", "F"}));
    ASSERT_EQ(fx.problems.size(), 1);
    EXPECT_TRUE(fx.problems[0].contains("could not be read whole")) << fx.problems[0].toStdString();
    evaluate("not a report at all");
    EXPECT_EQ(withoutMember(outcome.summary) << outcome.letter(), (QStringList{"CR05A|5-99|N/A|P|", "CR08A|1-99|N/A|P|", "R"}));
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
        EXPECT_EQ(rows.join(',') + ' ' + outcome.letter(), *c.code ? QLatin1String(c.code) + ":R R" : QStringLiteral(" P")) << c.status;
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
