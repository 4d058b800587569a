#pragma once

#include <QString>
#include <optional>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline pipeline {

// The loan pass: turns the borrowing part of the current application into a loan
// application (the "loan" button, pressed in code by the import pass for every application
// with an amount). Runs inside the application's unit of work. A refusal is reported and
// returns the skip message, which the caller hands to UpdateTableWRecord with the failure
// email; every refusal comes before the loan number is taken, so nothing of the loan is
// written. A database error is raised to the import pass, which undoes the application
// whole.
std::optional<QString> RunLoanPass(const CycleContext& cycle, UnitSession& session, ApplicationState& app);

}  // namespace autovelt::pipeline
