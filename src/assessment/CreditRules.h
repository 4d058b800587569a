#pragma once

// The credit union's lending rules as data (credit rules by rule set, policy rules) and
// everything one evaluation of them produces. The evaluation itself writes nothing: what
// it would report goes through RuleEffects and what it decides (the policy results among
// it) is the RuleOutcome, so the import pass records it and the rule explanation only
// shows it.

#include "state/Application.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace autovelt::inline assessment {

// One row of CRRules.
struct CreditRule {
    QString code;      // upper case
    QString minText;   // the bounds as written into the decision summary
    QString maxText;
    double min = 0;
    double max = 0;
    QString band;      // the letter given when the rule applies
};

// One row of CUPolicyRules.
struct PolicyRule {
    QString code;
    QString description;
    QString active;
    QString value;
    QString yes;
    QString no;
};

// Whether earlier checks of the member left a refer or a fail in rules_log online (the age
// rule PR13A aside): the pass reads them before the rules run.
struct CarriedResults {
    bool refer = false;
    bool fail = false;
};

// The rules that apply to one application, read from the core banking tables, and the
// results an earlier check left in rules_log.
struct RuleBook {
    QString ruleset;                      // the rule set chosen by total borrowing, or empty
    QList<CreditRule> creditRules;        // in rule code order
    QMap<QString, PolicyRule> policyRules;  // active rules by upper-case code
    CarriedResults carried;
};

// The applicant's answers and the loan facts the rules read.
struct RuleAnswers {
    long memberNumber = 0;
    long newMemberNumber = 0;            // created in this run, else 0
    QString productCode;
    QString residentialStatus;           // field_12
    QString employmentStatus;            // field_20
    QString incomeWillReduce;            // field_86
    QString income;                      // field_64
    QString dependantsBirthDates;        // field_91
    bool previousAddressSupplied = false;
    QDate passDate;
    QString repaymentFrequency;          // LoanDetails(4)
    QString numberOfRepayments;          // LoanDetails(5)
    bool reportMissing = false;          // a report was needed but none could be had: refer
};

// A rules_log row of one policy rule.
struct PolicyLogRow {
    QString code;
    QString description;
    QString active;
    QString value;
    QString result;
};

// One line of the explanation: every rule met, with what it found.
struct RuleLine {
    QString code;
    QString ruleValue;
    QString band;
    QString actualValue;
    QString letter;     // the letter written for the rule; empty when it added nothing
    QString note;
};

// The credit decision. A fail outweighs a refer, a refer outweighs a pass.
enum class Decision { Pass, Refer, Fail };

// "P", "R" or "F": the decision as the credit assessment, the details file and the loan record carry it.
QString DecisionLetter(Decision decision);

struct RuleOutcome {
    Decision decision = Decision::Pass;
    QStringList summary;                   // decision summary entries
    QList<PolicyLogRow> policyRows;
    QList<RuleLine> lines;
    QString searchReference;               // field_30 when the report has one
    QString score;                         // field_26 when a score rule ran
    bool scoreEvaluated = false;
    QString dependantsReason;              // the PR13B reason text
    std::optional<IdentityResult> identity;  // the identity check's, when rule CR10A ran one

    // The decision becomes the given one when that outweighs it.
    void raise(Decision given);
    // A rule's or the agency's letter: "F" fails, "R" refers; any other letter changes nothing.
    void apply(const QString& letter);
    QString letter() const { return DecisionLetter(decision); }
    // "PASS", "REFER" or "FAIL".
    QString rating() const;
};

// What an evaluation reports as it goes. The import pass reports through these; a
// read-only evaluation only collects them. What it decides and records is the outcome's.
class RuleEffects {
public:
    virtual ~RuleEffects() = default;
    virtual void problem(const QString& line) = 0;
    virtual void success(const QString& line) = 0;
    virtual void loanDetailsException() {}
    virtual void webLog(const QString& activity, const QString& category, const QString& keyword) {
        (void)activity, (void)category, (void)keyword;
    }
    // Rule CR10A for a member created in this run; may change the outcome's decision, add
    // summary entries of its own and give the outcome an identity result.
    virtual void identityCheck(const CreditRule& rule, RuleOutcome& outcome) { (void)rule, (void)outcome; }
};

// The end of the loan: the processing date plus the repayments (weeks, fortnights, four
// weeks or calendar months); the processing date itself for any other frequency.
QDate LoanEndDate(const QDate& passDate, const QString& frequency, const QString& numberOfRepayments);

// Evaluates the rules on the credit report text (empty when none was drawn). Entries are
// appended to outcome.summary; outcome.decision is worked out again from a pass.
void EvaluateCreditRules(const QString& reportText, const RuleBook& book, const RuleAnswers& answers,
                         RuleEffects& effects, RuleOutcome& outcome);

}  // namespace autovelt::assessment
