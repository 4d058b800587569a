#pragma once

#include "state/ApplicationState.h"

#include <QString>

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline comms {

// For a join-and-borrow application, the problem line that tells staff what was asked for:
// "Member <n> applied for <product> loan for £<amount> over <term> months for <purpose>.".
// A join-only application shows nothing. The product is the loan pass's once it settled
// one: `loan` while the pass runs, the loan it left (app.loan) otherwise.
void ShowLoanDetailsException(UnitSession& session, const ApplicationState& app, const LoanPassState& loan);
void ShowLoanDetailsException(UnitSession& session, const ApplicationState& app);

// The same text, without the leading "Member <n>" (the note UpdateTableWRecord appends).
QString LoanRequestText(const Application& app, const LoanPassState& loan);

}  // namespace autovelt::comms
