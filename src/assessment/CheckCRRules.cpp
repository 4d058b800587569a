#include "assessment/CheckCRRules.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "assessment/CreditRules.h"
#include "assessment/IdentityCheck.h"
#include "assessment/RuleTables.h"
#include "common/MemberNumberCode.h"
#include "common/VeltError.h"
#include "comms/AuditTrail.h"
#include "comms/LoanDetailsException.h"

namespace autovelt::inline assessment {

namespace {

// The import pass's effects: report lines, WebLog rows, rules_log rows and the identity
// check, each the moment the evaluation reaches it.
class ImportRuleEffects : public RuleEffects {
public:
    explicit ImportRuleEffects(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                               const LoanPassState& loan)
        : cycle_(cycle), session_(session), app_(app), loan_(loan) {}

    void problem(const QString& line) override { session_.ShowException(line + app_.messageSuffix); }
    void success(const QString& line) override { session_.ShowSuccess(line); }
    void loanDetailsException() override { ShowLoanDetailsException(session_, app_, loan_); }
    void webLog(const QString& activity, const QString& category, const QString& keyword) override {
        AddWebLogEntry(cycle_, session_, app_, activity, category, keyword, QString::number(app_.memberNumber));
    }

    // The check's entries join the summary and its letter the decision; its identity result
    // is the outcome's.
    void identityCheck(const CreditRule& rule, RuleOutcome& outcome) override {
        const IdentityCheckOutcome checked = RunIdentityCheck(
            cycle_, session_, app_, app_.newMemberNumber, rule.band.trimmed().isEmpty() ? QStringLiteral("F") : rule.band);
        outcome.summary += checked.summary;
        outcome.apply(checked.letter);
        if (checked.identity) outcome.identity = checked.identity;
    }

private:
    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    const LoanPassState& loan_;
};

RuleAnswers answersOf(const CycleContext& cycle, const ApplicationState& app, const LoanPassState& loan) {
    RuleAnswers a;
    a.memberNumber = app.memberNumber;
    a.newMemberNumber = app.newMemberNumber;
    // The product the loan pass settled on, after any fall-back to the default product.
    a.productCode = loan.productCode;
    a.residentialStatus = app.field[tw::ResidentialStatus];
    a.employmentStatus = app.field[tw::EmploymentType];
    a.incomeWillReduce = app.field[tw::IncomeWillReduce];
    a.income = app.field[tw::DisposableIncome];
    a.dependantsBirthDates = app.field[tw::DependantsBirthDates];
    a.previousAddressSupplied = app.addresses.homePrevSupplied;
    a.passDate = cycle.passDate();
    a.repaymentFrequency = loan.LoanDetails.repaymentFrequency;
    a.numberOfRepayments = loan.LoanDetails.numberOfRepayments;
    return a;
}

}  // namespace

RuleOutcome CheckCRRules(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                         const LoanPassState& loan, Currency totalBorrowing, const CreditReportOutcome& drawn,
                         const CarriedResults& carried) {
    ImportRuleEffects effects(cycle, session, app, loan);
    RuleOutcome outcome;
    outcome.summary = app.assessment.summary;
    // A report that was needed but could not be had never lets the loan pass unseen.
    const bool reportMissing = drawn.kind == CreditReportOutcome::Kind::Missing;
    if (reportMissing)
        session.ShowException(QStringLiteral("No credit report for member ") + QString::number(app.memberNumber) +
                              QStringLiteral(" (") + drawn.why +
                              QStringLiteral("): the loan is referred for staff to decide") + app.messageSuffix);
    try {
        RuleBookRequest request;
        request.newMemberNumber = app.newMemberNumber;
        request.totalBorrowing = totalBorrowing;
        request.haveReport = !app.assessment.report.trimmed().isEmpty();
        request.carried = carried;
        const RuleBook book = LoadRuleBook(session, request);
        RuleAnswers answers = answersOf(cycle, app, loan);
        answers.reportMissing = reportMissing;
        EvaluateCreditRules(app.assessment.report, book, answers, effects, outcome);
    } catch (const VeltError& e) {
        if (e.environmental()) throw;  // the pass's to handle: the application stays pending
        session.ShowException(QStringLiteral("Error ") + QString::number(e.number()) + QStringLiteral(" (") +
                              e.description() + QStringLiteral(") in procedure CheckCRRules"));
        ShowLoanDetailsException(session, app, loan);
        // Rules that could not be read cannot pass a loan: it goes to a person.
        outcome.raise(Decision::Refer);
    }
    return outcome;
}

void TakeCreditDecision(ApplicationState& app, const RuleOutcome& outcome) {
    // The policy results are written online only after the application has committed.
    for (const PolicyLogRow& row : outcome.policyRows)
        app.assessment.rulesLog.inserts.append({EncodeMemberNumber(QString::number(app.memberNumber)), row.code,
                                                row.description, row.active, row.value, row.result});
    if (outcome.identity) app.identity = *outcome.identity;
    app.assessment.decision = outcome.letter();
    if (outcome.scoreEvaluated) app.assessment.score = outcome.score;
    if (!outcome.searchReference.isEmpty()) app.assessment.searchReference = outcome.searchReference;
    app.assessment.summary = outcome.summary;
    app.assessment.dependantsReason = outcome.dependantsReason;
}

}  // namespace autovelt::assessment
