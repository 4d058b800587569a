#pragma once

// Online applications as the website writes them: a table_w row and its table_ad rows, with
// personal values encoded by the website's own encoder (support/OnlineEncoder) so the
// import pass reads them exactly as it reads real rows.

#include "common/OnlineDecoding.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace autovelt::testing {

// Deployed code tables whose symbols include the markers "#" and "^" the intake looks for.
inline const OnlineCodeTables kMarkedCodeTables{QStringLiteral("92740516389274051638"),
                                                QStringLiteral("#^)~@%*+=?#^)~@%*+=?")};
// The "[encoding]" section that installs them.
QString markedCodeTablesIni();

struct WebAddress {
    QString type = QStringLiteral("HOME");
    QString building = QStringLiteral("12");
    QString street = QStringLiteral("High Street");
    QString town = QStringLiteral("Leeds");
    QString postcode = QStringLiteral("LS1 4AB");
    QString email;
    QString sortCode;  // bank rows: positions 4 and 5
    QString account;
};

struct WebApplication {
    long fieldId = 1;
    QString memberNumber;             // field_1 as typed; empty for a new applicant
    QString niNumber;                 // field_2 as typed
    bool niNumberPlain = false;       // stored as typed instead of encoded
    bool namesAsUtf8 = false;         // names arrive as the website's UTF-8 bytes
    QMap<int, QString> fields;        // plain values of field_3 onward
    QString imported = QStringLiteral("N");  // field_107
    QList<WebAddress> addresses;

    // A complete join-and-borrow application of John Smith, born 15/04/1985, with a home address.
    static WebApplication joinAndBorrow(long fieldId);
    // The same applicant asking only to join (field_110 "2", nothing borrowed).
    static WebApplication joinOnly(long fieldId);

    WebApplication& set(int field, const QString& value) { fields[field] = value; return *this; }
    QString field(int n) const { return fields.value(n); }
    // field_2 exactly as stored: the key of the application's table_ad rows.
    QString storedKey() const;
};

// The INSERT statements of the application's rows (table_w first), values quoted with the
// one quoting helper. Deterministic for a given application.
QStringList insertStatements(const WebApplication& application, const OnlineCodeTables& tables = kMarkedCodeTables);

// A text value as the website stores it: encoded, containing a marker symbol.
QString encodedWithMarker(const QString& plain, uint32_t seed, const OnlineCodeTables& tables = kMarkedCodeTables,
                          bool utf8 = false);

}  // namespace autovelt::testing
