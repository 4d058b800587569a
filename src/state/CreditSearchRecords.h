#pragma once

// The importer's own record of every credit search it drew (VeltCreditSearch in TarvAudt),
// written inside the unit of work of the application that drew it. A report on file is
// used again only through this record: the same member number, the same person (date of
// birth, surname and National Insurance number) and a file whose content is still what
// the search brought back. Any other file in a member's folder (one an undone application
// or a deleted member left, one an applicant uploaded) is never read as a report.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state {

// Who a search was for.
struct CreditSearchPerson {
    QDate dateOfBirth;
    QString surname;
    QString niNumber;  // cleaned; empty when the applicant gave none
    bool sameAs(const CreditSearchPerson& other) const;
};

struct CreditSearchRecord {
    long memberNumber = 0;
    CreditSearchPerson person;
    QDateTime searchedOn;
    QString searchReference;  // the agency's search id
    QString filePath;         // where the report is filed
    QString sha256;           // of the filed content, in hex
};

QString Sha256Hex(const QByteArray& content);

void RecordCreditSearch(db::Connection& audit, const QString& applicationKey, const CreditSearchRecord& record);
// The member's newest recorded search, if any.
std::optional<CreditSearchRecord> LatestCreditSearch(db::Connection& audit, long memberNumber);

}  // namespace autovelt::state
