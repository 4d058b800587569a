#pragma once

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline loans {

// The payroll deduction schedules of a member: savings ("s1") and loan repayment.
void BuildSavingsPayProfile(const CycleContext& cycle, UnitSession& session, ApplicationState& app);
void BuildLoanPayProfile(const CycleContext& cycle, UnitSession& session, ApplicationState& app);

}  // namespace autovelt::loans
