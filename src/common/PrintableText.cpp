#include "common/PrintableText.h"

#include <QList>
#include <QStringView>
#include <algorithm>

namespace autovelt::inline common {

namespace {

// Control characters break a line; format characters (bidirectional embeddings, overrides
// and isolates, the marks, zero-width joiners) reorder or hide what staff read. Both are
// flattened. Format characters beyond the first plane arrive as surrogate pairs, so the
// text is read by code point.
bool isUnprintable(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph: return true;
    default: return false;
    }
}

bool holdsUnprintable(const QString& line) {
    for (const char32_t c : QStringView(line).toUcs4())
        if (isUnprintable(c)) return true;
    return false;
}

}  // namespace

QString FlattenControlCharacters(const QString& line) {
    // Most lines hold nothing to flatten; only surrogates and the format and control ranges need a closer look.
    const bool plain = std::none_of(line.cbegin(), line.cend(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0xAD) || c.unicode() >= 0x0600;
    });
    if (plain || !holdsUnprintable(line)) return line;
    QString flat;
    flat.reserve(line.size());
    bool inRun = false;
    for (const char32_t c : QStringView(line).toUcs4()) {
        const bool unprintable = isUnprintable(c);
        if (!unprintable) flat += QString::fromUcs4(&c, 1);
        else if (!inRun) flat += QLatin1Char(' ');
        inRun = unprintable;
    }
    return flat;
}

QString withoutSecret(QString text, const QString& secret) {
    if (!secret.isEmpty()) text.replace(secret, QStringLiteral("********"));
    return text;
}

}  // namespace autovelt::common
