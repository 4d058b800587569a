#pragma once

// One table_ad row as the address import works on it: the decoded, cleaned texts of its
// columns by position, and the printable lines composed from them.

#include "common/OnlineDecoding.h"

#include <QString>
#include <array>
#include <optional>

namespace autovelt::inline platform::db { class Recordset; }

namespace autovelt::inline import {

// Positions of the table_ad columns the import reads (position n holds column field_n).
namespace ad {
inline constexpr int Key = 2;
inline constexpr int Type = 3;
inline constexpr int SortCode = 4;       // BANK; the member to link to on HOME and BENE
inline constexpr int Account = 5;        // BANK
inline constexpr int ThirdCode = 6;      // BANK roll number; "NOKSAME" on HOME and BENE
inline constexpr int Building = 7;
inline constexpr int Flat = 8;
inline constexpr int Street1 = 9;
inline constexpr int Street2 = 10;
inline constexpr int Town = 11;
inline constexpr int County = 12;        // a free line (a name) on BENE and WORK rows
inline constexpr int Line5 = 13;
inline constexpr int Postcode = 14;
inline constexpr int Telephone = 15;
inline constexpr int Extension = 16;
inline constexpr int Mobile = 17;
inline constexpr int Email = 18;
inline constexpr int Date = 19;
inline constexpr int SecondKey = 23;
inline constexpr int Last = 30;
}  // namespace ad

struct AddressRow {
    std::array<QString, ad::Last + 1> slot{};  // positions 1 to 30

    const QString& operator[](int position) const { return slot[position]; }
    QString& operator[](int position) { return slot[position]; }
    const QString& type() const { return slot[ad::Type]; }
    bool isNokSame() const { return slot[ad::ThirdCode] == QLatin1String("NOKSAME"); }
    // No building, flat, street or postcode: nothing to compose lines from.
    bool hasNoAddress() const;
};

// A table_ad row as the website stored it: the text of each of its columns field_2 to
// field_30; a column the table lacks is left out.
using StoredAddressRow = std::array<std::optional<QString>, ad::Last + 1>;

// The current row of a table_ad recordset, as stored.
StoredAddressRow ReadStoredAddressRow(const db::Recordset& rows);

// A stored table_ad row as the import reads it: encoded values decoded, every value
// trimmed and cut to 50 characters, the address lines in proper case (mixedCase) or upper
// case, the type in upper case without underscores, the postcode in upper case.
AddressRow LoadAddressRow(const StoredAddressRow& stored, bool mixedCase, const OnlineCodeTables& tables);

// Line1 to Line4 as the address is printed: a flat puts the flat on its own line, a house
// number or short building name shares the first line with the street, a longer building
// name stands alone.
std::array<QString, 4> ComposeAddressLines(const AddressRow& row);

// The twelve address texts later steps print (entries 1 to 12): building, flat, street 1,
// street 2, town, county, line 5, postcode, telephone, mobile, e-mail, date.
std::array<QString, 13> AddressSlots(const AddressRow& row);

// Whole member number written in a HOME or BENE row to link it to a member; 0 when the
// text is not a whole number (a value the website should never send).
long LinkedMemberNumber(const AddressRow& row);

}  // namespace autovelt::import
