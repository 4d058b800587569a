#pragma once

#include <QString>
#include <array>

namespace autovelt::inline state {

// What the address import found in the application's table_ad rows and the member's held
// home address, for the steps after it: the identity check, the loan records, the details
// file and the emails.
struct ImportedAddresses {
    QString applicantEmail;               // the HOME row's; after the import, else the application's own
    QString sortCode;                     // as the BANK row gave them
    QString accountNumber;
    bool homePrevSupplied = false;        // a HOMEPREV row came with the application
    bool homeAddressChanged = false;      // the HOME row moves the member elsewhere
    // A member matched without NINO or email changed the bank details or the home address:
    // the loan's payout waits for staff.
    bool bankDetailAnomaly = false;
    std::array<QString, 5> storedHome{};  // Line1, Line2, Line3, Line4, Postcode before import
    std::array<QString, 13> homeSlots{};  // entries 1 to 12
    std::array<QString, 13> workSlots{};  // entries 1 to 12
};

}  // namespace autovelt::state
