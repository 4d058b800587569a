#pragma once

// Turns one online application row (table_w, read by position: position n holds field_n)
// into the application state every later step reads: decoded, cleaned and trimmed values.
// Nothing here trusts the row: values are only decoded, cut and cleaned.

#include "import/Refusal.h"
#include "common/VeltError.h"
#include "state/Application.h"

#include <QString>
#include <optional>

namespace autovelt::inline platform::db { class Recordset; }
namespace autovelt::inline state { class CycleContext; }

namespace autovelt::inline import {

// Positions of table_w's imported flag and date (field_107, field_108).
constexpr int kImportedFlagColumn = 107;
constexpr int kImportedDateColumn = 108;

// The application's identity: "<field_id>-<fingerprint of the row as the website wrote it>".
QString ApplicationIdentityKey(const db::Recordset& row);

// The website row an application key names (its field_id).
QString FieldIdOfApplicationKey(const QString& applicationKey);

// " (table_w field_id=<key>)", appended to every problem line about the application.
QString MessageSuffixFor(const QString& fieldId);

// The National Insurance number as the member tables hold it: upper case without blanks,
// dashes, underscores or slashes; anything but nine characters, or all digits, is dropped.
QString CleanNINumber(const QString& value);

// A forename or surname: at most 50 characters, trimmed, the apostrophe after an "O" (the
// typographic one as it arrives from UTF-8, or an escaped one) closed up, and the
// characters \ / # ' removed.
QString CleanPersonName(const QString& value);

// An application read from its row, and the first value that could not be decoded (a
// member number or upload key), if any: the rest is still read, so the application can
// be reported and marked in full.
struct ApplicationRead {
    Application application;
    std::optional<VeltError> unreadable;
};

// Reads the current row of the open table_w recordset.
ApplicationRead ReadApplicationRow(const CycleContext& cycle, const db::Recordset& row);

// The two refusals of an application that cannot be matched at all (no usable date of
// birth, no surname); nothing when it can be.
std::optional<Refusal> IncompleteApplicationRefusal(const Application& app);

}  // namespace autovelt::import
