#pragma once

#include "common/Values.h"
#include "state/Application.h"
#include "state/LoanRequest.h"

#include <QString>
#include <array>
#include <optional>

namespace autovelt::inline state {

// The loan the loan pass works on for one application: the loan details as they are filled
// from the application and rewritten by the figures, what the pass fixes before the figures
// are worked out and the loan records written, and what the records give back. The pass
// hands it to each of its steps and keeps it beside the application once it has run.
struct LoanPassState {
    LoanRequest LoanDetails;
    QString loanNumber;             // the application number taken, empty until then
    QString productCode;
    QString productType = QStringLiteral("3");
    Currency rateOverride;          // 0 = the product's tiers decide
    Currency requestedAmount;
    Currency totalBorrowing;        // requested amount + existing balance of the product
    long balanceRowId = 0;          // the member's existing balance of the product, 0 for none
    Currency accruedInterest;
    int loanPurposeCode = 20;
    QString memberName;             // 30 characters at most, apostrophes removed
    std::array<long, 9> mergeIds{}; // entries 1 to 8
    Currency loanInterestRate;      // set with the figures
    long loanId = 0;                // the new LoanAllocation row, 0 until written
    // What the pass settles in place of what the applicant gave: the product a score profile
    // chose (field_45) and the repayment the figures worked out (field_48).
    std::optional<QString> profileProduct;
    std::optional<QString> workedOutRepayment;
    // The savings the pay profile schedules in place of the amount applied (field_25).
    std::optional<QString> scheduledSavings;

    // Each settled value as it stands for `app`: the pass's once settled, else the website's.
    QString loanProduct(const Application& app) const { return profileProduct.value_or(app.field[tw::LoanProduct]); }
    QString repayment(const Application& app) const { return workedOutRepayment.value_or(app.field[tw::Repayment]); }
    QString savingsValue(const Application& app) const {
        return scheduledSavings.value_or(app.field[tw::SavingsValue]);
    }
};

}  // namespace autovelt::state
