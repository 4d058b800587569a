#pragma once

#include <QString>

namespace autovelt::inline common {

// How texts are compared when searching: Binary is exact; Text and Database ignore case
// (the routines that take a compare mode receive 0, 1 or 2 from their callers).
enum class CompareMode { Binary = 0, Text = 1, Database = 2 };

inline Qt::CaseSensitivity caseSensitivity(CompareMode mode) {
    return mode == CompareMode::Binary ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

}  // namespace autovelt::common
