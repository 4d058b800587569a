#include "loans/LoanDetailsIntake.h"

#include "common/Values.h"
#include "common/VeltError.h"
#include "loans/FirstRepaymentDate.h"
#include "loans/LoanSkip.h"
#include "state/Importer.h"

namespace autovelt {

namespace {

// The term in months turned into a number of repayments of the frequency, unrounded.
QString numberOfRepayments(const QString& frequency, double months) {
    if (frequency == QLatin1String("W")) return numberText(months / 12 * 52);
    if (frequency == QLatin1String("F")) return numberText(months / 12 * 26);
    if (frequency == QLatin1String("4")) return numberText(months / 12 * 13);
    return numberText(months);
}

void useThirdBankAccount(Importer& im) {
    auto& d = im.LoanDetails;
    d.sortCode = QStringLiteral("0");
    d.accountNumber = QStringLiteral("0");
    const db::Recordset rs = im.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + LoanMember(im) +
        QStringLiteral(" AND AddressType ='BANK3' ;"),
        db::clientReadOnlyCursor());
    if (rs.eof()) {
        im.ShowException(QStringLiteral("Member ") + LoanMember(im) +
                         QStringLiteral(" has no bank 3 details stored - please obtain these details for the loan!"));
        return;
    }
    d.sortCode = rs.text(QStringLiteral("Code1"));
    d.accountNumber = rs.text(QStringLiteral("Code2"));
}

}  // namespace

int AgeByMonthBoundaries(const QDate& dateOfBirth, const QDate& processingDate) {
    const int64_t months = dateDiffMonths(dateOfBirth, processingDate);
    int age = static_cast<int16_t>((months - months % 12) / 12);
    if (age < 0) age += 100;
    return age;
}

void FillLoanDetails(Importer& im) {
    const ApplicationState& app = im.app;
    const auto& f = app.field;
    auto& d = im.LoanDetails;
    d.memberNumber = QString::number(app.memberNumber);
    d.productCode = f[45];
    d.applicationDate = im.PassDate;
    d.amount = numberText(leadingNumber(f[46]));
    d.repaymentFrequency = f[44].isEmpty() ? QStringLiteral("M") : f[44];
    d.numberOfRepayments = numberOfRepayments(d.repaymentFrequency, leadingNumber(f[47]));
    FirstRepaymentDate(im);
    d.repayment = numberText(leadingNumber(f[48]));
    d.sortCode = app.sortCode;
    d.accountNumber = app.accountNumber;
    d.comments = QString();
    d.loanPurposeCode = f[49];
    if (im.settings.profile.loansPaidToThirdBankAccount) useThirdBankAccount(im);
    d.correspondence = f[106].toUpper() == QLatin1String("EMAIL") ? QStringLiteral("E") : QStringLiteral("P");

    LoanPassState& loan = im.app.loan;
    im.app.memberNumber = static_cast<long>(leadingNumber(d.memberNumber));
    loan.productCode = d.productCode.trimmed();
    loan.rateOverride = Currency();
    loan.requestedAmount = Currency::fromText(d.amount);
}

void SetLoanWorkingValues(Importer& im) {
    LoanPassState& loan = im.app.loan;
    loan.requestedAmount = Currency::fromText(im.LoanDetails.amount);
    const int64_t purpose = roundHalfEven(leadingNumber(im.LoanDetails.loanPurposeCode));
    // The code is held in one byte on the loan row.
    if (purpose < 0 || purpose > 255)
        throw VeltError(6, QStringLiteral("RunLoanPass"), QStringLiteral("Overflow"));
    loan.loanPurposeCode = purpose == 0 ? 20 : static_cast<int>(purpose);
    const auto& f = im.app.field;
    loan.memberName = (f[4] + QLatin1Char(' ') + f[6]).left(30).remove(QLatin1Char('\''));
}

}  // namespace autovelt
