#pragma once

namespace autovelt {

class CycleContext;
class UnitSession;
struct ApplicationState;

// The payroll deduction schedules of a member: savings ("s1") and loan repayment.
void BuildSavingsPayProfile(const CycleContext& cycle, UnitSession& session, ApplicationState& app);
void BuildLoanPayProfile(const CycleContext& cycle, UnitSession& session, ApplicationState& app);

}  // namespace autovelt
