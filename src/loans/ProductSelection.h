#pragma once

#include "common/Values.h"
#include "loans/LoanFigures.h"
#include "loans/LoanSkip.h"

#include <QDate>
#include <QVariant>
#include <optional>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; struct LoanPassState; }

namespace autovelt::inline loans {

// The loan product chosen for the application, as its Product row holds it.
struct ChosenProduct {
    RateTiers tiers;
    std::optional<Currency> maxLoanAvailable;  // none when the row holds no limit
};

// Finds the product applied for, or the default loan product in its place (reported), and
// sets the product code and type. Refuses the loan when neither exists.
LoanStep ChooseProduct(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, LoanPassState& loan,
                       ChosenProduct& product);

// Interest accrued on a loan balance since the interest was last paid, plus the interest
// already owing; never below zero, to the penny.
Currency AccruedInterest(Currency balance, double ratePercent, const QVariant& interestPaidDate,
                         Currency interestOwing, const QDate& applicationDate);

// Reads the member's existing balance of the chosen product (a top-up) with its accrued
// interest, and sets the total borrowing. Refuses a total below zero.
LoanStep AddExistingBalance(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                            LoanPassState& loan);

// Cuts the amount so the total borrowing stays within the product's limit (reported);
// refuses the loan when the existing balance alone reaches the limit.
LoanStep ApplyProductLimit(UnitSession& session, const ApplicationState& app, LoanPassState& loan,
                           const ChosenProduct& product);

}  // namespace autovelt::loans
