#pragma once

#include <QString>
#include <QVariant>

namespace autovelt {

// A text column's value as the member rows take it: an empty text is stored as an empty
// text, never as Null (a text that was never set reads as Null in the database layer).
inline QVariant storedText(const QString& text) {
    return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
}

}  // namespace autovelt
