#pragma once

#include <QString>

namespace autovelt::inline common {

// The one way a value enters an XML document the importer composes: as character data
// (or an attribute value) with the five markup characters written as references, so a
// name, an address or a password can never close an element or open a new one. Characters
// XML 1.0 cannot carry at all (most control characters, lone surrogates) are dropped.
inline QString xmlText(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        case u'\'': out += QLatin1String("&apos;"); break;
        default:
            if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') break;
            if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) break;
            if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
                out += c;
                out += value.at(++i);
                break;
            }
            if (c.isSurrogate()) break;
            out += c;
        }
    }
    return out;
}

}  // namespace autovelt::common
