// TranslateSQL never rejects a statement and never touches a quoted text value; SQLISNULL
// either rewrites or raises its one documented error.

#include "FuzzInput.h"
#include "common/SqlDialect.h"
#include "common/VeltError.h"

#include <QRegularExpression>
#include <QStringList>

using namespace autovelt;

namespace {

// The quoted literals of a statement, scanned independently of the code under test.
QStringList literalsOf(const QString& s) {
    QStringList literals;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\'') continue;
        qsizetype j = i + 1;
        while (j < s.size() && !(s[j] == u'\'' && (j + 1 >= s.size() || s[j + 1] != u'\''))) {
            j += (s[j] == u'\'') ? 2 : 1;
        }
        literals.append(s.mid(i, j + 1 - i));
        i = j;
    }
    return literals;
}

// Every literal of the input is in the output, in order; the only new ones are the
// date texts of converted date literals.
void requireLiteralsKept(const QString& in, const QString& out) {
    static const QRegularExpression dateText(QStringLiteral("^'\\d{4}-\\d{2}-\\d{2} 00:00:00'$"));
    const QStringList before = literalsOf(in);
    qsizetype matched = 0;
    for (const QString& literal : literalsOf(out)) {
        if (matched < before.size() && literal == before[matched]) ++matched;
        else fuzz::require(dateText.match(literal).hasMatch(), "no new literal but a converted date");
    }
    fuzz::require(matched == before.size(), "every quoted literal kept");
}

void translateForSqlServer(const QString& statement) {
    bool flag = false;
    const QString out = TranslateSQL(statement, flag, true);
    requireLiteralsKept(statement, out);
}

void translateForJet(const QString& statement) {
    bool flag = false;
    fuzz::require(TranslateSQL(statement, flag, false) == statement, "Jet statements pass unchanged");
}

void rewriteIsNull(const QString& statement) {
    bool flag = true;
    try {
        TranslateSQL(statement, flag, true);
    } catch (const VeltError& e) {
        fuzz::require(e.number() == kBadIsNullError, "only the badly formed ISNULL error");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString statement = fuzz::textFrom(data, size);
    translateForSqlServer(statement);
    translateForJet(statement);
    rewriteIsNull(statement);
    SQLDate(statement);
    CountOccurrences(statement, QStringLiteral("'"), CompareMode::Text);
    return 0;
}
