#include "common/PrintableText.h"

#include <algorithm>

namespace autovelt {

namespace {

bool breaksTheLine(QChar c) {
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph: return true;
    default: return false;
    }
}

}  // namespace

QString FlattenControlCharacters(const QString& line) {
    if (std::none_of(line.cbegin(), line.cend(), breaksTheLine)) return line;
    QString flat;
    flat.reserve(line.size());
    bool inRun = false;
    for (const QChar c : line) {
        const bool control = breaksTheLine(c);
        if (!control) flat += c;
        else if (!inRun) flat += QLatin1Char(' ');
        inRun = control;
    }
    return flat;
}

QString withoutSecret(QString text, const QString& secret) {
    if (!secret.isEmpty()) text.replace(secret, QStringLiteral("********"));
    return text;
}

}  // namespace autovelt
