#pragma once

namespace autovelt {

class Importer;

// Member numbers run up to eight digits.
inline constexpr long kHighestMemberNumber = 99999999;

// The next free member number: the highest held plus one (1 for an empty table). May
// exceed kHighestMemberNumber; the caller decides what then.
long long NextMemberNumber(Importer& importer);

}  // namespace autovelt
