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
#include "state/Importer.h"

namespace autovelt {

namespace {

constexpr int kAdultAge = 18;

// One run of the loan pass over the current application. Everything it writes to the core
// banking databases belongs to the application's unit of work: a refusal happens before the
// loan number is taken, and an error after it undoes the application whole.
class LoanPass {
public:
    explicit LoanPass(Importer& importer) : im_(importer), app_(importer.app) {}

    LoanStep run() {
        app_.LoanDetails = {};
        app_.loan = LoanPassState{};
        app_.loanNumber.clear();
        if (LoanStep skip = decide()) return skip;
        writeLoan();
        return std::nullopt;
    }

private:
    // Every check that can refuse the loan, in order; fixes the product and the amount.
    LoanStep decide() {
        if (LoanStep skip = refusePendingApplication()) return skip;
        if (LoanStep skip = refuseUnderAge()) return skip;
        app_.LoanDetails = LoanRequestFor(app_, im_.PassDate, im_.passDate(), im_.startup.chkSQL);
        if (im_.settings.profile.loansPaidToThirdBankAccount) UseThirdBankAccount(im_, app_.LoanDetails);
        StartLoanWorkingValues(app_.loan, app_.LoanDetails);
        if (scorePriced()) {
            // The product is not settled yet, so the rules see the amount applied for.
            assessCredit(app_.loan.requestedAmount);
            if (LoanStep skip = SelectScoreProfile(im_)) return skip;
        }
        SetLoanWorkingValues(app_.loan, app_.LoanDetails, app_.field[4], app_.field[6]);
        if (LoanStep skip = ChooseProduct(im_, product_)) return skip;
        if (LoanStep skip = AddExistingBalance(im_)) return skip;
        return ApplyProductLimit(im_, product_);
    }

    void writeLoan() {
        const LoanFigures figures = CalculateLoanRepayment(app_.LoanDetails, app_.loan, product_.tiers, im_.startup.chkSQL);
        app_.field[48] = app_.LoanDetails.repayment;
        WarnOfRateAboveCap(im_, figures);
        app_.loanNumber = TakeLoanNumber(im_);
        if (!scorePriced()) assessCredit(app_.loan.totalBorrowing);
        CreateLoanApplication(im_);
        BuildSavingsPayProfile(im_);
        BuildLoanPayProfile(im_);
        writePolicyLog();
        CreateDiaryEntry(im_, app_.memberNumber, QStringLiteral("VELT"), diaryNote());
        checkIdentityOfNewMember();
        SendLoanEmail(im_);
    }

    bool scorePriced() const { return im_.settings.profile.scorePricedLoans; }

    LoanStep refusePendingApplication() {
        const db::Recordset pending = im_.connections.TarvTran.openRecordset(
            QStringLiteral("SELECT ID, LoanNumber FROM LoanAllocation WHERE MemberNo=") + LoanMember(im_) +
            QStringLiteral(" AND Posted=False ;"),
            db::clientReadOnlyCursor());
        if (pending.eof()) return std::nullopt;
        const QString loanNumber = pending.text(QStringLiteral("LoanNumber"));
        ReportWithLoanDetails(im_, QStringLiteral("Skipped ln app for member ") + LoanMember(im_) +
                                       QStringLiteral(" as they already have a pending app - ") + loanNumber +
                                       QLatin1Char('.') + app_.messageSuffix);
        return LoanSkip{QStringLiteral("Skipped ln app for member as they already have a pending app - ") + loanNumber +
                        QLatin1Char('.')};
    }

    LoanStep refuseUnderAge() {
        const QDate born = parseDayFirstDate(app_.field[7]).value_or(QDate());
        const int age = AgeByMonthBoundaries(born, im_.passDate());
        if (age >= kAdultAge) return std::nullopt;
        ReportWithLoanDetails(im_, QStringLiteral("Skipped ln app for member ") + LoanMember(im_) +
                                       QStringLiteral(" - Too young."));
        return LoanSkip{QStringLiteral("Skipped ln app for member as they are only ") + QString::number(age) +
                        QStringLiteral(" years old.")};
    }

    void assessCredit(Currency totalBorrowing) {
        if (!im_.settings.CreditChecksEnabled) {
            app_.field[27] = QStringLiteral("P");
            return;
        }
        const CreditReportOutcome drawn = DrawCreditReport(im_, app_.memberNumber);
        TakeCreditDecision(app_, CheckCRRules(im_, totalBorrowing, drawn));
    }

    // The rule rows the checks left online first, then the decision summary.
    void writePolicyLog() {
        PolicyLogLoan loan;
        loan.memberNumber = app_.memberNumber;
        loan.loanNumber = app_.loanNumber;
        loan.loanId = app_.loan.loanId;
        loan.applicationDate = parseDayFirstDate(app_.LoanDetails.applicationDate).value_or(im_.passDate());
        loan.loanEndAge = app_.loanEndAge;
        loan.dependantsReason = app_.dependantsReason;
        CopyRulesLogToPolicyLog(im_, loan);
        if (im_.settings.CreditChecksEnabled)
            WriteDecisionSummaryToPolicyLog(im_, loan, app_.decisionSummary, app_.creditReport);
    }

    // The applicant's note as staff can read it: the website stores a long note encoded like
    // every long value, so the note as stored is shown only where it decodes to nothing.
    QString diaryNote() const { return app_.field[104].isEmpty() ? app_.noteText : app_.field[104]; }

    // Without credit checks the rules never ran the identity check of a member created by
    // this import; it runs now, as for a member who only joins.
    void checkIdentityOfNewMember() {
        if (im_.settings.CreditChecksEnabled || app_.newMemberNumber <= 0) return;
        RunIdentityCheck(im_, app_.newMemberNumber);
    }

    Importer& im_;
    ApplicationState& app_;
    ChosenProduct product_;
};

}  // namespace

std::optional<QString> RunLoanPass(Importer& importer) {
    if (const LoanStep skip = LoanPass(importer).run()) return skip->message;
    return std::nullopt;
}

}  // namespace autovelt
