#include "loans/ProductSelection.h"

#include "common/SqlQuote.h"
#include "loans/LoanRepayment.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

namespace autovelt::inline loans {

namespace {

db::Recordset productRow(UnitSession& session, const QString& code) {
    return session.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM Product WHERE ProductCode=") + sqlText(code) + QStringLiteral(" ;"),
        db::clientReadOnlyCursor());
}

QString suffix(const ApplicationState& app) { return app.messageSuffix; }

}  // namespace

LoanStep ChooseProduct(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, LoanPassState& loan,
                       ChosenProduct& product) {
    const QString fallback = cycle.settings.OLProductCode;
    db::Recordset row = productRow(session, loan.productCode);
    if (row.eof()) {
        row = productRow(session, fallback);
        if (row.eof()) {
            return LoanSkip{
                .problem = QStringLiteral("Skipped ln app for member ") + LoanMember(app) + QStringLiteral(" - ") +
                           loan.productCode + QStringLiteral(" product not found.") + suffix(app),
                .message =
                    QStringLiteral("Skipped ln app for member as we could not locate the product ") + loan.productCode};
        }
        session.ShowException(QStringLiteral("Member ") + LoanMember(app) + QStringLiteral(" applied for product ") +
                              loan.productCode + QStringLiteral(" which was not found - altered to ") + fallback +
                              QLatin1Char('.') + suffix(app));
        loan.productCode = fallback;
    }
    const QVariant type = row.value(QStringLiteral("ProductType"));
    loan.productType = type.isNull() ? QStringLiteral("3") : type.toString();
    product.tiers = rateTiersOf(row);
    const QVariant limit = row.value(QStringLiteral("MaxLoanAvailable"));
    product.maxLoanAvailable.reset();
    if (!limit.isNull()) product.maxLoanAvailable = Currency::fromDouble(limit.toDouble());
    return std::nullopt;
}

Currency AccruedInterest(Currency balance, double ratePercent, const QVariant& interestPaidDate, Currency interestOwing,
                         const QDate& applicationDate) {
    Currency accrued;
    if (balance.units() > 0 && !interestPaidDate.isNull()) {
        const int64_t days = dateDiffDays(interestPaidDate.toDate(), applicationDate);
        accrued = Currency::fromDouble(ratePercent / 36500 * balance.toDouble() * static_cast<double>(days));
        if (accrued.units() < 0) accrued = Currency();
        accrued = interestOwing + accrued;
        if (accrued.units() < 0) accrued = Currency();
    }
    return Currency::fromText(formatNumber(accrued, QStringLiteral("#0.00")));
}

LoanStep AddExistingBalance(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                            LoanPassState& loan) {
    const db::Recordset rs = session.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberBalances WHERE MemberNo=") + LoanMember(app) +
            QStringLiteral(" AND ProductCode=") + sqlText(loan.productCode) +
            QStringLiteral(" ORDER BY BALANCE DESC ;"),
        db::clientReadOnlyCursor());
    Currency existing;
    loan.balanceRowId = 0;
    loan.accruedInterest = Currency();
    if (!rs.eof()) {
        loan.balanceRowId = static_cast<long>(rs.value(QStringLiteral("ID")).toLongLong());
        existing = Currency::fromDouble(rs.value(QStringLiteral("Balance")).toDouble());
        const QDate applicationDate = parseDayFirstDate(loan.LoanDetails.applicationDate).value_or(cycle.passDate());
        loan.accruedInterest = AccruedInterest(existing, rs.value(QStringLiteral("Rate")).toDouble(),
                                               rs.value(QStringLiteral("InterestPaidDate")),
                                               Currency::fromDouble(rs.value(QStringLiteral("InterestOwing")).toDouble()),
                                               applicationDate);
    }
    loan.mergeIds = {};
    loan.totalBorrowing = existing + loan.requestedAmount;
    if (loan.totalBorrowing.units() >= 0) return std::nullopt;
    return LoanSkip{.problem = QStringLiteral("Skipped ln app for member ") + LoanMember(app) + QStringLiteral(" - ") +
                               loan.productCode + QStringLiteral(" odd value encountered.") + suffix(app),
                    .message = QStringLiteral("Skipped ln app for member as total borrowing was less than zero!")};
}

LoanStep ApplyProductLimit(UnitSession& session, const ApplicationState& app, LoanPassState& loan,
                           const ChosenProduct& product) {
    if (!product.maxLoanAvailable || product.maxLoanAvailable->units() <= 0) return std::nullopt;
    const Currency limit = *product.maxLoanAvailable;
    if (loan.totalBorrowing <= limit) return std::nullopt;
    const Currency cut = loan.requestedAmount - (loan.totalBorrowing - limit);
    if (cut.units() <= 0) {
        return LoanSkip{.problem = QStringLiteral("Member ") + LoanMember(app) +
                                   QStringLiteral(" has applied for too much - no value available.") + suffix(app),
                        .message = QStringLiteral("Skipped ln app for member as total borrowing was too much")};
    }
    ReportWithLoanDetails(session, app, loan,
                          QStringLiteral("Member ") + LoanMember(app) +
                              QStringLiteral(" has applied for too much - borrowing changed to £") + currencyText(cut) +
                              QStringLiteral(" from £") + loan.LoanDetails.amount + QLatin1Char('.') + suffix(app));
    loan.requestedAmount = cut;
    // The total follows the cut: the figures and the loan's original balance must be worked on what is
    // lent, not on the refused part of the request.
    loan.totalBorrowing = limit;
    loan.LoanDetails.amount = currencyText(cut);
    return std::nullopt;
}

}  // namespace autovelt::loans
