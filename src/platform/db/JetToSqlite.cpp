#include "platform/db/JetToSqlite.h"

#include "common/Values.h"
#include "platform/db/StoredValues.h"

#include <QRegularExpression>

namespace autovelt::db {

namespace {

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// Index just past a quoted literal that starts at `start` (doubled quotes stay inside).
qsizetype skipQuoted(const QString& s, qsizetype start, QChar quote) {
    qsizetype i = start + 1;
    while (i < s.size()) {
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote) { i += 2; continue; }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

qsizetype skipBracketName(const QString& s, qsizetype start) {
    const qsizetype close = s.indexOf(QLatin1Char(']'), start);
    return close < 0 ? s.size() : close + 1;
}

// Splits the argument list of a call whose "(" is at `open`; returns the index just past
// the matching ")" or -1 when it is missing.
qsizetype splitArguments(const QString& s, qsizetype open, QStringList& args) {
    int depth = 0;
    qsizetype argStart = open + 1;
    for (qsizetype i = open + 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) { i = skipQuoted(s, i, c) - 1; continue; }
        if (c == QLatin1Char('[')) { i = skipBracketName(s, i) - 1; continue; }
        if (c == QLatin1Char('(')) ++depth;
        else if (c == QLatin1Char(')')) {
            if (depth == 0) { args << s.mid(argStart, i - argStart); return i + 1; }
            --depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            args << s.mid(argStart, i - argStart);
            argStart = i + 1;
        }
    }
    return -1;
}

QString unquote(const QString& literal) {
    QString t = literal.trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('\'') && t.back() == QLatin1Char('\''))
        return t.mid(1, t.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    return {};
}

QString translate(const QString& s);

// CONVERT(DATETIME, 'yyyy-mm-dd hh:mm:ss', 102) -> stored date text.
bool translateConvert(const QString& s, qsizetype open, QString& out, qsizetype& next) {
    QStringList args;
    const qsizetype end = splitArguments(s, open, args);
    if (end < 0 || args.size() < 2 || args[0].trimmed().compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) != 0)
        return false;
    const QString text = unquote(args[1]);
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid()) dt = QDateTime(QDate::fromString(text, QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    if (!dt.isValid()) return false;
    out += QLatin1Char('\'') + storedDateText(dt) + QLatin1Char('\'');
    next = end;
    return true;
}

bool translateIsNull(const QString& s, qsizetype open, QString& out, qsizetype& next) {
    QStringList args;
    const qsizetype end = splitArguments(s, open, args);
    if (end < 0) return false;
    if (args.size() == 1) out += QLatin1String("((") + translate(args[0]) + QLatin1String(") IS NULL)");
    else if (args.size() == 2) out += QLatin1String("IFNULL(") + translate(args[0]) + QLatin1Char(',') + translate(args[1]) + QLatin1Char(')');
    else return false;
    next = end;
    return true;
}

// Handles one word at `i`; returns the index after what it consumed.
qsizetype translateWord(const QString& s, qsizetype i, QString& out) {
    qsizetype end = i;
    while (end < s.size() && isWordChar(s[end])) ++end;
    const QString word = s.mid(i, end - i);
    const QString upper = word.toUpper();
    if (upper == QLatin1String("TRUE")) { out += QLatin1Char('1'); return end; }
    if (upper == QLatin1String("FALSE")) { out += QLatin1Char('0'); return end; }
    qsizetype open = end;
    while (open < s.size() && s[open] == QLatin1Char(' ')) ++open;
    if (open < s.size() && s[open] == QLatin1Char('(')) {
        qsizetype next = 0;
        if (upper == QLatin1String("CONVERT") && translateConvert(s, open, out, next)) return next;
        if (upper == QLatin1String("ISNULL") && translateIsNull(s, open, out, next)) return next;
    }
    out += word;
    return end;
}

QString translate(const QString& s) {
    QString out;
    out.reserve(s.size() + 16);
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = skipQuoted(s, i, c);
            out += s.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = skipBracketName(s, i);
            out += s.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = s.indexOf(QLatin1Char('#'), i + 1);
            const QString stored = close < 0 ? QString() : storedDateFromJetLiteral(s.mid(i + 1, close - i - 1));
            if (stored.isEmpty()) { out += c; ++i; continue; }
            out += QLatin1Char('\'') + stored + QLatin1Char('\'');
            i = close + 1;
        } else if (isWordChar(c) && (i == 0 || !isWordChar(s[i - 1]))) {
            i = translateWord(s, i, out);
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace

QString storedDateFromJetLiteral(const QString& content) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
    const auto m = pattern.match(content);
    if (!m.hasMatch()) return {};
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2) year = expandTwoDigitYear(year);
    const QDate date(year, m.captured(1).toInt(), m.captured(2).toInt());
    if (!date.isValid()) return {};
    QTime time(0, 0);
    if (!m.captured(4).isEmpty())
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!time.isValid()) return {};
    return storedDateText(QDateTime(date, time));
}

QString translateJetToSqlite(const QString& statement) {
    QString s = statement;
    static const QRegularExpression deleteStar(QStringLiteral("^(\\s*DELETE)\\s*\\*\\s*"),
                                               QRegularExpression::CaseInsensitiveOption);
    s.replace(deleteStar, QStringLiteral("\\1 "));
    return translate(s);
}

}  // namespace autovelt::db
