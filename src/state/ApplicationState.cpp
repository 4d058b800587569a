#include "state/ApplicationState.h"

namespace autovelt::inline state {

ApplicationState ApplicationState::StartingFrom(Application application) {
    ApplicationState state;
    static_cast<Application&>(state) = std::move(application);
    state.identity = state.websiteIdentity();
    return state;
}

std::array<QString, 121> ApplicationState::columnsAsImported() const {
    std::array<QString, 121> columns = field;
    columns[tw::MembershipAskedFor] = membershipStatus();
    columns[tw::SavingsValue] = savingsValue();
    columns[tw::CreditScore] = creditScore();
    columns[tw::Decision] = decisionLetter();
    columns[tw::SearchReference] = searchReference();
    columns[tw::IdentityStatus] = identity.status;
    columns[tw::IdentityScore] = identity.score;
    columns[tw::IdentityReference] = identity.reference;
    columns[tw::LoanProduct] = loanProduct();
    columns[tw::Repayment] = repayment();
    columns[tw::AnnualSalary] = grossAnnualIncome();
    return columns;
}

}  // namespace autovelt::state
