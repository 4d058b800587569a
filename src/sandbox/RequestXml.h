#pragma once

// Reading the XML of a request the way both services need it: the content type the agency
// accepts, the document, and elements found by a path of names with the first missing
// step named, so that a refusal can say exactly what is wrong.

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QStringList>

namespace autovelt::sandbox {

// True for "text/xml; charset=utf-8", in any case and spacing.
bool isXmlUtf8(const QByteArray& contentType);

// Parses the body; on failure `problem` says why and where.
bool parseRequest(const QByteArray& body, bool namespaces, QDomDocument& document, QString& problem);

// The first child element whose local name (or, without namespaces, tag name) is `name`.
QDomElement childNamed(const QDomElement& parent, const QString& name);
// The same with any of several spellings.
QDomElement childNamedAny(const QDomElement& parent, const QStringList& names);

// Follows the names from `start`. On a missing step returns a null element and sets
// `missing` to "a/b/c" (the path up to and including the missing name).
QDomElement followPath(const QDomElement& start, const QString& startName, const QStringList& names, QString& missing);

// The trimmed text of a child, empty when it is missing.
QString childText(const QDomElement& parent, const QString& name);

// The login both services demand: the first of company, username and password that is
// missing or empty under `parent`, or an empty text when all three are given.
QString missingCredential(const QDomElement& parent);

}  // namespace autovelt::sandbox
