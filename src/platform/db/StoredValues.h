#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace autovelt::inline platform::db {

// How the embedded engine stores the kinds of value the core banking columns declare.
enum class ColumnKind { Other, Boolean, Date, DateTime, Currency, Integer, Real, Text };

// The kind of a column from its declared type ("BOOLEAN", "DATE", "CURRENCY", "TEXT(50)"...).
ColumnKind columnKindFromDeclaredType(const QString& declaredType);

// Dates are stored as text: 'yyyy-mm-dd' at midnight, 'yyyy-mm-dd hh:mm:ss' otherwise.
QString storedDateText(const QDateTime& value);
// The same for a calendar date and a time of day, without a time zone.
QString storedDateText(const QDate& date, const QTime& time);

// Converts a value set by a caller into what the embedded engine stores for a column of
// the given kind: Booleans as 0/1 (accepting True/False, -1, "True", "False"), dates as
// stored text (accepting date values, ISO text and day-first text), currency as a number
// rounded to four decimals. An empty text for a date or number column stores Null.
QVariant toStoredValue(const QVariant& value, ColumnKind kind);

// Converts a stored value back to what callers read: Booleans as bool, dates as
// QDate (midnight) or QDateTime, everything else unchanged. Null stays Null.
QVariant fromStoredValue(const QVariant& stored, ColumnKind kind);

}  // namespace autovelt::platform::db
