#include "assessment/CreditSearchRequest.h"

#include "common/Values.h"
#include "common/XmlText.h"

namespace autovelt::inline assessment {

namespace {

// "<name>value</name>" when the value is not empty, else "<name/>". A limit cuts the
// value to its first characters before it is escaped, so a reference is never cut apart.
QString element(const QString& name, const QString& value, qsizetype limit = -1) {
    if (value.isEmpty()) return QLatin1Char('<') + name + QStringLiteral("/>");
    const QString kept = limit < 0 ? value : value.left(limit);
    return QLatin1Char('<') + name + QLatin1Char('>') + xmlText(kept) + QStringLiteral("</") + name + QLatin1Char('>');
}

QString isoDate(const QDate& date) { return formatDate(date, QStringLiteral("YYYY-MM-DD")); }

QString telephone(const QString& type, const TelephoneParts& parts) {
    return QStringLiteral("<telephone><type>") + type + QStringLiteral("</type><std>") + xmlText(parts.std) +
           QStringLiteral("</std><number>") + xmlText(parts.number) + QStringLiteral("</number></telephone>");
}

QString emailElement(const QString& address) {
    if (!address.contains(QLatin1Char('@')) || !address.contains(QLatin1Char('.'))) return QStringLiteral("<email/>");
    return QStringLiteral("<email><type>03</type><address>") + xmlText(address) + QStringLiteral("</address></email>");
}

QString contact(const CreditSearchApplicant& applicant) {
    QString text = QStringLiteral("<contact>") + emailElement(applicant.email);
    if (const auto home = HomeTelephoneParts(applicant.phoneNumber)) text += telephone(QStringLiteral("13"), *home);
    if (const auto mobile = MobileTelephoneParts(applicant.mobileNumber)) text += telephone(QStringLiteral("15"), *mobile);
    return text + QStringLiteral("</contact>");
}

}  // namespace

std::optional<TelephoneParts> HomeTelephoneParts(const QString& phoneNumber) {
    QString digits = phoneNumber;
    for (const QChar c : {u' ', u'-', u'(', u')', u':'}) digits.remove(c);
    if (digits.startsWith(QLatin1String("07"))) return std::nullopt;
    if (digits.size() != 11 || !isNumeric(digits)) return std::nullopt;
    // Codes of the form 01x1 (city codes) and the London code 020 are four digits long.
    if ((digits.at(1) == u'1' && digits.at(3) == u'1') || digits.startsWith(QLatin1String("020")))
        return TelephoneParts{digits.left(4), digits.mid(4, 7)};
    return TelephoneParts{digits.left(5), digits.mid(5, 6)};
}

std::optional<TelephoneParts> MobileTelephoneParts(const QString& mobileNumber) {
    if (mobileNumber.size() != 11) return std::nullopt;
    return TelephoneParts{mobileNumber.left(5).trimmed(), mobileNumber.mid(5).trimmed()};
}

int CreditSearchTermMonths(const QString& frequency, const QString& numberOfRepayments) {
    const double repayments = leadingNumber(numberOfRepayments);
    const QChar first = frequency.isEmpty() ? QChar() : frequency.at(0);
    switch (first.unicode()) {
    case u'W': return roundHalfEvenInt16(repayments / 52.0 * 12.0);
    case u'F': return roundHalfEvenInt16(repayments / 26.0 * 12.0);
    case u'4': return roundHalfEvenInt16(repayments / 13.0 * 12.0);
    case u'M': return roundHalfEvenInt16(repayments);
    default: return 0;
    }
}

QString CreditSearchTermText(int months) {
    return QStringLiteral("P%1Y%2M0D").arg(months / 12).arg(months % 12);
}

QString CreditSearchAddressBlock(const CreditSearchAddress& a) {
    QString block = QStringLiteral("<address>") + element(QStringLiteral("abodeno"), a.flatNumber, 30) +
                    element(QStringLiteral("buildingno"), a.buildingNumber, 12) +
                    element(QStringLiteral("buildingname"), a.buildingName) + element(QStringLiteral("street1"), a.street1) +
                    element(QStringLiteral("street2"), a.street2) + element(QStringLiteral("locality"), a.town, 35) +
                    element(QStringLiteral("posttown"), a.county, 25) + element(QStringLiteral("postcode"), a.postCode, 8);
    if (a.startDate.isValid() || a.endDate.isValid())
        block += QStringLiteral("<startdate>") + isoDate(a.startDate) + QStringLiteral("</startdate><enddate>") +
                 isoDate(a.endDate) + QStringLiteral("</enddate>");
    return block + QStringLiteral("</address>");
}

QString CreditSearchNameBlock(const CreditSearchApplicant& applicant) {
    QString block = QStringLiteral("<name>") + element(QStringLiteral("title"), applicant.title) +
                    element(QStringLiteral("forename"), applicant.forename) +
                    element(QStringLiteral("othernames"), applicant.midName) +
                    element(QStringLiteral("surname"), applicant.surname) + QStringLiteral("</name>");
    // The agency takes names without stops or commas ("Mr." -> "Mr").
    block.remove(QLatin1Char('.'));
    block.remove(QLatin1Char(','));
    return block;
}

QString CreditSearchBody(const QString& serviceNamespace, const CreditSearchApplicant& applicant,
                         const CreditSearchLoan& loan) {
    QString addresses;
    for (const CreditSearchAddress& address : applicant.addresses) addresses += CreditSearchAddressBlock(address);
    const QString dob = applicant.dateOfBirth.isValid()
                            ? QStringLiteral("<dob>") + isoDate(applicant.dateOfBirth) + QStringLiteral("</dob>")
                            : QStringLiteral("<dob/>");
    return QStringLiteral("<Search07a xmlns=\"") + xmlText(serviceNamespace) + QStringLiteral("\"><SearchDefinition>") +
           QStringLiteral("<yourreference>") + xmlText(applicant.reference) + QStringLiteral("</yourreference>") +
           QStringLiteral("<creditrequest schemaversion=\"7.1\" datasets=\"511\"><applicant>") + addresses +
           CreditSearchNameBlock(applicant) + dob + QStringLiteral("<applicantdemographics>") + contact(applicant) +
           QStringLiteral("<employment/></applicantdemographics></applicant>") +
           QStringLiteral("<score>1</score><purpose>CA</purpose><credittype>PU</credittype>") +
           QStringLiteral("<balorlim>") + QString::number(loan.amount) + QStringLiteral("</balorlim>") +
           QStringLiteral("<term>") + CreditSearchTermText(loan.termMonths) + QStringLiteral("</term>") +
           QStringLiteral("<autosearch>") + (loan.singleSearch ? QStringLiteral("0") : QStringLiteral("1")) +
           QStringLiteral("</autosearch><autosearchmaximum>") + (loan.singleSearch ? QStringLiteral("1") : QStringLiteral("3")) +
           QStringLiteral("</autosearchmaximum></creditrequest></SearchDefinition></Search07a>");
}

QString CreditSearchEnvelope(const QString& serviceNamespace, const AgencyLogin& login, const QString& body) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                          "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                          "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                          "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Header>") +
           QStringLiteral("<callcreditheaders xmlns=\"") + xmlText(serviceNamespace) + QStringLiteral("\">") +
           QStringLiteral("<company>") + xmlText(login.company) + QStringLiteral("</company>") +
           QStringLiteral("<username>") + xmlText(login.userName) + QStringLiteral("</username>") +
           QStringLiteral("<password>") + xmlText(login.password) + QStringLiteral("</password>") +
           QStringLiteral("</callcreditheaders></soap:Header><soap:Body>") + body +
           QStringLiteral("</soap:Body></soap:Envelope>");
}

}  // namespace autovelt::assessment
