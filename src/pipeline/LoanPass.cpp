#include "pipeline/LoanPass.h"

#include "assessment/CheckCRRules.h"
#include "assessment/CreditReportRetrieval.h"
#include "assessment/IdentityCheck.h"
#include "assessment/LoanPolicyLog.h"
#include "comms/AuditTrail.h"
#include "comms/MemberEmails.h"
#include "loans/LoanApplication.h"
#include "loans/LoanDetailsIntake.h"
#include "loans/LoanNumbering.h"
#include "loans/LoanRepayment.h"
#include "loans/PayProfiles.h"
#include "loans/ProductSelection.h"
#include "loans/ScoreProfile.h"
#include "pipeline/OnlineReads.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

namespace autovelt::inline pipeline {

namespace {

constexpr int kAdultAge = 18;

// One run of the loan pass over the current application. Everything it writes to the core
// banking databases belongs to the application's unit of work: a refusal happens before the
// loan number is taken, and an error after it undoes the application whole.
class LoanPass {
public:
    LoanPass(const CycleContext& cycle, UnitSession& session, ApplicationState& app)
        : cycle_(cycle), session_(session), app_(app) {}

    LoanStep run() {
        if (LoanStep skip = decide()) return skip;
        writeLoan();
        return std::nullopt;
    }

    // The loan as the pass left it, refused or written.
    const LoanPassState& loan() const { return loan_; }

private:
    // Every check that can refuse the loan, in order; fixes the product and the amount.
    LoanStep decide() {
        if (LoanStep skip = refusePendingApplication()) return skip;
        if (LoanStep skip = refuseUnderAge()) return skip;
        loan_.LoanDetails = LoanRequestFor(app_, cycle_.PassDate, cycle_.passDate(), cycle_.startup.chkSQL);
        if (cycle_.settings.profile.loansPaidToThirdBankAccount) UseThirdBankAccount(session_, loan_.LoanDetails);
        StartLoanWorkingValues(loan_);
        if (scorePriced()) {
            // The product is not settled yet, so the rules see the amount applied for.
            assessCredit(loan_.requestedAmount);
            if (LoanStep skip = SelectScoreProfile(cycle_, session_, app_, loan_)) return skip;
        }
        SetLoanWorkingValues(loan_, app_.field[tw::Forename], app_.field[tw::Surname]);
        if (LoanStep skip = ChooseProduct(cycle_, session_, app_, loan_, product_)) return skip;
        if (LoanStep skip = AddExistingBalance(cycle_, session_, app_, loan_)) return skip;
        return ApplyProductLimit(session_, app_, loan_, product_);
    }

    void writeLoan() {
        const LoanFigures figures =
            CalculateLoanRepayment(loan_, product_.tiers, cycle_.startup.chkSQL);
        WarnOfRateAboveCap(cycle_, session_, app_, loan_, figures);
        loan_.loanNumber = TakeLoanNumber(session_, loan_);
        if (!scorePriced()) assessCredit(loan_.totalBorrowing);
        app_.assessment.decision = LoanDecisionLetter(session_, app_);
        CreateLoanApplication(cycle_, session_, app_, loan_);
        BuildSavingsPayProfile(cycle_, session_, app_, loan_);
        BuildLoanPayProfile(cycle_, session_, app_, loan_);
        writePolicyLog();
        CreateDiaryEntry(cycle_, session_, app_, app_.memberNumber, QStringLiteral("VELT"), diaryNote());
        checkIdentityOfNewMember();
        SendLoanEmail(cycle_, session_, app_);
    }

    bool scorePriced() const { return cycle_.settings.profile.scorePricedLoans; }

    LoanStep refusePendingApplication() {
        const db::Recordset pending = session_.connections.TarvTran.openRecordset(
            QStringLiteral("SELECT ID, LoanNumber FROM LoanAllocation WHERE MemberNo=") + LoanMember(app_) +
                QStringLiteral(" AND Posted=False ;"),
            db::clientReadOnlyCursor());
        if (pending.eof()) return std::nullopt;
        const QString loanNumber = pending.text(QStringLiteral("LoanNumber"));
        return LoanSkip{.problem = QStringLiteral("Skipped ln app for member ") + LoanMember(app_) +
                                   QStringLiteral(" as they already have a pending app - ") + loanNumber +
                                   QLatin1Char('.') + app_.messageSuffix,
                        .message = QStringLiteral("Skipped ln app for member as they already have a pending app - ") +
                                   loanNumber + QLatin1Char('.')};
    }

