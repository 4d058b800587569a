#include "assessment/IdentityCheckRequest.h"

#include "common/Values.h"
#include "common/XmlText.h"
#include "state/CycleSettings.h"
#include "state/InstallationConfig.h"

namespace autovelt::inline assessment {

namespace {

const QString kServicePath = QStringLiteral("/callvalidateapi/incomingserver.php");

// A value as XML text. Tabs and line breaks inside a value travel as character
// references, so the document keeps one element per line.
QString valueText(const QString& value) {
    QString text = xmlText(value);
    text.replace(QLatin1Char('\t'), QLatin1String("&#9;"));
    text.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    text.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    return text;
}

// Writes the document one element per line, indented with one tab per level.
class RequestWriter {
public:
    void line(const QString& text) { text_ += QString(depth_, QLatin1Char('\t')) + text + QLatin1Char('\r'); }
    void open(const QString& name, const QString& attributes = QString()) {
        line(QLatin1Char('<') + name + attributes + QLatin1Char('>'));
        ++depth_;
    }
    void close(const QString& name) {
        --depth_;
        line(QStringLiteral("</") + name + QLatin1Char('>'));
    }
    // An element without a value is written in its empty form.
    void element(const QString& name, const QString& value) {
        if (value.isEmpty()) line(QLatin1Char('<') + name + QStringLiteral("/>"));
        else line(QLatin1Char('<') + name + QLatin1Char('>') + valueText(value) + QStringLiteral("</") + name + QLatin1Char('>'));
    }
    const QString& text() const { return text_; }

private:
    QString text_;
    int depth_ = 0;
};

// Full stops and commas are not sent in the names and titles.
QString nameText(QString text) {
    text.remove(QLatin1Char('.'));
    text.remove(QLatin1Char(','));
    return text;
}

QString withoutBlanks(QString text) { return text.remove(QLatin1Char(' ')); }

bool startsWithDigit(const QString& text) { return !text.isEmpty() && text.at(0) >= u'0' && text.at(0) <= u'9'; }

// The telephone number sent: the mobile when there is one, else the home telephone; only
// an 11-character number is sent.
QString telephoneSent(const IdentityCheckMember& m) {
    const QString mobile = withoutBlanks(m.mobileNumber);
    const QString phone = mobile.isEmpty() ? withoutBlanks(m.phoneNumber) : mobile;
    return phone.size() == 11 && isNumeric(phone) ? phone : QString();
}

QString emailSent(const QString& email) {
    if (isNumeric(email) || !email.contains(QLatin1Char('.')) || !email.contains(QLatin1Char('@'))) return {};
    return email;
}

// Whole months lived at the home address: a move on the 20th is a month old on the 20th of
// the next month, not on its first.
std::optional<int64_t> monthsAtHome(const IdentityCheckMember& m, const QDate& passDate) {
    if (!m.effectiveFrom || !m.effectiveFrom->isValid() || !passDate.isValid()) return std::nullopt;
    int64_t months = dateDiffMonths(*m.effectiveFrom, passDate);
    if (months > 0 && m.effectiveFrom->addMonths(int(months)) > passDate) --months;
    if (months < 0 && m.effectiveFrom->addMonths(int(months)) < passDate) ++months;
    return months;
}

struct AddressElements {
    QString abodeNumber, buildingNumber, buildingName, address1, address2, address3, town, postcode;
};

AddressElements currentAddress(const IdentityCheckMember& m) {
    AddressElements a;
    if (!m.paf.postCode.trimmed().isEmpty()) {
        a = {m.paf.flatNumber.left(30), m.paf.buildingNumber.left(12), m.paf.buildingName, m.paf.street1,
             m.paf.street2, m.paf.town, m.paf.county, m.paf.postCode};
    } else {
        if (startsWithDigit(m.line1)) {
            qsizetype digits = 0;
            while (digits < m.line1.size() && m.line1.at(digits) >= u'0' && m.line1.at(digits) <= u'9') ++digits;
            a.buildingNumber = m.line1.left(digits);
            a.address1 = m.line1.mid(digits).trimmed();
        } else {
            a.buildingName = m.line1;
        }
        a.address2 = m.line2;
        a.address3 = m.line3;
        a.town = m.line4;
        a.postcode = m.postcode;
    }
    a.town = a.town.left(25);
    a.postcode = a.postcode.left(8);
    return a;
}

AddressElements previousAddress(const IdentityCheckRequest& r) {
    if (!PreviousAddressWanted(r.member, r.passDate) || !r.previousAddress) return {};
    const PafColumns& p = *r.previousAddress;
    if (p.postCode.trimmed().isEmpty()) return {};
    return {p.flatNumber.left(30), p.buildingNumber.left(12), p.buildingName, p.street1,
            p.street2, p.town.left(35), p.county.left(25), p.postCode.left(8)};
}

void writeIndividual(RequestWriter& w, const IdentityCheckRequest& r) {
    const IdentityCheckMember& m = r.member;
    const std::optional<int64_t> months = monthsAtHome(m, r.passDate);
    w.open(QStringLiteral("IndividualDetails"));
    w.element(QStringLiteral("Dateofbirth"),
              m.dateOfBirth && m.dateOfBirth->isValid() ? formatDate(*m.dateOfBirth, QStringLiteral("YYYY-MM-DD")) : QString());
    w.element(QStringLiteral("Title"), nameText(m.title));
    w.element(QStringLiteral("Firstname"), nameText(m.forename));
    w.element(QStringLiteral("Othernames"), nameText(m.midname));
    w.element(QStringLiteral("Surname"), nameText(m.surname));
    w.element(QStringLiteral("Phonenumber"), telephoneSent(m));
    w.element(QStringLiteral("Emailaddress"), emailSent(r.email));
    w.element(QStringLiteral("addresslessthan12months"),
              months && *months < 12 ? QStringLiteral("true") : QStringLiteral("false"));
    w.close(QStringLiteral("IndividualDetails"));
}

void writeAddresses(RequestWriter& w, const IdentityCheckRequest& r) {
    const AddressElements now = currentAddress(r.member);
    const AddressElements before = previousAddress(r);
    w.open(QStringLiteral("AddressDetails"));
    w.element(QStringLiteral("Abodenumber"), now.abodeNumber);
    w.element(QStringLiteral("Buildingnumber"), now.buildingNumber);
    w.element(QStringLiteral("Buildingname"), now.buildingName);
    w.element(QStringLiteral("Address1"), now.address1);
    w.element(QStringLiteral("Address2"), now.address2);
    w.element(QStringLiteral("Address3"), now.address3);
    w.element(QStringLiteral("Town"), now.town);
    w.element(QStringLiteral("Postcode"), now.postcode);
    w.element(QStringLiteral("Previousabodenumber"), before.abodeNumber);
    w.element(QStringLiteral("Previousbuildingnumber"), before.buildingNumber);
    w.element(QStringLiteral("Previousbuildingname"), before.buildingName);
    w.element(QStringLiteral("Previousaddress1"), before.address1);
    w.element(QStringLiteral("Previousaddress2"), before.address2);
    w.element(QStringLiteral("Previousaddress3"), before.address3);
    w.element(QStringLiteral("Previoustown"), before.town);
    w.element(QStringLiteral("Previouspostcode"), before.postcode);
    w.close(QStringLiteral("AddressDetails"));
}

void writeChecks(RequestWriter& w, const IdentityCheckRequest& r) {
    static const char* const kChecks[][2] = {
        {"BankStandard", "yes"}, {"BankEnhanced", "yes"},   {"CardLive", "no"},          {"CardEnhanced", "no"},
        {"IDEnhanced", "yes"},   {"NCOAAlert", "yes"},      {"CallValidate3D", "no"},    {"DeliveryFraud", "no"},
        {"CreditScore", "no"},   {"Zodiac", "no"},          {"RealTimeFraudAlerts", "yes"}, {"DeviceRisk", "no"},
        {"MobileRisk", "no"},    {"EmailRisk", "no"},       {"MobileID", "no"},          {"EmailID", "no"}};
    w.open(QStringLiteral("Checksrequired"));
    for (const auto& check : kChecks) w.element(QLatin1String(check[0]), QLatin1String(check[1]));
    if (ScreensWatchlists(r.applicationName)) w.element(QStringLiteral("WatchlistScreening"), QStringLiteral("yes"));
    w.close(QStringLiteral("Checksrequired"));
}

void writeBank(RequestWriter& w, const IdentityCheckRequest& r) {
    if (!SendsBankDetails(r)) {
        w.line(QStringLiteral("<Bankinformation/>"));
        return;
    }
    w.open(QStringLiteral("Bankinformation"));
    w.element(QStringLiteral("Bankaccountnumber"), r.accountNumber);
    w.element(QStringLiteral("Banksortcode"), r.sortCode);
    w.close(QStringLiteral("Bankinformation"));
}

}  // namespace

IdentityCheckTarget ChooseIdentityCheckTarget(const AgencyCredentials& credentials, bool uatMode,
                                              const AgencyService& service) {
    IdentityCheckTarget target;
    target.applicationName = credentials.IdentityCheckApplication;
    if (target.applicationName.isEmpty())
        target.applicationName = uatMode ? QStringLiteral("V454-API-CTEST") : QStringLiteral("V512-API-LIVE");
    target.testServer = uatMode || credentials.IdentityCheckUserName.contains(QLatin1String("api.ctest"));
    target.host = target.testServer ? service.callValidateTestHost : service.callValidateLiveHost;
    if (!target.host.isEmpty()) target.url = QStringLiteral("https://") + target.host + kServicePath;
    return target;
}

bool ScreensWatchlists(const QString& applicationName) {
    return applicationName.startsWith(QLatin1String("V526")) || applicationName.startsWith(QLatin1String("V535"));
}

bool PreviousAddressWanted(const IdentityCheckMember& member, const QDate& passDate) {
    const std::optional<int64_t> months = monthsAtHome(member, passDate);
    return months && *months < 36;
}

bool SendsBankDetails(const IdentityCheckRequest& request) {
    return !request.sortCode.trimmed().isEmpty() && !request.accountNumber.trimmed().isEmpty();
}

QString ComposeIdentityCheckRequest(const IdentityCheckRequest& r) {
    RequestWriter w;
    w.line(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
    w.open(QStringLiteral("callvalidate"));
    w.open(QStringLiteral("authentication"));
    w.element(QStringLiteral("company"), r.company);
    w.element(QStringLiteral("username"), r.userName);
    w.element(QStringLiteral("password"), r.password);
    w.close(QStringLiteral("authentication"));
    w.open(QStringLiteral("sessions"));
    w.open(QStringLiteral("session"), QStringLiteral(" RID=\"") + QString::number(r.memberNumber) + QLatin1Char('"'));
    w.open(QStringLiteral("data"));
    w.open(QStringLiteral("Personalinformation"));
    writeIndividual(w, r);
    writeAddresses(w, r);
    writeChecks(w, r);
    w.close(QStringLiteral("Personalinformation"));
    writeBank(w, r);
    w.line(QStringLiteral("<DeviceDetails/>"));
    w.close(QStringLiteral("data"));
    w.close(QStringLiteral("session"));
    w.close(QStringLiteral("sessions"));
    w.element(QStringLiteral("application"), r.applicationName);
    w.close(QStringLiteral("callvalidate"));
    return w.text();
}

}  // namespace autovelt::assessment
