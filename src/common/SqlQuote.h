#pragma once

#include <QString>
#include <QStringList>

namespace autovelt::inline common {

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

// Texts for an IN (...) list: each quoted as sqlText quotes it, separated by commas.
inline QString sqlTextList(const QStringList& values) {
    QStringList quoted;
    quoted.reserve(values.size());
    for (const QString& value : values) quoted << sqlText(value);
    return quoted.join(QLatin1Char(','));
}

// The body of a quoted literal without its quotes, for statements whose text already
// supplies them (for example "WHERE NINumber='" + sqlTextBody(x) + "' ;").
inline QString sqlTextBody(const QString& value) {
    QString quoted = sqlText(value);
    return quoted.mid(1, quoted.size() - 2);
}

// The escape character of LIKE patterns built from outside text. Not a backslash, which
// some engines also read as a string escape; the same ESCAPE clause is valid on the
// embedded engine, SQL Server and MySQL.
inline constexpr char16_t kLikeEscape = u'!';

// The body of a LIKE pattern that matches value literally: the wildcards "%" and "_",
// "[" (a character set on SQL Server) and the escape character itself are escaped, then
// the text is quoted as sqlTextBody quotes it. The statement must end the pattern with
// sqlLikeEscapeClause().
inline QString sqlLikeBody(const QString& value) {
    QString escaped;
    escaped.reserve(value.size() + 4);
    for (const QChar c : value) {
        if (c == kLikeEscape || c == u'%' || c == u'_' || c == u'[') escaped += QChar(kLikeEscape);
        escaped += c;
    }
    return sqlTextBody(escaped);
}

inline QString sqlLikeEscapeClause() { return QStringLiteral(" ESCAPE '") + QChar(kLikeEscape) + QLatin1Char('\''); }

// A complete LIKE operand matching every text that begins with prefix, e.g. for "J":
// 'J%' ESCAPE '!'
inline QString sqlLikeStartsWith(const QString& prefix) {
    return QLatin1Char('\'') + sqlLikeBody(prefix) + QStringLiteral("%'") + sqlLikeEscapeClause();
}

}  // namespace autovelt::common
