#include "sandbox/RequestXml.h"

namespace autovelt::sandbox {

bool isXmlUtf8(const QByteArray& contentType) {
    QByteArray compact = contentType.toLower();
    compact.replace(' ', QByteArray());
    compact.replace('\t', QByteArray());
    return compact == "text/xml;charset=utf-8" || compact == "text/xml;charset=\"utf-8\"";
}

bool parseRequest(const QByteArray& body, bool namespaces, QDomDocument& document, QString& problem) {
    if (body.trimmed().isEmpty()) {
        problem = QStringLiteral("the request body is empty");
        return false;
    }
    QString error;
    int line = 0;
    int column = 0;
    if (document.setContent(body, namespaces, &error, &line, &column)) return true;
    problem = QStringLiteral("the request is not well-formed XML (%1 at line %2, column %3)").arg(error).arg(line).arg(column);
    return false;
}

QDomElement childNamed(const QDomElement& parent, const QString& name) {
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString local = e.localName().isEmpty() ? e.tagName() : e.localName();
        if (local == name) return e;
    }
    return {};
}

QDomElement childNamedAny(const QDomElement& parent, const QStringList& names) {
    for (const QString& name : names)
        if (QDomElement e = childNamed(parent, name); !e.isNull()) return e;
    return {};
}

QDomElement followPath(const QDomElement& start, const QString& startName, const QStringList& names, QString& missing) {
    QDomElement at = start;
    QString path = startName;
    for (const QString& name : names) {
        path += QLatin1Char('/') + name;
        at = childNamed(at, name);
        if (at.isNull()) {
            missing = path;
            return {};
        }
    }
    return at;
}

QString childText(const QDomElement& parent, const QString& name) { return childNamed(parent, name).text().trimmed(); }

QString missingCredential(const QDomElement& parent) {
    for (const QString& item : {QStringLiteral("company"), QStringLiteral("username"), QStringLiteral("password")})
        if (childText(parent, item).isEmpty()) return item;
    return {};
}

}  // namespace autovelt::sandbox
