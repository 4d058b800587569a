#include "loans/ShareBalance.h"

#include "state/UnitSession.h"
#include "common/SqlDialect.h"
#include "common/SqlQuote.h"
#include "common/Values.h"

namespace autovelt::inline loans {

QString OpeningShareBalanceStatement(long memberNumber, const QString& productCode, const QDate& applicationDate) {
    const QString date = JetDateLiteral(applicationDate);
    return QStringLiteral("INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, LoanGranted, Balance, Rate, "
                          "PaidOutPeriod, PaidOutYTD, ExcessLimit, ProductType, InterestPaidDate, RepaymentDueDate) ") +
           QStringLiteral("VALUES(") + QString::number(memberNumber) + QLatin1Char(',') + sqlText(productCode) +
           QLatin1Char(',') + QStringLiteral("False") + QLatin1Char(',') + date + QLatin1Char(',') +
           QStringLiteral("0,0,0,0,0,4,") + date + QLatin1Char(',') + date + QStringLiteral(") ;");
}

void WriteOpeningShareBalance(UnitSession& session, long memberNumber, const QString& productCode,
                              const QDate& applicationDate) {
    session.connections.TarvMain.execute(OpeningShareBalanceStatement(memberNumber, productCode, applicationDate));
}

}  // namespace autovelt::loans
