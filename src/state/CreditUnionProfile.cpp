#include "state/CreditUnionProfile.h"

#include <initializer_list>

namespace autovelt::inline state {

namespace {

using Flag = bool CreditUnionProfile::*;

struct Defaults {
    const char* registration;
    std::initializer_list<Flag> flags;
};

// The credit unions whose import differs, by registration number, and how.
const Defaults kDefaults[] = {
    {"213258",
     {&CreditUnionProfile::loansUnqueuedWithoutCreditChecks, &CreditUnionProfile::bankCodesNotStored,
      &CreditUnionProfile::newHomeAddressSetsStatusG, &CreditUnionProfile::loansPaidToThirdBankAccount,
      &CreditUnionProfile::detailsFileRecordsAcceptances}},
    {"213628", {&CreditUnionProfile::loansUnqueuedWithoutCreditChecks}},
    {"213679", {&CreditUnionProfile::loansAwaitProofOfIdentity, &CreditUnionProfile::newBankRowsNotPreferred}},
    {"213538", {&CreditUnionProfile::birthdayStatements}},
    {"213609", {&CreditUnionProfile::scorePricedLoans}},
    {"213743", {&CreditUnionProfile::singleSearch}},
    {"213369", {&CreditUnionProfile::singleSearch}},
    {"213400", {&CreditUnionProfile::singleSearch}},
    {"213587", {&CreditUnionProfile::singleSearch}},
    {"213370", {&CreditUnionProfile::singleSearch}},
};

}  // namespace

const std::array<CreditUnionProfileFlag, kCreditUnionProfileFlagCount>& CreditUnionProfileFlags() {
    static const std::array<CreditUnionProfileFlag, kCreditUnionProfileFlagCount> flags = {{
        {"loans_unqueued_without_credit_checks", &CreditUnionProfile::loansUnqueuedWithoutCreditChecks},
        {"loans_await_proof_of_identity", &CreditUnionProfile::loansAwaitProofOfIdentity},
        {"new_bank_rows_not_preferred", &CreditUnionProfile::newBankRowsNotPreferred},
        {"bank_codes_not_stored", &CreditUnionProfile::bankCodesNotStored},
        {"new_home_address_sets_status_g", &CreditUnionProfile::newHomeAddressSetsStatusG},
        {"loans_paid_to_third_bank_account", &CreditUnionProfile::loansPaidToThirdBankAccount},
        {"details_file_records_acceptances", &CreditUnionProfile::detailsFileRecordsAcceptances},
        {"birthday_statements", &CreditUnionProfile::birthdayStatements},
        {"score_priced_loans", &CreditUnionProfile::scorePricedLoans},
        {"single_search", &CreditUnionProfile::singleSearch},
    }};
    return flags;
}

CreditUnionProfile CreditUnionProfileFor(const QString& registration, const CreditUnionProfileOverrides& overrides) {
    CreditUnionProfile profile;
    for (const Defaults& row : kDefaults)
        if (registration == QLatin1String(row.registration))
            for (Flag flag : row.flags) profile.*flag = true;
    // The older list of single-search credit unions, where an installation still writes it.
    if (overrides.singleSearchRegistrations) profile.singleSearch = overrides.singleSearchRegistrations->contains(registration);
    for (std::size_t i = 0; i < kCreditUnionProfileFlagCount; ++i)
        if (overrides.flags[i]) profile.*(CreditUnionProfileFlags()[i].flag) = *overrides.flags[i];
    return profile;
}

}  // namespace autovelt::state
