#pragma once

namespace autovelt::inline import {

// Whether the loan an application asks for goes to the loan pass. A new member joining
// only whose identity check failed or referred gets no loan, whatever amount the website
// sent; the application keeps that amount as sent.
enum class LoanDecision { AsApplied, Withheld };

}  // namespace autovelt::import
