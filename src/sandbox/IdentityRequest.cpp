#include "sandbox/IdentityRequest.h"

#include "sandbox/RequestXml.h"

namespace autovelt::sandbox {

namespace {

const QString kRoot = QStringLiteral("callvalidate");

void refuse(IdentityRequest& r, const QString& module, const QString& text) {
    r.problemModule = module;
    r.problem = text;
}

// Company, user name and password must all be given; their values are never echoed.
bool readAuthentication(const QDomElement& root, IdentityRequest& r) {
    QString missing;
    const QDomElement auth = followPath(root, kRoot, {QStringLiteral("authentication")}, missing);
    if (auth.isNull()) {
        refuse(r, QStringLiteral("Authentication"), QStringLiteral("The element %1 is missing").arg(missing));
        return false;
    }
    if (const QString item = missingCredential(auth); !item.isEmpty()) {
        refuse(r, QStringLiteral("Authentication"),
               QStringLiteral("Login refused: the %1 in callvalidate/authentication is missing or empty").arg(item));
        return false;
    }
    return true;
}

bool readIndividual(const QDomElement& personal, IdentityRequest& r) {
    QString missing;
    const QDomElement individual = followPath(personal, QStringLiteral("Personalinformation"), {QStringLiteral("IndividualDetails")}, missing);
    if (individual.isNull()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The element %1 is missing").arg(missing));
        return false;
    }
    for (const QString& item : {QStringLiteral("Dateofbirth"), QStringLiteral("Surname")}) {
        if (childNamed(individual, item).isNull()) {
            refuse(r, QStringLiteral("Validation"), QStringLiteral("The element Personalinformation/IndividualDetails/%1 is missing").arg(item));
            return false;
        }
    }
    r.surname = childText(individual, QStringLiteral("Surname"));
    if (r.surname.isEmpty()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("Surname is required"));
        return false;
    }
    r.title = childText(individual, QStringLiteral("Title"));
    r.forename = childText(individual, QStringLiteral("Firstname"));
    r.dateOfBirth = childText(individual, QStringLiteral("Dateofbirth"));
    return true;
}

bool readPersonal(const QDomElement& data, IdentityRequest& r) {
    QString missing;
    const QDomElement personal = followPath(data, QStringLiteral("data"), {QStringLiteral("Personalinformation")}, missing);
    if (personal.isNull()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The element %1 is missing").arg(missing));
        return false;
    }
    if (!readIndividual(personal, r)) return false;
    const QDomElement address = childNamed(personal, QStringLiteral("AddressDetails"));
    if (address.isNull()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The element Personalinformation/AddressDetails is missing"));
        return false;
    }
    r.postcode = childText(address, QStringLiteral("Postcode"));
    // The agency's own schema spells it ChecksRequired; both spellings are in use.
    const QDomElement checks = childNamedAny(personal, {QStringLiteral("Checksrequired"), QStringLiteral("ChecksRequired")});
    if (checks.isNull()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The element Personalinformation/ChecksRequired is missing"));
        return false;
    }
    for (QDomElement e = checks.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.text().trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0) r.checksRequested << e.tagName();
    const QDomElement bank = childNamed(data, QStringLiteral("Bankinformation"));
    r.sortCode = childText(bank, QStringLiteral("Banksortcode"));
    r.accountNumber = childText(bank, QStringLiteral("Bankaccountnumber"));
    return true;
}

}  // namespace

IdentityRequest readIdentityRequest(const QByteArray& contentType, const QByteArray& body) {
    IdentityRequest r;
    if (!isXmlUtf8(contentType)) {
        refuse(r, QStringLiteral("Validation"),
               QStringLiteral("The Content-Type must be text/xml; charset=utf-8, not \"%1\"").arg(QString::fromLatin1(contentType)));
        return r;
    }
    QDomDocument document;
    QString problem;
    if (!parseRequest(body, false, document, problem)) {
        refuse(r, QStringLiteral("XMLParser"), QStringLiteral("The request could not be read: ") + problem);
        return r;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != kRoot) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The root element must be callvalidate, not %1").arg(root.tagName()));
        return r;
    }
    if (!readAuthentication(root, r)) return r;
    QString missing;
    const QDomElement session = followPath(root, kRoot, {QStringLiteral("sessions"), QStringLiteral("session")}, missing);
    if (session.isNull()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The element %1 is missing").arg(missing));
        return r;
    }
    r.rid = session.attribute(QStringLiteral("RID")).trimmed();
    if (r.rid.isEmpty()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The session has no RID attribute"));
        return r;
    }
    const QDomElement data = childNamed(session, QStringLiteral("data"));
    if (data.isNull()) {
        refuse(r, QStringLiteral("Validation"), QStringLiteral("The element callvalidate/sessions/session/data is missing"));
        return r;
    }
    if (!readPersonal(data, r)) return r;
    r.applicationName = childText(root, QStringLiteral("application"));
    if (r.applicationName.isEmpty()) refuse(r, QStringLiteral("Authentication"), QStringLiteral("The element callvalidate/application is missing or empty"));
    return r;
}

}  // namespace autovelt::sandbox
