#pragma once

// The reference code that stands for a member number in the online rules_log table, so
// that the website's database never holds a plain member number there.

#include <QString>
#include <array>

namespace autovelt::inline common {

// The seven numbers the code appends for member numbers shorter than eight digits. They
// are a deployment value shared with the website; this default serves until the
// installation's configuration supplies the deployed ones.
struct MemberNumberCodeTable {
    std::array<int, 7> p;
};

inline constexpr MemberNumberCodeTable kDefaultMemberNumberCodeTable{{4817, 2953, 7162, 3590, 8406, 1738, 6271}};

// The code of a member number given as decimal text: "" when its numeric value is 0.
// Surrounding blanks and leading zeros are ignored, so a member has exactly one code.
// Anything else that is not a whole number of at most eight digits raises VeltError 5.
QString EncodeMemberNumber(const QString& memberNumber,
                           const MemberNumberCodeTable& table = kDefaultMemberNumberCodeTable);

}  // namespace autovelt::common
