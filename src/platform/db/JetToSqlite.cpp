#include "platform/db/JetToSqlite.h"

#include "common/Values.h"
#include "platform/db/StoredValues.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>

namespace autovelt::inline platform::db {

namespace {

inline bool isWordChar(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
    return c.isLetterOrNumber();
}

// Index just past a quoted literal that starts at `start` (doubled quotes stay inside).
qsizetype skipQuoted(const QString& s, qsizetype start, QChar quote) {
    qsizetype i = start + 1;
    while ((i = s.indexOf(quote, i)) >= 0) {
        if (i + 1 < s.size() && s[i + 1] == quote) { i += 2; continue; }
        return i + 1;
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

bool expect(QStringView t, qsizetype& at, QChar c) {
    if (at >= t.size() || t[at] != c) return false;
    ++at;
    return true;
}

// "yyyy-mm-dd hh:mm:ss" or "yyyy-mm-dd" in ASCII digits, a valid date and time, as stored
// text; empty for anything else, which the general reading takes.
QString storedDateFromStamp(QStringView t) {
    qsizetype at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readAsciiDigits(t, at, 4, 4, year) || !expect(t, at, u'-') || !readAsciiDigits(t, at, 2, 2, month) ||
        !expect(t, at, u'-') || !readAsciiDigits(t, at, 2, 2, day))
        return {};
    if (at < t.size() && (!expect(t, at, u' ') || !readAsciiDigits(t, at, 2, 2, hour) || !expect(t, at, u':') ||
                          !readAsciiDigits(t, at, 2, 2, minute) || !expect(t, at, u':') ||
                          !readAsciiDigits(t, at, 2, 2, second)))
        return {};
    if (at != t.size()) return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid()) return {};
    return storedDateText(date, time);
}

// CONVERT(DATETIME, 'yyyy-mm-dd hh:mm:ss', 102) -> stored date text.
bool translateConvert(const QString& s, qsizetype open, QString& out, qsizetype& next) {
    QStringList args;
    const qsizetype end = splitArguments(s, open, args);
    if (end < 0 || args.size() < 2 || args[0].trimmed().compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) != 0)
        return false;
    const QString text = unquote(args[1]);
    QString stored = storedDateFromStamp(text);
    if (stored.isEmpty()) {
        QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid()) dt = QDateTime(QDate::fromString(text, QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
        if (!dt.isValid()) return false;
        stored = storedDateText(dt);
    }
    out += QLatin1Char('\'') + stored + QLatin1Char('\'');
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

bool isWord(QStringView word, QLatin1String name) { return word.compare(name, Qt::CaseInsensitive) == 0; }

inline bool isWordStart(const QString& s, qsizetype i) { return isWordChar(s[i]) && (i == 0 || !isWordChar(s[i - 1])); }

inline qsizetype wordEnd(const QString& s, qsizetype i) {
    while (i < s.size() && isWordChar(s[i])) ++i;
    return i;
}

// Whether the word s[start, end) is one the translation may rewrite: a Jet boolean, or a
// CONVERT or ISNULL call.
bool isRewrittenWord(const QString& s, qsizetype start, qsizetype end) {
    // Most words are column and table names: their length or first letter rules them out.
    if (end - start < 4 || end - start > 7) return false;
    const QStringView word = QStringView(s).mid(start, end - start);
    const char16_t first = word.front().unicode() & ~char16_t(0x20);  // upper case, for the letters that matter
    if (first != u'T' && first != u'F' && first != u'C' && first != u'I') return false;
    if (isWord(word, QLatin1String("TRUE")) || isWord(word, QLatin1String("FALSE"))) return true;
    if (!isWord(word, QLatin1String("CONVERT")) && !isWord(word, QLatin1String("ISNULL"))) return false;
    qsizetype open = end;
    while (open < s.size() && s[open] == QLatin1Char(' ')) ++open;
    return open < s.size() && s[open] == QLatin1Char('(');
}

bool startsLiteralOrName(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('#');
}

// The end of the text from `i` that is copied as it is: up to the next quoted literal,
// bracketed name, date or word to rewrite.
qsizetype plainRunEnd(const QString& s, qsizetype i) {
    while (i < s.size() && !startsLiteralOrName(s[i])) {
        if (!isWordStart(s, i)) {
            ++i;
            continue;
        }
        const qsizetype end = wordEnd(s, i);
        if (isRewrittenWord(s, i, end)) break;
        i = end;
    }
    return i;
}

// Rewrites the word s[i, end) that isRewrittenWord chose; returns the index after what it
// consumed.
qsizetype translateWord(const QString& s, qsizetype i, qsizetype end, QString& out) {
    const QStringView word = QStringView(s).mid(i, end - i);
    if (isWord(word, QLatin1String("TRUE"))) { out += QLatin1Char('1'); return end; }
    if (isWord(word, QLatin1String("FALSE"))) { out += QLatin1Char('0'); return end; }
    qsizetype open = end;
    while (open < s.size() && s[open] == QLatin1Char(' ')) ++open;
    if (open < s.size() && s[open] == QLatin1Char('(')) {
        qsizetype next = 0;
        if (isWord(word, QLatin1String("CONVERT")) && translateConvert(s, open, out, next)) return next;
        if (isWord(word, QLatin1String("ISNULL")) && translateIsNull(s, open, out, next)) return next;
    }
    out += word;
    return end;
}

// Every statement passes through here. What needs no rewriting is copied in runs, up to
// each rewrite; a statement with nothing to rewrite, the usual case, is returned as it is.
QString translate(const QString& s) {
    QString out;
    qsizetype kept = 0;  // s[kept, i) is still to be copied as it is
    const auto copyKept = [&](qsizetype upTo) {
        if (out.isEmpty()) out.reserve(s.size() + 16);
        out += QStringView(s).mid(kept, upTo - kept);
    };
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            i = skipQuoted(s, i, c);
        } else if (c == QLatin1Char('[')) {
            i = skipBracketName(s, i);
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = s.indexOf(QLatin1Char('#'), i + 1);
            const QString stored = close < 0 ? QString() : storedDateFromJetLiteral(s.mid(i + 1, close - i - 1));
            if (stored.isEmpty()) { ++i; continue; }
            copyKept(i);
            out += QLatin1Char('\'') + stored + QLatin1Char('\'');
            kept = i = close + 1;
        } else if (const qsizetype wordStop = isWordStart(s, i) ? wordEnd(s, i) : i; wordStop > i && isRewrittenWord(s, i, wordStop)) {
            copyKept(i);
            kept = i = translateWord(s, i, wordStop, out);
        } else {
            i = plainRunEnd(s, i);
        }
    }
    if (kept == 0) return s;
    copyKept(s.size());
    return out;
}

}  // namespace

