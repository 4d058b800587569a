#pragma once

#include <QString>

namespace autovelt::inline common {

// A report or log line as it may be shown: every control character (line breaks, NUL,
// tabs, the C1 controls), every format character (bidirectional embeddings, overrides and
// isolates, left-to-right and right-to-left marks, zero-width characters) and the Unicode
// line and paragraph separators become a blank, a run of them a single blank. A value from
// an application can then never start a line of its own, nor reorder what staff read, in
// the report lists, on standard output or in a log file.
QString FlattenControlCharacters(const QString& line);

// The text with every occurrence of the secret (a password) replaced by "********", for
// texts that leave the importer: report lines, error texts, log files.
QString withoutSecret(QString text, const QString& secret);

}  // namespace autovelt::common
