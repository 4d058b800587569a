#include "loans/ScoreProfile.h"

#include "common/SqlQuote.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

namespace autovelt::inline loans {

namespace {

struct Balances {
    Currency loans;
    Currency shares;
};

Currency balanceSum(UnitSession& session, const ApplicationState& app, const QString& sumName, const QString& amILoan) {
    const db::Recordset rs = session.connections.TarvMain.openRecordset(
        QStringLiteral("Select SUM(Balance) as ") + sumName + QStringLiteral(" FROM MemberBalances WHERE MemberNo = ") +
            LoanMember(app) + QStringLiteral(" AND AmILoan = ") + amILoan + QStringLiteral(" ;"),
        db::clientReadOnlyCursor());
    if (rs.eof() || rs.isNull(sumName)) return Currency();
    return Currency::fromDouble(rs.value(sumName).toDouble());
}

class ScoreProfileSelection {
public:
    explicit ScoreProfileSelection(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                   LoanPassState& loan)
        : cycle_(cycle), session_(session), app_(app), loan_(loan) {}

    LoanStep run() {
        const QString repayType =
            app_.field[tw::FasterPayment] == QLatin1String("S") ? QStringLiteral("S") : QStringLiteral("P");
        // A member created by this import holds nothing yet.
        const bool newMember = app_.newMemberNumber == app_.memberNumber;
        if (!newMember) {
            balances_.loans = balanceSum(session_, app_, QStringLiteral("myLoanBal"), QStringLiteral("TRUE"));
            balances_.shares = balanceSum(session_, app_, QStringLiteral("myShareBal"), QStringLiteral("FALSE"));
        }
        const double score = leadingNumber(app_.creditScore());
        if (loan_.productCode == kBandPricedProduct) {
            priceByBand(score);
            return std::nullopt;
        }
        return priceByProfile(newMember ? QStringLiteral("N") : QStringLiteral("E"), repayType, score);
    }

private:
    void priceByBand(double score) {
        if (const std::optional<Currency> rate = BandRateForScore(score)) {
            loan_.rateOverride = *rate;
            return;
        }
        ReportWithLoanDetails(session_, app_, loan_,
                              QStringLiteral("Member ") + LoanMember(app_) +
                                  QStringLiteral(" no valid profile found for Osprine borrowing with score of ") +
                                  app_.creditScore() +
                                  QStringLiteral(" - default interest rate will be applied.") + app_.messageSuffix);
    }

    void useProduct(const QString& code) {
        loan_.profileProduct = code;
        loan_.LoanDetails.productCode = code;
        loan_.productCode = code;
    }

    LoanStep priceByProfile(const QString& memberKind, const QString& repayType, double score) {
        const QString scoreText = numberText(score);
        const db::Recordset rule = session_.connections.TarvAudt.openRecordset(
            QStringLiteral("SELECT * FROM PSLnRules WHERE NewMember = ") + sqlText(memberKind) +
                QStringLiteral(" AND RepayType = ") + sqlText(repayType) + QStringLiteral(" AND FromScore<=") +
                scoreText + QStringLiteral(" AND ToScore>=") + scoreText + QStringLiteral(" ;"),
            db::clientReadOnlyCursor());
        const QString fallback = cycle_.settings.OLProductCode;
        if (rule.eof()) {
            ReportWithLoanDetails(session_, app_, loan_,
                                  QStringLiteral("Member ") + LoanMember(app_) +
                                      QStringLiteral(" no valid profile found for borrowing with score of ") +
                                      app_.creditScore() + QStringLiteral(" - ") + fallback +
                                      QStringLiteral(" applied by default.") + app_.messageSuffix);
            useProduct(fallback);
            loan_.rateOverride = Currency();
            return std::nullopt;
        }
        loan_.rateOverride = Currency::fromDouble(rule.value(QStringLiteral("IntRate")).toDouble());
        const QString product = rule.text(QStringLiteral("ProdCode"));
        if (!product.isEmpty()) useProduct(product);
        const QVariant maxOverShares = rule.value(QStringLiteral("MaxOverShares"));
        if (maxOverShares.isNull()) return std::nullopt;
        return capAgainstShares(Currency::fromDouble(maxOverShares.toDouble()));
    }

    LoanStep capAgainstShares(Currency maxOverShares) {
        if (maxOverShares.units() == 0) return std::nullopt;
        const Currency limit = balances_.shares + maxOverShares;
        if (loan_.requestedAmount + balances_.loans <= limit) return std::nullopt;
        const Currency allowed = limit - balances_.loans;
        if (allowed.units() > 0) {
            ReportWithLoanDetails(session_, app_, loan_,
                                  QStringLiteral("Member ") + LoanMember(app_) +
                                      QStringLiteral(" has applied for too much - borrowing changed to £") +
                                      currencyText(allowed) + QLatin1Char('.') + app_.messageSuffix);
            loan_.LoanDetails.amount = currencyText(allowed);
            return std::nullopt;
        }
        return LoanSkip{.problem = QStringLiteral("Member ") + LoanMember(app_) +
                                   QStringLiteral(" has applied for too much - no loan available - skipped.") +
                                   app_.messageSuffix,
                        .message = QStringLiteral(
                            "Skipped ln app for member as they applied for too much and no loan available.")};
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    LoanPassState& loan_;
    Balances balances_;
};

}  // namespace

std::optional<Currency> BandRateForScore(double score) {
    if (score >= 485 && score <= 544) return Currency::fromText(QStringLiteral("8.6"));
    if (score >= 545 && score <= 579) return Currency::fromText(QStringLiteral("7.6"));
    if (score >= 580 && score <= 1000) return Currency::fromText(QStringLiteral("6.7"));
    return std::nullopt;
}

LoanStep SelectScoreProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                            LoanPassState& loan) {
    return ScoreProfileSelection(cycle, session, app, loan).run();
}

}  // namespace autovelt::loans
