#pragma once

#include <QDate>
#include <QString>

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline loans {

// The opening MemberBalances row of a share product, written when a member is created:
// nothing paid in, product type 4, granted and due on the application date.
QString OpeningShareBalanceStatement(long memberNumber, const QString& productCode, const QDate& applicationDate);

// Writes that row on TarvMain. Errors reach the caller.
void WriteOpeningShareBalance(UnitSession& session, long memberNumber, const QString& productCode,
                              const QDate& applicationDate);

}  // namespace autovelt::loans
