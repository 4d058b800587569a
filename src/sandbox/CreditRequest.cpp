#include "sandbox/CreditRequest.h"

#include "sandbox/RequestXml.h"

#include <QTextStream>

namespace autovelt::sandbox {

namespace {

const QString kEnvelopeNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");

void fault(CreditRequest& r, const QString& text) {
    r.faultCode = QStringLiteral("soap:Client");
    r.problem = text;
}

// The action may come quoted, as SOAP 1.1 clients usually send it.
QString unquoted(const QByteArray& header) {
    QString text = QString::fromUtf8(header).trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) text = text.mid(1, text.size() - 2);
    return text;
}

bool checkNamespace(const QDomElement& e, const QString& ns, CreditRequest& r) {
    if (e.namespaceURI() == ns) return true;
    fault(r, QStringLiteral("The element %1 is in the namespace \"%2\"; this service expects \"%3\"").arg(e.localName(), e.namespaceURI(), ns));
    return false;
}

bool readHeaders(const QDomElement& envelope, const QString& ns, CreditRequest& r) {
    QString missing;
    const QDomElement headers = followPath(envelope, QStringLiteral("Envelope"), {QStringLiteral("Header"), QStringLiteral("callcreditheaders")}, missing);
    if (headers.isNull()) {
        fault(r, QStringLiteral("Logon failed: the element %1 is missing").arg(missing));
        return false;
    }
    if (!checkNamespace(headers, ns, r)) return false;
    if (const QString item = missingCredential(headers); !item.isEmpty()) {
        fault(r, QStringLiteral("Logon failed: the %1 in the callcreditheaders is missing or empty").arg(item));
        return false;
    }
    return true;
}

bool readApplicant(const QDomElement& request, CreditRequest& r) {
    QString missing;
    const QDomElement applicant = followPath(request, QStringLiteral("creditrequest"), {QStringLiteral("applicant")}, missing);
    if (applicant.isNull()) {
        fault(r, QStringLiteral("The element %1 is missing").arg(missing));
        return false;
    }
    const QDomElement address = childNamed(applicant, QStringLiteral("address"));
    if (address.isNull()) {
        fault(r, QStringLiteral("The element creditrequest/applicant/address is missing: at least the current address is needed"));
        return false;
    }
    r.postcode = childText(address, QStringLiteral("postcode"));
    const QDomElement name = followPath(applicant, QStringLiteral("creditrequest/applicant"), {QStringLiteral("name")}, missing);
    if (name.isNull() || childNamed(name, QStringLiteral("surname")).isNull()) {
        fault(r, QStringLiteral("The element %1 is missing")
                     .arg(name.isNull() ? missing : QStringLiteral("creditrequest/applicant/name/surname")));
        return false;
    }
    r.surname = childText(name, QStringLiteral("surname"));
    if (r.surname.isEmpty()) {
        fault(r, QStringLiteral("The applicant's surname is empty"));
        return false;
    }
    r.title = childText(name, QStringLiteral("title"));
    r.forename = childText(name, QStringLiteral("forename"));
    if (childNamed(applicant, QStringLiteral("dob")).isNull()) {
        fault(r, QStringLiteral("The element creditrequest/applicant/dob is missing"));
        return false;
    }
    r.dateOfBirth = childText(applicant, QStringLiteral("dob"));
    return true;
}

bool readSearch(const QDomElement& envelope, const QString& ns, CreditRequest& r) {
    QString missing;
    const QDomElement search = followPath(envelope, QStringLiteral("Envelope"), {QStringLiteral("Body"), QStringLiteral("Search07a")}, missing);
    if (search.isNull()) {
        fault(r, QStringLiteral("The element %1 is missing").arg(missing));
        return false;
    }
    if (!checkNamespace(search, ns, r)) return false;
    const QDomElement definition = childNamed(search, QStringLiteral("SearchDefinition"));
    const QDomElement request = childNamed(definition, QStringLiteral("creditrequest"));
    if (request.isNull()) {
        fault(r, QStringLiteral("The element Search07a/SearchDefinition/creditrequest is missing"));
        return false;
    }
    r.reference = childText(definition, QStringLiteral("yourreference"));
    for (const QString& item : {QStringLiteral("purpose"), QStringLiteral("balorlim"), QStringLiteral("term")}) {
        if (childNamed(request, item).isNull()) {
            fault(r, QStringLiteral("The element creditrequest/%1 is missing").arg(item));
            return false;
        }
    }
    if (!readApplicant(request, r)) return false;
    return true;
}

// The creditrequest element as sent, without the namespace declarations a namespace-aware
// writer would repeat on every element.
QString echoOf(const QByteArray& body) {
    QDomDocument plain;
    if (!plain.setContent(body, false)) return {};
    QString echo;
    QTextStream stream(&echo);
    plain.elementsByTagName(QStringLiteral("creditrequest")).item(0).save(stream, -1);
    return echo;
}

}  // namespace

CreditRequest readCreditRequest(const QString& ns, const QByteArray& soapAction, const QByteArray& contentType,
                                const QByteArray& body) {
    CreditRequest r;
    if (!isXmlUtf8(contentType)) {
        fault(r, QStringLiteral("The Content-Type must be text/xml; charset=utf-8, not \"%1\"").arg(QString::fromLatin1(contentType)));
        return r;
    }
    const QString expectedAction = ns + QStringLiteral("/Search07a");
    if (unquoted(soapAction) != expectedAction) {
        fault(r, QStringLiteral("The SOAPAction header \"%1\" names no operation of this service; expected \"%2\"")
                     .arg(QString::fromUtf8(soapAction), expectedAction));
        return r;
    }
    QDomDocument document;
    QString problem;
    if (!parseRequest(body, true, document, problem)) {
        fault(r, QStringLiteral("The request could not be read: ") + problem);
        return r;
    }
    const QDomElement envelope = document.documentElement();
    if (envelope.localName() != QLatin1String("Envelope") || envelope.namespaceURI() != kEnvelopeNs) {
        fault(r, QStringLiteral("The request is not a SOAP 1.1 envelope"));
        return r;
    }
    if (readHeaders(envelope, ns, r) && readSearch(envelope, ns, r)) r.requestEcho = echoOf(body);
    return r;
}

}  // namespace autovelt::sandbox
