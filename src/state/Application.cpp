#include "state/Application.h"

#include "common/Values.h"

namespace autovelt::inline state {

long Application::givenMemberNumber() const {
    return static_cast<long>(roundHalfEven(leadingNumber(field[tw::GivenMemberNumber])));
}

std::optional<QDate> Application::dateOfBirth() const { return parseDayFirstDate(field[tw::DateOfBirth]); }

double Application::loanAmount() const { return leadingNumber(field[tw::LoanAmount]); }

double Application::termMonths() const { return leadingNumber(field[tw::TermMonths]); }

IdentityResult Application::websiteIdentity() const {
    return {field[tw::IdentityStatus], field[tw::IdentityScore], field[tw::IdentityReference]};
}

}  // namespace autovelt::state
