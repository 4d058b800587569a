#pragma once

#include "common/Values.h"
#include "loans/LoanSkip.h"

#include <optional>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; struct LoanPassState; }

namespace autovelt::inline loans {

// Its product priced by fixed score bands rather than by the profile table.
inline const QString kBandPricedProduct = QStringLiteral("L14");

// The rate of the fixed bands for a score: 8.6 from 485 to 544, 7.6 from 545 to 579, 6.7
// from 580 to 1000, bounds included; nothing outside them.
std::optional<Currency> BandRateForScore(double score);

// Prices the loan by the credit score in field_26 (the credit assessment has run): the band
// rate for the band-priced product, otherwise the PSLnRules profile of the member's kind
// and repayment type, which may also change the product and cap the amount against the
// member's shares. Refuses a loan the cap leaves nothing of.
LoanStep SelectScoreProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                            LoanPassState& loan);

}  // namespace autovelt::loans