    LoanStep refuseUnderAge() {
        const QDate born = app_.dateOfBirth().value_or(QDate());
        const int age = AgeByMonthBoundaries(born, cycle_.passDate());
        if (age >= kAdultAge) return std::nullopt;
        return LoanSkip{.problem = QStringLiteral("Skipped ln app for member ") + LoanMember(app_) +
                                   QStringLiteral(" - Too young."),
                        .message = QStringLiteral("Skipped ln app for member as they are only ") +
                                   QString::number(age) + QStringLiteral(" years old.")};
    }

    void assessCredit(Currency totalBorrowing) {
        if (!cycle_.settings.CreditChecksEnabled) {
            app_.assessment.decision = QStringLiteral("P");
            return;
        }
        const CreditReportOutcome drawn = DrawCreditReport(cycle_, session_, app_, loan_.LoanDetails, app_.memberNumber);
        // The rules' decision takes the place of the search's letter.
        app_.assessment.report = drawn.report;
        app_.assessment.loanEndAge = drawn.loanEndAge;
        const CarriedResults carried = ReadCarriedResults(session_.connections.OnlineConnection, app_.memberNumber);
        TakeCreditDecision(app_, CheckCRRules(cycle_, session_, app_, loan_, totalBorrowing, drawn, carried));
    }

    // The rule rows the checks left online first, then the decision summary.
    void writePolicyLog() {
        PolicyLogLoan logged;
        logged.memberNumber = app_.memberNumber;
        logged.loanNumber = loan_.loanNumber;
        logged.loanId = loan_.loanId;
        logged.applicationDate = parseDayFirstDate(loan_.LoanDetails.applicationDate).value_or(cycle_.passDate());
        if (logged.loanId != 0) {
            try {
                const QList<RulesLogEntry> online =
                    ReadMemberRulesLog(session_.connections.OnlineConnection, app_.memberNumber);
                app_.assessment.rulesLog = CopyRulesLogToPolicyLog(cycle_, session_, app_, logged, online);
            } catch (const VeltError& e) {
                ReportPolicyLogFailure(session_, app_, QStringLiteral("copying rules_log"), e);
            }
        }
        if (cycle_.settings.CreditChecksEnabled)
            WriteDecisionSummaryToPolicyLog(cycle_, session_, app_, logged);
    }

    // The applicant's note as staff can read it: the website stores a long note encoded like
    // every long value, so the note as stored is shown only where it decodes to nothing.
    QString diaryNote() const { return app_.field[tw::Note].isEmpty() ? app_.noteText : app_.field[tw::Note]; }

    // Without credit checks the rules never ran the identity check of a member created by
    // this import; it runs now, as for a member who only joins.
    void checkIdentityOfNewMember() {
        if (cycle_.settings.CreditChecksEnabled || app_.newMemberNumber <= 0) return;
        TakeIdentityCheck(app_, RunIdentityCheck(cycle_, session_, app_, app_.newMemberNumber));
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    ApplicationState& app_;
    LoanPassState loan_;
    ChosenProduct product_;
};

}  // namespace

std::optional<QString> RunLoanPass(const CycleContext& cycle, UnitSession& session, ApplicationState& app) {
    LoanPass pass(cycle, session, app);
    LoanStep skip;
    try {
        skip = pass.run();
    } catch (...) {
        // The lines reporting the failure say what was asked for as far as the pass got.
        app.loan = pass.loan();
        throw;
    }
    app.loan = pass.loan();
    if (!skip) return std::nullopt;
    ReportWithLoanDetails(session, app, app.loan, skip->problem);
    return skip->message;
}

}  // namespace autovelt::pipeline
