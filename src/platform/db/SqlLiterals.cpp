#include "platform/db/SqlLiterals.h"

namespace autovelt::db {

namespace {

bool isIdentifierChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() > 0x7f; }

// The index just past a quoted part starting at `from` and closed by `close` (doubled: kept).
qsizetype endOfQuoted(const QString& s, qsizetype from, QChar close) {
    qsizetype i = from + 1;
    while (i < s.size()) {
        if (s[i] == close) {
            if (close != u']' && i + 1 < s.size() && s[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return -1;  // not closed: the engine reports it
}

bool liftable(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace()) ++i;
    qsizetype end = i;
    while (end < s.size() && s[end].isLetter()) ++end;
    const QString first = s.mid(i, end - i).toUpper();
    return first == QLatin1String("SELECT") || first == QLatin1String("INSERT") || first == QLatin1String("UPDATE") ||
           first == QLatin1String("DELETE") || first == QLatin1String("REPLACE");
}

}  // namespace

LiftedStatement liftLiterals(const QString& s) {
    const LiftedStatement whole{s, {}};
    if (!liftable(s)) return whole;
    LiftedStatement lifted;
    lifted.text.reserve(s.size());
    bool numbersNameColumns = false;  // after ORDER BY / GROUP BY
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'\'') {
            const qsizetype end = endOfQuoted(s, i, u'\'');
            if (end < 0) return whole;
            QString text = s.mid(i + 1, end - i - 2);
            if (text.contains(QLatin1String("''"))) text.replace(QStringLiteral("''"), QStringLiteral("'"));
            lifted.values << QVariant(text);
            lifted.text += u'?';
            i = end;
        } else if (c == u'"' || c == u'[' || c == u'`') {
            const qsizetype end = endOfQuoted(s, i, c == u'[' ? QChar(u']') : c);
            if (end < 0) return whole;
            lifted.text += QStringView(s).mid(i, end - i);
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
            const QStringView word = QStringView(s).mid(i, end - i);
            if (word.compare(QLatin1String("X"), Qt::CaseInsensitive) == 0 && end < s.size() && s[end] == u'\'')
                return whole;  // a blob literal
            if (word.compare(QLatin1String("ORDER"), Qt::CaseInsensitive) == 0 ||
                word.compare(QLatin1String("GROUP"), Qt::CaseInsensitive) == 0)
                numbersNameColumns = true;
            lifted.text += word;
            i = end;
        } else if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit())) {
            qsizetype end = i;
            bool real = false;
            while (end < s.size() && (s[end].isLetterOrNumber() || s[end] == u'.' ||
                                      ((s[end] == u'+' || s[end] == u'-') && (s[end - 1] == u'e' || s[end - 1] == u'E')))) {
                real = real || s[end] == u'.' || s[end] == u'e' || s[end] == u'E';
                ++end;
            }
            const QString number = s.mid(i, end - i);
            bool ok = false;
            const QVariant value = real ? QVariant(number.toDouble(&ok)) : QVariant(number.toLongLong(&ok));
            if (numbersNameColumns || !ok) {
                lifted.text += number;  // a column number, a hexadecimal or a too large number
            } else {
                lifted.values << value;
                lifted.text += u'?';
            }
            i = end;
        } else {
            lifted.text += c;
            ++i;
        }
    }
    return lifted;
}

}  // namespace autovelt::db
