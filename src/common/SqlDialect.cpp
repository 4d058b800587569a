#include "common/SqlDialect.h"

#include "common/Values.h"
#include "common/VeltError.h"

#include <QDate>
#include <QList>
#include <optional>

namespace autovelt::inline common {

namespace {

// ---- Quoted literals -----------------------------------------------------------------

// A piece of a statement: either a whole quoted literal (quotes included) or the text
// between literals. Only the latter is ever rewritten: a value typed by an applicant
// ("Truelove", "No #5") must reach the database exactly as typed.
struct Piece {
    QString text;
    bool literal = false;
};

qsizetype literalEnd(const QString& s, qsizetype open) {
    for (qsizetype i = open + 1; i < s.size(); ++i) {
        if (s[i] != u'\'') continue;
        if (i + 1 < s.size() && s[i + 1] == u'\'') { ++i; continue; }  // '' is a quote inside
        return i + 1;
    }
    return s.size();  // unterminated: the rest is the literal
}

QList<Piece> splitAtLiterals(const QString& s) {
    QList<Piece> pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\'') continue;
        if (i > start) pieces.append(Piece{s.mid(start, i - start), false});
        const qsizetype end = literalEnd(s, i);
        pieces.append(Piece{s.mid(i, end - i), true});
        start = end;
        i = end - 1;
    }
    if (start < s.size()) pieces.append(Piece{s.mid(start), false});
    return pieces;
}

template <typename Rewrite>
QString rewriteOutsideLiterals(const QString& statement, Rewrite rewrite) {
    QString out;
    out.reserve(statement.size());
    for (const Piece& piece : splitAtLiterals(statement)) out += piece.literal ? piece.text : rewrite(piece.text);
    return out;
}

// ---- Date literals -------------------------------------------------------------------

bool isDigitAt(const QString& s, qsizetype i) {
    return s[i] >= u'0' && s[i] <= u'9';
}

// "mm/dd/yy" or "mm/dd/yyyy" naming a real calendar date.
std::optional<QDate> jetDate(const QString& candidate) {
    const qsizetype n = candidate.size();
    if (n != 8 && n != 10) return std::nullopt;
    for (qsizetype i = 0; i < n; ++i) {
        const bool ok = (i == 2 || i == 5) ? candidate[i] == u'/' : isDigitAt(candidate, i);
        if (!ok) return std::nullopt;
    }
    const int month = candidate.mid(0, 2).toInt();
    const int day = candidate.mid(3, 2).toInt();
    const int year = candidate.mid(6).toInt();
    const QDate date(n == 8 ? expandTwoDigitYear(year) : year, month, day);
    if (!date.isValid()) return std::nullopt;
    return date;
}

QString sqlServerDate(const QDate& date) {
    return QStringLiteral("CONVERT(DATETIME, '") + formatDate(date, QStringLiteral("yyyy-mm-dd")) +
           QStringLiteral(" 00:00:00', 102)");
}

QString convertDatePairs(const QString& text) {
    QString out;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype open = text.indexOf(u'#', pos);
        if (open < 0) break;
        const qsizetype close = text.indexOf(u'#', open + 1);
        if (close < 0) break;
        out += QStringView(text).sliced(pos, open - pos);
        const std::optional<QDate> date = jetDate(text.mid(open + 1, close - open - 1));
        if (date) out += sqlServerDate(*date);
        else out += QStringView(text).sliced(open, close - open + 1);
        pos = close + 1;
    }
    out += QStringView(text).sliced(pos);
    return out;
}

// ---- Booleans and DELETE -------------------------------------------------------------

QString sqlServerBooleans(const QString& text) {
    const QString ones = SubstituteText(text, CompareMode::Database, QStringLiteral("TRUE"), QStringLiteral("1"));
    return SubstituteText(ones, CompareMode::Database, QStringLiteral("FALSE"), QStringLiteral("0"));
}

