#include "loans/LoanRepayment.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "comms/AuditTrail.h"
#include "loans/FirstRepaymentDate.h"
#include "common/VeltError.h"
#include "platform/db/Recordset.h"

#include <limits>

namespace autovelt::inline loans {

namespace {

// The number of repayments as the 16-bit whole number the term is held in.
int termOf(const QString& text) {
    const int64_t term = roundHalfEven(leadingNumber(text));
    if (term > std::numeric_limits<int16_t>::max() || term < std::numeric_limits<int16_t>::min())
        throw VeltError(6, QStringLiteral("CalculateLoanRepayment"), QStringLiteral("Overflow"));
    return term < 1 ? 1 : int(term);
}

QDate dateOf(const QString& text) {
    return parseDayFirstDate(text).value_or(QDate());
}

}  // namespace

RateTiers rateTiersOf(const db::Recordset& product) {
    RateTiers tiers;
    for (int k = 0; k < 8; ++k) {
        const QString n = QString::number(k + 1);
        const QVariant bound = product.value(QStringLiteral("IntTo") + n);
        if (!bound.isNull()) tiers.upTo[k] = Currency::fromDouble(bound.toDouble());
        tiers.rate[k] = Currency::fromDouble(product.value(QStringLiteral("IntRate") + n).toDouble());
    }
    return tiers;
}

LoanFigures CalculateLoanRepayment(LoanPassState& working, const RateTiers& productTiers, bool sqlServer) {
    LoanRequest& loan = working.LoanDetails;
    LoanFigureRequest request;
    request.tiers = productTiers;
    request.rateOverride = working.rateOverride;
    request.totalBorrowing = working.totalBorrowing;
    request.frequency = loan.repaymentFrequency;
    request.term = termOf(loan.numberOfRepayments);
    request.applicationDate = dateOf(loan.applicationDate);
    request.firstRepaymentDate = dateOf(loan.firstRepaymentDate);

    const LoanFigures figures = workOutLoanFigures(request);
    working.loanInterestRate = figures.annualRate;
    loan.apr = currencyText(figures.apr);
    // The whole number of repayments the figures were worked for: a term in months that
    // gives half a repayment (18 months four-weekly is 19.5) is held and written as the 20
    // the repayment, last repayment and its date are worked for, never as 19.5.
    loan.numberOfRepayments = QString::number(figures.term);
    loan.repayment = formatNumber(figures.repayment, QStringLiteral("###0.00"));
    working.workedOutRepayment = loan.repayment;
    loan.totalInterest = figures.totalInterestText;
    if (figures.lastRepayment) {
        loan.lastRepayment = formatNumber(*figures.lastRepayment, QStringLiteral("###0.00"));
        loan.lastRepaymentDate = formatDate(figures.lastRepaymentDate, QStringLiteral("dd/mm/yyyy"));
        if (figures.firstRepaymentDate != request.firstRepaymentDate)
            SetFirstRepaymentDate(loan, figures.firstRepaymentDate, sqlServer);
    }
    return figures;
}

void WarnOfRateAboveCap(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                        const LoanPassState& loan, const LoanFigures& figures) {
    if (figures.apr.toDouble() <= cycle.config.rateCapApr) return;
    const QString member = QString::number(app.memberNumber);
    const QString apr = formatNumber(figures.apr, QStringLiteral("###0.0"));
    const QString cap = numberText(cycle.config.rateCapApr);
    const QString product = loan.productCode;
    session.ShowException(QStringLiteral("Loan app for member ") + member + QStringLiteral(" on product ") + product +
                          QStringLiteral(" has an APR of ") + apr + QStringLiteral("%, above the cap of ") + cap +
                          QStringLiteral("% - check the product rate before the loan is approved.") +
                          app.messageSuffix);
    AddWebLogEntry(cycle, session, app,
                   QStringLiteral("Product ") + product + QStringLiteral(" gives an APR of ") + apr +
                       QStringLiteral("% above the cap of ") + cap + QStringLiteral("% - check before approval"),
                   QStringLiteral("BORROW"), QStringLiteral("RATE CAP"), member);
}

}  // namespace autovelt::loans
