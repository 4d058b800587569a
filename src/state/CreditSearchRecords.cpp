#include "state/CreditSearchRecords.h"

#include "common/SqlQuote.h"
#include "platform/db/Connection.h"
#include "state/ImportRecords.h"

#include <QCryptographicHash>

namespace autovelt::inline state {

namespace {

QString isoDate(const QDate& date) { return date.isValid() ? date.toString(Qt::ISODate) : QString(); }

}  // namespace

bool CreditSearchPerson::sameAs(const CreditSearchPerson& other) const {
    return dateOfBirth.isValid() && dateOfBirth == other.dateOfBirth &&
           surname.trimmed().compare(other.surname.trimmed(), Qt::CaseInsensitive) == 0 &&
           niNumber.trimmed().compare(other.niNumber.trimmed(), Qt::CaseInsensitive) == 0;
}

QString Sha256Hex(const QByteArray& content) {
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

void RecordCreditSearch(db::Connection& audit, const QString& applicationKey, const CreditSearchRecord& r) {
    audit.execute(QStringLiteral("INSERT INTO VeltCreditSearch (ApplicationKey, MemberNo, DOB, Surname, NINumber, SearchedOn, "
                                 "SearchRef, FilePath, Sha256) VALUES (") +
                  sqlText(applicationKey) + QLatin1Char(',') + QString::number(r.memberNumber) + QLatin1Char(',') +
                  sqlText(isoDate(r.person.dateOfBirth)) + QLatin1Char(',') + sqlText(r.person.surname) +
                  QLatin1Char(',') + sqlText(r.person.niNumber.left(20)) + QLatin1Char(',') +
                  sqlText(RecordStamp(r.searchedOn)) + QLatin1Char(',') + sqlText(r.searchReference.left(60)) +
                  QLatin1Char(',') + sqlText(r.filePath) + QLatin1Char(',') + sqlText(r.sha256) + QStringLiteral(") ;"));
}

std::optional<CreditSearchRecord> LatestCreditSearch(db::Connection& audit, long memberNumber) {
    db::Recordset rs = audit.openRecordset(
        QStringLiteral("SELECT * FROM VeltCreditSearch WHERE MemberNo=") + QString::number(memberNumber) +
        QStringLiteral(" ORDER BY SearchedOn DESC, ID DESC ;"));
    if (rs.eof()) return std::nullopt;
    CreditSearchRecord r;
    r.memberNumber = memberNumber;
    r.person.dateOfBirth = QDate::fromString(rs.text(QStringLiteral("DOB")), Qt::ISODate);
    r.person.surname = rs.text(QStringLiteral("Surname"));
    r.person.niNumber = rs.text(QStringLiteral("NINumber"));
    r.searchedOn = QDateTime::fromString(rs.text(QStringLiteral("SearchedOn")), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    r.searchReference = rs.text(QStringLiteral("SearchRef"));
    r.filePath = rs.text(QStringLiteral("FilePath"));
    r.sha256 = rs.text(QStringLiteral("Sha256"));
    return r;
}

}  // namespace autovelt::state
