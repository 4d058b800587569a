#include "loans/LoanNumbering.h"

#include "state/ApplicationState.h"
#include "state/UnitSession.h"

namespace autovelt::inline loans {

namespace {

struct Counter {
    QString current;
    QString advance;
};

// A counter that was never set counts from 0 and is set to 1 (adding to nothing would leave
// it unset and give every later loan the same number).
Counter counter(const db::Recordset& control, const QString& column) {
    const QVariant value = control.value(column);
    if (value.isNull()) return {QStringLiteral("0"), QStringLiteral("UPDATE Control SET ") + column + QStringLiteral("=1 ;")};
    return {QString::number(value.toLongLong()),
            QStringLiteral("UPDATE Control SET ") + column + QLatin1Char('=') + column + QStringLiteral("+1 ;")};
}

}  // namespace

QString TakeLoanNumber(UnitSession& session, const LoanPassState& loan) {
    db::Connection& main = session.connections.TarvMain;
    const db::Recordset control = main.openRecordset(
        QStringLiteral("SELECT OneLoanCount, NewLoanCount, TopUpCount FROM Control ;"), db::clientReadOnlyCursor());
    if (control.eof()) return QString();
    const bool oneCounter = control.value(QStringLiteral("OneLoanCount")).toBool();
    const bool topUp = loan.totalBorrowing != loan.requestedAmount;
    QString prefix;
    if (!oneCounter) prefix = topUp ? QStringLiteral("T") : QStringLiteral("C");
    const Counter used = counter(control, topUp && !oneCounter ? QStringLiteral("TopUpCount") : QStringLiteral("NewLoanCount"));
    main.execute(used.advance);
    return prefix + used.current;
}

}  // namespace autovelt::loans
