#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <optional>

namespace autovelt::inline state {

// What one credit union's import does differently from the others, one named flag per
// behaviour. Each registration number (Control.FSARefNo) has its defaults in one table
// (CreditUnionProfile.cpp); the [profile] section of autovelt.ini overrides any flag for
// one installation.
struct CreditUnionProfile {
    // While credit checks are off, a loan application leaves the queue with no initial
    // status and none of ours, for staff to pick up.
    bool loansUnqueuedWithoutCreditChecks = false;
    // A loan application waits out of the queue with our status "Awaiting POI".
    bool loansAwaitProofOfIdentity = false;
    // A new bank address row is written as not preferred (YesNo False).
    bool newBankRowsNotPreferred = false;
    // The applicant's sort code and account number are not written to the bank address row
    // (nor the bank's name and address looked up from them).
    bool bankCodesNotStored = false;
    // An existing member who gives a new home address gets membership status G.
    bool newHomeAddressSetsStatusG = false;
    // A loan is paid to the member's third bank account (BANK3), not the application's.
    bool loansPaidToThirdBankAccount = false;
    // The application details file records that the member accepted the terms and the FSCS notice.
    bool detailsFileRecordsAcceptances = false;
    // A member's statements go out twice a year, on the member's birthday.
    bool birthdayStatements = false;
    // Loans are priced by the member's score profile (PSLnRules) instead of the credit rules.
    bool scorePricedLoans = false;
    // A credit search asks the agency for one automatic search only.
    bool singleSearch = false;

    bool operator==(const CreditUnionProfile&) const = default;
};

// One flag with its key in the [profile] section of autovelt.ini.
struct CreditUnionProfileFlag {
    const char* key;
    bool CreditUnionProfile::*flag;
};
inline constexpr std::size_t kCreditUnionProfileFlagCount = 10;
const std::array<CreditUnionProfileFlag, kCreditUnionProfileFlagCount>& CreditUnionProfileFlags();

// What autovelt.ini says about the profile: a value per flag written in [profile] (in the
// order of CreditUnionProfileFlags), and the registration numbers of [agency]
// single_search_registrations when that key is written.
struct CreditUnionProfileOverrides {
    std::array<std::optional<bool>, kCreditUnionProfileFlagCount> flags{};
    std::optional<QStringList> singleSearchRegistrations;
};

// The profile of the credit union with this registration number: the table's defaults, then
// the installation's overrides.
CreditUnionProfile CreditUnionProfileFor(const QString& registration, const CreditUnionProfileOverrides& overrides = {});

}  // namespace autovelt::state
