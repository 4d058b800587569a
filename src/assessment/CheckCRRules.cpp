#include "assessment/CheckCRRules.h"

#include "state/Importer.h"
#include "assessment/CreditRules.h"
#include "assessment/IdentityCheck.h"
#include "assessment/RuleTables.h"
#include "common/MemberNumberCode.h"
#include "common/VeltError.h"
#include "comms/AuditTrail.h"
#include "comms/LoanDetailsException.h"

namespace autovelt {

namespace {

// The import pass's effects: report lines, WebLog rows, rules_log rows and the identity
// check, each the moment the evaluation reaches it.
class ImportRuleEffects : public RuleEffects {
public:
    explicit ImportRuleEffects(Importer& importer) : im_(importer) {}

    void problem(const QString& line) override { im_.ShowException(line + im_.app.messageSuffix); }
    void success(const QString& line) override { im_.ShowSuccess(line); }
    void loanDetailsException() override { ShowLoanDetailsException(im_); }
    void webLog(const QString& activity, const QString& category, const QString& keyword) override {
        AddWebLogEntry(im_, activity, category, keyword, QString::number(im_.app.memberNumber));
    }

    // Written online only after the application has committed.
    void policyResult(const PolicyLogRow& row) override {
        im_.app.rulesLog.inserts.append({EncodeMemberNumber(QString::number(im_.app.memberNumber)), row.code,
                                         row.description, row.active, row.value, row.result});
    }

    // The identity check works on the application state: hand it the decision so far and
    // take back what it changed.
    void identityCheck(const CreditRule& rule, RuleOutcome& outcome) override {
        ApplicationState& app = im_.app;
        app.field[27] = outcome.letter;
        app.decisionSummary = outcome.summary;
        RunIdentityCheck(im_, app.newMemberNumber, rule.band.trimmed().isEmpty() ? QStringLiteral("F") : rule.band);
        outcome.letter.clear();
        outcome.apply(app.field[27]);
        if (outcome.letter.isEmpty()) outcome.letter = QStringLiteral("P");
        outcome.summary = app.decisionSummary;
    }

private:
    Importer& im_;
};

RuleAnswers answersOf(const Importer& im) {
    const ApplicationState& app = im.app;
    RuleAnswers a;
    a.memberNumber = app.memberNumber;
    a.newMemberNumber = app.newMemberNumber;
    // The product the loan pass settled on, after any fall-back to the default product.
    a.productCode = im.app.loan.productCode;
    a.residentialStatus = app.field[12];
    a.employmentStatus = app.field[20];
    a.incomeWillReduce = app.field[86];
    a.income = app.field[64];
    a.dependantsBirthDates = app.field[91];
    a.previousAddressSupplied = app.homePrevSupplied;
    a.passDate = im.passDate();
    a.repaymentFrequency = im.app.LoanDetails.repaymentFrequency;
    a.numberOfRepayments = im.app.LoanDetails.numberOfRepayments;
    return a;
}

}  // namespace

RuleOutcome CheckCRRules(Importer& importer, Currency totalBorrowing, const CreditReportOutcome& drawn) {
    ApplicationState& app = importer.app;
    ImportRuleEffects effects(importer);
    RuleOutcome outcome;
    outcome.summary = app.decisionSummary;
    // A report that was needed but could not be had never lets the loan pass unseen.
    const bool reportMissing = drawn.kind == CreditReportOutcome::Kind::Missing;
    if (reportMissing)
        importer.ShowException(QStringLiteral("No credit report for member ") + QString::number(app.memberNumber) +
                               QStringLiteral(" (") + drawn.why + QStringLiteral("): the loan is referred for staff to decide") +
                               app.messageSuffix);
    try {
        RuleBookRequest request;
        request.memberNumber = app.memberNumber;
        request.newMemberNumber = app.newMemberNumber;
        request.totalBorrowing = totalBorrowing;
        request.haveReport = !app.creditReport.trimmed().isEmpty();
        const RuleBook book = LoadRuleBook(importer, request);
        RuleAnswers answers = answersOf(importer);
        answers.reportMissing = reportMissing;
        EvaluateCreditRules(app.creditReport, book, answers, effects, outcome);
    } catch (const VeltError& e) {
        if (e.environmental()) throw;  // the pass's to handle: the application stays pending
        importer.ShowException(QStringLiteral("Error ") + QString::number(e.number()) + QStringLiteral(" (") +
                               e.description() + QStringLiteral(") in procedure CheckCRRules"));
        ShowLoanDetailsException(importer);
        // Rules that could not be read cannot pass a loan: it goes to a person.
        outcome.apply(QStringLiteral("R"));
    }
    return outcome;
}

void TakeCreditDecision(ApplicationState& app, const RuleOutcome& outcome) {
    app.field[27] = outcome.letter;
    if (outcome.scoreEvaluated) app.field[26] = outcome.score;
    if (!outcome.searchReference.isEmpty()) app.field[30] = outcome.searchReference;
    app.decisionSummary = outcome.summary;
    app.dependantsReason = outcome.dependantsReason;
}

}  // namespace autovelt