namespace {

// The numbers of a date literal: month, day, year (as written), and hour, minute, second.
struct JetDateParts {
    int month = 0, day = 0, year = 0, yearDigits = 0;
    std::optional<std::array<int, 3>> time;
};

bool isAsciiSpace(QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// "m/d/yy" or "m/d/yyyy", then perhaps " h:mm" or " h:mm:ss", blanks around, in ASCII: a
// digit or blank of another script makes no date.
std::optional<JetDateParts> readJetDate(QStringView t) {
    if (!isAscii(t)) return std::nullopt;
    JetDateParts p;
    qsizetype at = 0;
    while (at < t.size() && isAsciiSpace(t[at])) ++at;
    if (!readAsciiDigits(t, at, 1, 2, p.month) || !expect(t, at, u'/') || !readAsciiDigits(t, at, 1, 2, p.day) ||
        !expect(t, at, u'/'))
        return std::nullopt;
    readAsciiDigits(t, at, 2, 4, p.year, &p.yearDigits);
    if (p.yearDigits != 2 && p.yearDigits != 4) return std::nullopt;
    const qsizetype blanks = at;
    while (at < t.size() && isAsciiSpace(t[at])) ++at;
    if (at < t.size() && at > blanks) {
        std::array<int, 3> hms{0, 0, 0};
        if (!readAsciiDigits(t, at, 1, 2, hms[0]) || !expect(t, at, u':') || !readAsciiDigits(t, at, 2, 2, hms[1]))
            return std::nullopt;
        if (at < t.size() && t[at] == u':') {
            ++at;
            if (!readAsciiDigits(t, at, 2, 2, hms[2])) return std::nullopt;
        }
        p.time = hms;
        while (at < t.size() && isAsciiSpace(t[at])) ++at;
    }
    if (at != t.size()) return std::nullopt;
    return p;
}

}  // namespace

QString storedDateFromJetLiteral(const QString& content) {
    const std::optional<JetDateParts> p = readJetDate(content);
    if (!p) return {};
    const int year = p->yearDigits == 2 ? expandTwoDigitYear(p->year) : p->year;
    const QDate date(year, p->month, p->day);
    if (!date.isValid()) return {};
    const QTime time = p->time ? QTime((*p->time)[0], (*p->time)[1], (*p->time)[2]) : QTime(0, 0);
    if (!time.isValid()) return {};
    return storedDateText(date, time);
}

QString translateJetToSqlite(const QString& statement) {
    // "DELETE * FROM" is Jet's own; only a statement that starts with DELETE can hold it.
    if (!QStringView(statement).trimmed().startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive)) return translate(statement);
    QString s = statement;
    static const QRegularExpression deleteStar(QStringLiteral("^(\\s*DELETE)\\s*\\*\\s*"),
                                               QRegularExpression::CaseInsensitiveOption);
    s.replace(deleteStar, QStringLiteral("\\1 "));
    return translate(s);
}

}  // namespace autovelt::platform::db
