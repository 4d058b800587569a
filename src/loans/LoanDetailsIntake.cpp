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
    d[8] = QStringLiteral("0");
    d[9] = QStringLiteral("0");
    const db::Recordset rs = im.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + LoanMember(im) +
        QStringLiteral(" AND AddressType ='BANK3' ;"),
        db::clientReadOnlyCursor());
    if (rs.eof()) {
        im.ShowException(QStringLiteral("Member ") + LoanMember(im) +
                         QStringLiteral(" has no bank 3 details stored - please obtain these details for the loan!"));
        return;
    }
    d[8] = rs.text(QStringLiteral("Code1"));
    d[9] = rs.text(QStringLiteral("Code2"));
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
    d[0] = QString::number(app.memberNumber);
    d[1] = f[45];
    d[2] = im.PassDate;
    d[3] = numberText(leadingNumber(f[46]));
    d[4] = f[44].isEmpty() ? QStringLiteral("M") : f[44];
    d[5] = numberOfRepayments(d[4], leadingNumber(f[47]));
    FirstRepaymentDate(im);
    d[7] = numberText(leadingNumber(f[48]));
    d[8] = app.sortCode;
    d[9] = app.accountNumber;
    d[10] = QString();
    d[11] = f[49];
    if (im.settings.profile.loansPaidToThirdBankAccount) useThirdBankAccount(im);
    d[15] = f[106].toUpper() == QLatin1String("EMAIL") ? QStringLiteral("E") : QStringLiteral("P");

    LoanPassState& loan = im.app.loan;
    im.app.memberNumber = static_cast<long>(leadingNumber(d[0]));
    loan.productCode = d[1].trimmed();
    loan.rateOverride = Currency();
    loan.requestedAmount = Currency::fromText(d[3]);
}

void SetLoanWorkingValues(Importer& im) {
    LoanPassState& loan = im.app.loan;
    loan.requestedAmount = Currency::fromText(im.LoanDetails[3]);
    const int64_t purpose = roundHalfEven(leadingNumber(im.LoanDetails[11]));
    // The code is held in one byte on the loan row.
    if (purpose < 0 || purpose > 255)
        throw VeltError(6, QStringLiteral("RunLoanPass"), QStringLiteral("Overflow"));
    loan.loanPurposeCode = purpose == 0 ? 20 : static_cast<int>(purpose);
    const auto& f = im.app.field;
    loan.memberName = (f[4] + QLatin1Char(' ') + f[6]).left(30).remove(QLatin1Char('\''));
}

}  // namespace autovelt
