#include "common/BareFileName.h"

#include <QUrl>

namespace autovelt::inline common {

namespace {

bool isBareAsWritten(const QString& name) {
    if (name.isEmpty() || name.size() > kMaxBareFileNameLength) return false;
    if (name.contains(QLatin1String("..")) || name.startsWith(QLatin1Char('~'))) return false;
    for (const QChar c : name) {
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_NotAssigned:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
        if (QStringLiteral("/\\:*?").contains(c)) return false;
    }
    return true;
}

}  // namespace

bool IsBareFileName(const QString& name) {
    if (!isBareAsWritten(name)) return false;
    const QString decoded = QUrl::fromPercentEncoding(name.toUtf8());
    return decoded == name || isBareAsWritten(decoded);
}

}  // namespace autovelt::common
