#pragma once

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline import {

// Member numbers run up to eight digits.
inline constexpr long kHighestMemberNumber = 99999999;

// The next free member number: the highest held plus one (1 for an empty table). May
// exceed kHighestMemberNumber; the caller decides what then.
long long NextMemberNumber(UnitSession& session);

// True when number is one the credit union could have allocated already: from 1 to the
// highest number held. Numbers are only ever allocated upwards, so anything above that
// belongs to nobody and would move the next allocation (or exhaust the numbers).
bool WithinAllocatedNumbers(UnitSession& session, long long number);

}  // namespace autovelt::import
