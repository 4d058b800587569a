#pragma once

// Applicants type their names in any case; these put names and titles into the form the
// credit union stores and prints ("mary   o'neil" -> "Mary O'Neil").

#include "common/TextCompare.h"

#include <QString>

namespace autovelt::inline common {

// Each word with a capital first letter and the rest lower case (ASCII letters only;
// every other character is left as typed), then the inner capitals of CapsUnusualCases
// for "/", "\", "'" (not one from the end), "Mc" and "Mac" at the word start. "N/A" in
// any case gives "". The argument is left with its spaces collapsed.
QString FirstLettersCaps(QString& text);

// Raises the lower-case ASCII letter that follows each occurrence of pattern in word.
// An occurrence at position length - endOffset (counted from 1) is passed over; with
// onlyPosition other than 0, an occurrence anywhere else than there ends the work.
void CapsUnusualCases(QString& word, const QString& pattern, int endOffset, int onlyPosition, CompareMode mode);

// Trimmed of spaces, every run of spaces reduced to one.
QString CollapseSpaces(const QString& text);

// Proper case, for address lines: each word's first letter upper case, every other letter
// lower case. Words are separated by blanks and control white space only, and no inner
// capitals are made ("macclesfield road" -> "Macclesfield Road", "o'neill" -> "O'neill").
QString ProperCase(const QString& text);

}  // namespace autovelt::common
