#pragma once

// Statements are written once in the Jet dialect (dates as #mm/dd/yy#, TRUE/FALSE,
// "DELETE * FROM") and adapted here, just before they are sent, when the core banking
// database is SQL Server.

#include "common/TextCompare.h"

#include <QDate>
#include <QString>
#include <cstdint>

namespace autovelt::inline common {

// Error raised by SQLISNULL for an ISNULL( without its comma or closing parenthesis.
// Kept as the signed 32-bit number the error exits print: -2147220979.
inline constexpr long kBadIsNullError = static_cast<int32_t>(0x8004020Du);

// Adapts one statement to the target dialect. With translateIsNull False and sqlServer
// True: Jet date literals become CONVERT(DATETIME, ...), TRUE/FALSE become 1/0 and
// "DELETE *" becomes "DELETE". Otherwise the statement goes through SQLISNULL with the
// flag. Text inside quoted literals ('...', '' being an escaped quote) is never altered.
QString TranslateSQL(const QString& statement, bool& translateIsNull, bool sqlServer);

// The form every caller uses: the ISNULL flag False.
inline QString TranslateSQL(const QString& statement, bool sqlServer) {
    bool translateIsNull = false;
    return TranslateSQL(statement, translateIsNull, sqlServer);
}

// A date literal of the file-database dialect, "#mm/dd/yy#" (month first whatever the
// regional settings); TranslateSQL turns it into SQL Server's form.
QString JetDateLiteral(const QDate& date);

// The same with the year in full, "#mm/dd/yyyy#", for dates that may lie outside the
// two-digit window (a date of birth before 1930, the last repayment of a long loan).
QString JetFullDateLiteral(const QDate& date);

// Replaces each #mm/dd/yy# or #mm/dd/yyyy# outside quoted literals by
// CONVERT(DATETIME, 'yyyy-mm-dd 00:00:00', 102). Pairs of "#" around anything that is
// not such a date (or not a real calendar date) are left as they are.
QString SQLDate(const QString& statement);

// With flag True rewrites ISNULL(a, b) into IIF(ISNULL(a),b, a); with False returns the
// statement unchanged. Raises VeltError kBadIsNullError for a badly formed ISNULL.
QString SQLISNULL(const QString& statement, bool& flag);

// Every occurrence of find replaced by replacement, left to right, without rescanning
// replaced text. An empty find leaves the text unchanged.
QString SubstituteText(const QString& text, CompareMode mode, const QString& find,
                       const QString& replacement);

// Non-overlapping occurrences of substring in text; 0 for an empty text or substring.
int32_t CountOccurrences(const QString& text, const QString& substring, CompareMode mode);

}  // namespace autovelt::common
