#include "assessment/CreditReport.h"

#include <QXmlStreamReader>

namespace autovelt::inline assessment {

CreditReport CreditReport::read(const QString& text) {
    CreditReport report;
    report.empty_ = text.trimmed().isEmpty();
    if (report.empty_) return report;

    QXmlStreamReader reader(text);
    QList<int> open;
    QList<int> lastChild{-1};
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            Element e;
            e.name = reader.name().toString();
            e.attributes = reader.attributes();
            e.parent = open.isEmpty() ? -1 : open.last();
            e.previousSibling = lastChild.last();
            if (e.parent >= 0) report.elements_[e.parent].hasChild = true;
            const int index = static_cast<int>(report.elements_.size());
            report.elements_.append(e);
            lastChild.last() = index;
            open.append(index);
            lastChild.append(-1);
        } else if (token == QXmlStreamReader::Characters && !open.isEmpty()) {
            Element& e = report.elements_[open.last()];
            if (!e.hasChild) e.text += reader.text();
        } else if (token == QXmlStreamReader::EndElement && !open.isEmpty()) {
            report.elements_[open.takeLast()].end = static_cast<int>(report.elements_.size());
            lastChild.removeLast();
        }
    }
    if (reader.hasError()) {
        report.fault_ = QStringLiteral("%1 at line %2, column %3")
                            .arg(reader.errorString())
                            .arg(reader.lineNumber())
                            .arg(reader.columnNumber());
    }
    // Elements left open by a report that breaks off end where the reading stopped.
    for (Element& e : report.elements_)
        if (e.end < 0) e.end = static_cast<int>(report.elements_.size());
    return report;
}

std::optional<QString> CreditReport::text(const QString& element, const QString& parent) const {
    for (const Element& e : elements_) {
        if (e.name != element) continue;
        if (!parent.isEmpty() && (e.parent < 0 || elements_[e.parent].name != parent)) continue;
        return e.text;
    }
    return std::nullopt;
}

bool CreditReport::hasAttributeStarting(const QString& attribute, const QString& prefix) const {
    for (const Element& e : elements_)
        if (e.attributes.hasAttribute(attribute) && e.attributes.value(attribute).startsWith(prefix)) return true;
    return false;
}

std::optional<CreditReport::Score> CreditReport::firstScore() const {
    for (const Element& e : elements_) {
        if (e.name != QLatin1String("score") || !e.attributes.hasAttribute(QStringLiteral("class"))) continue;
        const QString opening = QStringLiteral("<score class=\"%1\">").arg(e.attributes.value(QStringLiteral("class")));
        return Score{opening, e.text};
    }
    return std::nullopt;
}

std::optional<QString> CreditReport::scoreBeforeReasons() const {
    for (const Element& e : elements_) {
        if (e.name != QLatin1String("reasons") || e.previousSibling < 0) continue;
        const Element& before = elements_[e.previousSibling];
        if (before.name == QLatin1String("score")) return before.text;
    }
    return std::nullopt;
}

int CreditReport::firstInside(int container, const QString& name) const {
    for (int i = container + 1; i < elements_[container].end; ++i)
        if (elements_[i].name == name) return i;
    return -1;
}

QString CreditReport::firstAttributeInside(int container, const QString& attribute) const {
    for (int i = container + 1; i < elements_[container].end; ++i)
        if (elements_[i].attributes.hasAttribute(attribute)) return elements_[i].attributes.value(attribute).toString();
    return QString();
}

QList<CreditReport::Account> CreditReport::accounts() const {
    QList<Account> result;
    for (int i = 0; i < elements_.size(); ++i) {
        if (elements_[i].name != QLatin1String("acc")) continue;
        Account account;
        account.balance = firstAttributeInside(i, QStringLiteral("bal"));
        const int type = firstInside(i, QStringLiteral("acctypecode"));
        if (type >= 0) account.typeCode = elements_[type].text;
        const int payment = firstInside(i, QStringLiteral("regpayment"));
        if (payment >= 0) account.regularPayment = elements_[payment].text;
        result.append(account);
    }
    return result;
}

}  // namespace autovelt::assessment
