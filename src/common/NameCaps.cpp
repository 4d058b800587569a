#include "common/NameCaps.h"

#include <QStringList>

namespace autovelt::inline common {

namespace {

bool isLowerAscii(QChar c) { return c >= u'a' && c <= u'z'; }
bool isUpperAscii(QChar c) { return c >= u'A' && c <= u'Z'; }

// Only ASCII letters change: an accented letter is kept exactly as the applicant typed it.
QString capitaliseWord(QString word) {
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (i == 0 && isLowerAscii(word[i])) word[i] = QChar(word[i].unicode() - 32);
        else if (i > 0 && isUpperAscii(word[i])) word[i] = QChar(word[i].unicode() + 32);
    }
    return word;
}

void applyInnerCapitals(QString& word) {
    CapsUnusualCases(word, QStringLiteral("/"), 0, 0, CompareMode::Binary);
    CapsUnusualCases(word, QStringLiteral("\\"), 0, 0, CompareMode::Binary);
    CapsUnusualCases(word, QStringLiteral("'"), 1, 0, CompareMode::Binary);
    CapsUnusualCases(word, QStringLiteral("mc"), 0, 1, CompareMode::Text);
    CapsUnusualCases(word, QStringLiteral("mac"), 0, 1, CompareMode::Text);
}

}  // namespace

QString CollapseSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') ++first;
    while (last > first && text[last - 1] == u' ') --last;
    QString out;
    out.reserve(last - first);
    for (qsizetype i = first; i < last; ++i) {
        if (text[i] == u' ' && !out.isEmpty() && out.back() == u' ') continue;
        out += text[i];
    }
    return out;
}

void CapsUnusualCases(QString& word, const QString& pattern, int endOffset, int onlyPosition, CompareMode mode) {
    if (pattern.isEmpty()) return;
    for (qsizetype at = word.indexOf(pattern, 0, caseSensitivity(mode)); at >= 0;
         at = word.indexOf(pattern, at + 1, caseSensitivity(mode))) {
        const qsizetype position = at + 1;  // counted from 1
        if (position == word.size() - endOffset) continue;
        if (onlyPosition != 0 && position != onlyPosition) return;
        const qsizetype next = at + pattern.size();
        if (next < word.size() && isLowerAscii(word[next])) word[next] = QChar(word[next].unicode() - 32);
    }
}

QString ProperCase(const QString& text) {
    static const QString separators = QStringLiteral(" \t\n\v\f\r") + QChar(0);
    QString out = text;
    bool wordStart = true;
    for (QChar& c : out) {
        c = wordStart ? c.toUpper() : c.toLower();
        wordStart = separators.contains(c);
    }
    return out;
}

QString FirstLettersCaps(QString& text) {
    if (text.toUpper() == QLatin1String("N/A")) return QString();
    text = CollapseSpaces(text);
    QStringList words = text.split(u' ');
    for (QString& word : words) {
        word = capitaliseWord(word);
        applyInnerCapitals(word);
    }
    return CollapseSpaces(words.join(u' '));
}

}  // namespace autovelt::common
