#pragma once

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; struct LoanPassState; }

namespace autovelt::inline loans {

// The payroll deduction schedules of a member for the loan the loan pass works on (or, for
// a member who only joins, its first repayment date): savings ("s1") and loan repayment.
// The savings the schedule settles are kept in loan.scheduledSavings.
void BuildSavingsPayProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                            LoanPassState& loan);
void BuildLoanPayProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                         LoanPassState& loan);

}  // namespace autovelt::loans
