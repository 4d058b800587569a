#include "loans/LoanDetailsIntake.h"

#include "common/Values.h"
#include "common/VeltError.h"
#include "loans/FirstRepaymentDate.h"
#include "loans/LoanSkip.h"
#include "state/ApplicationState.h"
#include "state/UnitSession.h"

namespace autovelt::inline loans {

namespace {

// The term in months turned into a number of repayments of the frequency, unrounded.
QString numberOfRepayments(const QString& frequency, double months) {
    if (frequency == QLatin1String("W")) return numberText(months / 12 * 52);
    if (frequency == QLatin1String("F")) return numberText(months / 12 * 26);
    if (frequency == QLatin1String("4")) return numberText(months / 12 * 13);
    return numberText(months);
}

}  // namespace

int AgeByMonthBoundaries(const QDate& dateOfBirth, const QDate& processingDate) {
    const int64_t months = dateDiffMonths(dateOfBirth, processingDate);
    int age = static_cast<int16_t>((months - months % 12) / 12);
    if (age < 0) age += 100;
    return age;
}

LoanRequest LoanRequestFor(const ApplicationState& app, const QString& passDateText, const QDate& passDate, bool sqlServer) {
    const auto& f = app.field;
    LoanRequest loan;
    loan.memberNumber = QString::number(app.memberNumber);
    loan.productCode = f[tw::LoanProduct];
    loan.applicationDate = passDateText;
    loan.amount = numberText(app.loanAmount());
    loan.repaymentFrequency = f[tw::RepaymentFrequency].isEmpty() ? QStringLiteral("M") : f[tw::RepaymentFrequency];
    loan.numberOfRepayments = numberOfRepayments(loan.repaymentFrequency, app.termMonths());
    FirstRepaymentDate(loan, passDate, sqlServer);
    loan.repayment = numberText(leadingNumber(f[tw::Repayment]));
    loan.sortCode = app.addresses.sortCode;
    loan.accountNumber = app.addresses.accountNumber;
    loan.loanPurposeCode = f[tw::LoanType];
    loan.correspondence =
        f[tw::ContactPreference].toUpper() == QLatin1String("EMAIL") ? QStringLiteral("E") : QStringLiteral("P");
    return loan;
}

void UseThirdBankAccount(UnitSession& session, LoanRequest& loan) {
    loan.sortCode = QStringLiteral("0");
    loan.accountNumber = QStringLiteral("0");
    const db::Recordset rs = session.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + loan.memberNumber +
            QStringLiteral(" AND AddressType ='BANK3' ;"),
        db::clientReadOnlyCursor());
    if (rs.eof()) {
        session.ShowException(
            QStringLiteral("Member ") + loan.memberNumber +
            QStringLiteral(" has no bank 3 details stored - please obtain these details for the loan!"));
        return;
    }
    loan.sortCode = rs.text(QStringLiteral("Code1"));
    loan.accountNumber = rs.text(QStringLiteral("Code2"));
}

void StartLoanWorkingValues(LoanPassState& working) {
    const LoanRequest& loan = working.LoanDetails;
    working.productCode = loan.productCode.trimmed();
    working.rateOverride = Currency();
    working.requestedAmount = Currency::fromText(loan.amount);
}

void SetLoanWorkingValues(LoanPassState& working, const QString& forename, const QString& surname) {
    const LoanRequest& loan = working.LoanDetails;
    working.requestedAmount = Currency::fromText(loan.amount);
    const int64_t purpose = roundHalfEven(leadingNumber(loan.loanPurposeCode));
    // The code is held in one byte on the loan row.
    if (purpose < 0 || purpose > 255)
        throw VeltError(6, QStringLiteral("RunLoanPass"), QStringLiteral("Overflow"));
    working.loanPurposeCode = purpose == 0 ? 20 : static_cast<int>(purpose);
    working.memberName = (forename + QLatin1Char(' ') + surname).left(30).remove(QLatin1Char('\''));
}

}  // namespace autovelt::loans