bool startsWithDeleteStar(const QString& statement) {
    static const QLatin1String prefix("DELETE *");
    if (statement.size() < prefix.size()) return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        QChar c = statement[i];
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
        if (c != QLatin1Char(prefix[i])) return false;
    }
    return true;
}

QString withoutDeleteStar(const QString& statement) {
    if (!startsWithDeleteStar(statement)) return statement;
    return QStringLiteral("DELETE") + statement.mid(8);
}

// ---- ISNULL --------------------------------------------------------------------------

// Each nesting level repeats its first argument twice; past a few levels the statement
// is no statement the importer writes, and the output would grow without bound.
constexpr int kMaxIsNullNesting = 5;

VeltError badIsNull() {
    return VeltError(kBadIsNullError, QStringLiteral("modTarvonel.SQLISNULL"),
                     QStringLiteral("modTarvonel.SQLISNULL\rBadly formatted ISNULL statement. "
                                    "Should be of the form 'ISNULL(Field, 0)'"));
}

struct IsNullCall {
    qsizetype comma = -1;  // ends the first argument
    qsizetype close = -1;  // ends the second argument
};

IsNullCall findArguments(const QString& s, qsizetype from) {
    IsNullCall call;
    int depth = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (depth > 0) { --depth; continue; }
            if (call.comma < 0) throw badIsNull();
            call.close = i;
            return call;
        } else if (c == u',' && depth == 0 && call.comma < 0) {
            call.comma = i;
        }
    }
    throw badIsNull();
}

QString rewriteIsNull(const QString& s, int nesting) {
    static const QLatin1String opener("ISNULL(");
    QString out;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = s.indexOf(opener, pos, Qt::CaseInsensitive);
        if (at < 0) break;
        if (nesting >= kMaxIsNullNesting) throw badIsNull();
        out += QStringView(s).sliced(pos, at - pos);
        const qsizetype argsStart = at + opener.size();
        const IsNullCall call = findArguments(s, argsStart);
        const QString a = rewriteIsNull(s.mid(argsStart, call.comma - argsStart), nesting + 1);
        const QString b = s.mid(call.comma + 1, call.close - call.comma - 1);
        out += QStringLiteral("IIF(ISNULL(") + a + QStringLiteral("),") + b + QStringLiteral(", ") + a + u')';
        pos = call.close + 1;
    }
    out += QStringView(s).sliced(pos);
    return out;
}

}  // namespace

QString TranslateSQL(const QString& statement, bool& translateIsNull, bool sqlServer) {
    if (translateIsNull || !sqlServer) return SQLISNULL(statement, translateIsNull);
    const QString converted = rewriteOutsideLiterals(statement, [](const QString& text) {
        return sqlServerBooleans(convertDatePairs(text));
    });
    return withoutDeleteStar(converted);
}

QString SQLDate(const QString& statement) {
    return rewriteOutsideLiterals(statement, convertDatePairs);
}

QString SQLISNULL(const QString& statement, bool& flag) {
    if (!flag) return statement;
    return rewriteIsNull(statement, 0);
}

QString SubstituteText(const QString& text, CompareMode mode, const QString& find,
                       const QString& replacement) {
    if (find.isEmpty()) return text;
    QString out = text;
    return out.replace(find, replacement, caseSensitivity(mode));
}

int32_t CountOccurrences(const QString& text, const QString& substring, CompareMode mode) {
    if (text.isEmpty() || substring.isEmpty()) return 0;
    int32_t count = 0;
    for (qsizetype at = text.indexOf(substring, 0, caseSensitivity(mode)); at >= 0;
         at = text.indexOf(substring, at + substring.size(), caseSensitivity(mode))) {
        ++count;
    }
    return count;
}

QString JetDateLiteral(const QDate& date) {
    return QLatin1Char('#') + formatDate(date, QStringLiteral("mm/dd/yy")) + QLatin1Char('#');
}

QString JetFullDateLiteral(const QDate& date) {
    return QLatin1Char('#') + formatDate(date, QStringLiteral("mm/dd/yyyy")) + QLatin1Char('#');
}

}  // namespace autovelt::common
