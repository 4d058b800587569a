#pragma once

namespace autovelt {

class Importer;

// The payroll deduction schedules of a member: savings ("s1") and loan repayment.
void BuildSavingsPayProfile(Importer& importer);
void BuildLoanPayProfile(Importer& importer);

}  // namespace autovelt
