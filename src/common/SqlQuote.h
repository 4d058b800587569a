#pragma once

#include <QString>

namespace autovelt {

// The one way a text value enters an SQL statement: as a quoted literal with every
// apostrophe doubled, so nothing a website user types can change a statement's shape.
// NUL characters are dropped (no engine stores them in text). MySQL connections are
// opened with NO_BACKSLASH_ESCAPES, so a backslash is an ordinary character everywhere.
inline QString sqlText(const QString& value) {
    QString body = value;
    body.remove(QChar(0));
    body.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + body + QLatin1Char('\'');
}

// The body of a quoted literal without its quotes, for statements whose text already
// supplies them (for example "WHERE NINumber='" + sqlTextBody(x) + "' ;").
inline QString sqlTextBody(const QString& value) {
    QString quoted = sqlText(value);
    return quoted.mid(1, quoted.size() - 2);
}

}  // namespace autovelt
