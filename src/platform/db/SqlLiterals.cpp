#include "platform/db/SqlLiterals.h"

namespace autovelt::inline platform::db {

namespace {

inline bool isIdentifierChar(QChar c) {
    const char16_t u = c.unicode();
    return u > 0x7f || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_' ||
           u == u'$';
}

// The index just past a quoted part starting at `from` and closed by `close` (doubled: kept,
// and `doubled` set when given).
qsizetype endOfQuoted(const QString& s, qsizetype from, QChar close, bool* doubled = nullptr) {
    qsizetype i = from + 1;
    while ((i = s.indexOf(close, i)) >= 0) {
        if (close != u']' && i + 1 < s.size() && s[i + 1] == close) {
            if (doubled) *doubled = true;
            i += 2;
            continue;
        }
        return i + 1;
    }
    return -1;  // not closed: the engine reports it
}

bool liftable(const QString& s) {
    const QStringView text = QStringView(s).trimmed();
    qsizetype end = 0;
    while (end < text.size() && text[end].isLetter()) ++end;
    const QStringView first = text.left(end);
    for (const char* verb : {"SELECT", "INSERT", "UPDATE", "DELETE", "REPLACE"})
        if (first.compare(QLatin1String(verb), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

LiftedStatement liftLiterals(const QString& s) {
    const LiftedStatement whole{s, {}};
    if (!liftable(s)) return whole;
    LiftedStatement lifted;
    lifted.text.reserve(s.size());
    bool numbersNameColumns = false;  // after ORDER BY / GROUP BY
    // What is kept as written is copied in runs, up to the next literal taken out.
    qsizetype keptFrom = 0;
    const auto takeOut = [&](qsizetype from, qsizetype to, QVariant value) {
        lifted.text += QStringView(s).mid(keptFrom, from - keptFrom);
        lifted.text += u'?';
        lifted.values << std::move(value);
        keptFrom = to;
    };
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'\'') {
            bool doubled = false;
            const qsizetype end = endOfQuoted(s, i, u'\'', &doubled);
            if (end < 0) return whole;
            QString text = s.mid(i + 1, end - i - 2);
            if (doubled) text.replace(QStringLiteral("''"), QStringLiteral("'"));
            takeOut(i, end, QVariant(text));
            i = end;
        } else if (c == u'"' || c == u'[' || c == u'`') {
            const qsizetype end = endOfQuoted(s, i, c == u'[' ? QChar(u']') : c);
            if (end < 0) return whole;
            i = end;
        } else if (c == u'-' && i + 1 < s.size() && s[i + 1] == u'-') {
            return whole;  // comments are rare: the statement is kept as written
        } else if (c == u'/' && i + 1 < s.size() && s[i + 1] == u'*') {
            return whole;
        } else if (c == u'?' || c == u':' || c == u'@' || (c == u'$' && (i == 0 || !isIdentifierChar(s[i - 1])))) {
            return whole;  // parameters of its own
        } else if (isIdentifierChar(c) && !c.isDigit()) {
            qsizetype end = i;
            while (end < s.size() && isIdentifierChar(s[end])) ++end;
            // Only three words matter here; their lengths rule out nearly every other word.
            const QStringView word = QStringView(s).mid(i, end - i);
            if (word.size() == 1 && (c == u'X' || c == u'x') && end < s.size() && s[end] == u'\'')
                return whole;  // a blob literal
            if (word.size() == 5 && (word.compare(QLatin1String("ORDER"), Qt::CaseInsensitive) == 0 ||
                                     word.compare(QLatin1String("GROUP"), Qt::CaseInsensitive) == 0))
                numbersNameColumns = true;
            i = end;
        } else if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit())) {
            qsizetype end = i;
            bool real = false;
            while (end < s.size() && (s[end].isLetterOrNumber() || s[end] == u'.' ||
                                      ((s[end] == u'+' || s[end] == u'-') && (s[end - 1] == u'e' || s[end - 1] == u'E')))) {
                real = real || s[end] == u'.' || s[end] == u'e' || s[end] == u'E';
                ++end;
            }
            const QStringView number = QStringView(s).mid(i, end - i);
            bool ok = false;
            const QVariant value = real ? QVariant(number.toDouble(&ok)) : QVariant(number.toLongLong(&ok));
            // A column number, a hexadecimal or a too large number stays as written.
            if (!numbersNameColumns && ok) takeOut(i, end, value);
            i = end;
        } else {
            ++i;
        }
    }
    lifted.text += QStringView(s).mid(keptFrom);
    return lifted;
}

}  // namespace autovelt::platform::db
