#include "support/WebApplication.h"

#include "common/SqlQuote.h"
#include "support/OnlineEncoder.h"

#include <stdexcept>

namespace autovelt::testing {

namespace {

// Fields the website always encodes, whatever their length.
bool personal(int n) { return n == 3 || n == 4 || n == 5 || n == 6 || n == 7 || n == 103; }

bool storedAsTyped(int n) { return n == 29 || n == 91 || n == 107 || n == 108 || n == 110; }

QString stored(const WebApplication& a, int n, const QString& plain, const OnlineCodeTables& tables) {
    const uint32_t seed = uint32_t(a.fieldId * 131 + n);
    if (plain.isEmpty() || storedAsTyped(n)) return plain;
    if (n == 105) return encodeOnlineNumber(plain, seed);
    if (n == 4 || n == 5 || n == 6) return encodedWithMarker(plain, seed, tables, a.namesAsUtf8);
    if (personal(n) || plain.size() > 10) return encodedWithMarker(plain, seed, tables);
    return plain;
}

// field_2 as stored: the key of the application's table_ad rows.
QString key(const WebApplication& a, const OnlineCodeTables& tables) {
    if (a.niNumber.isEmpty() || a.niNumberPlain) return a.niNumber;
    return encodedWithMarker(a.niNumber, uint32_t(a.fieldId * 131 + 2), tables);
}

// An INSERT of the given plain values by column number, quoted with the one quoting helper.
QString insert(const QString& table, const QMap<int, QString>& values) {
    QStringList columns, literals;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        columns << (it.key() == 0 ? QStringLiteral("field_id") : QStringLiteral("field_%1").arg(it.key()));
        literals << (it.key() == 0 ? it.value() : sqlText(it.value()));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(QLatin1Char(',')), literals.join(QLatin1Char(',')));
}

}  // namespace

QString markedCodeTablesIni() {
    return QStringLiteral("[encoding]\ndigits = %1\nsymbols = \"%2\"").arg(kMarkedCodeTables.digits, kMarkedCodeTables.symbols);
}

QString encodedWithMarker(const QString& plain, uint32_t seed, const OnlineCodeTables& tables, bool utf8) {
    for (uint32_t attempt = 0; attempt < 1000; ++attempt) {
        const QString e = utf8 ? encodeOnlineFieldUtf8(plain, seed + attempt * 7919, SymbolUse::All, tables)
                               : encodeOnlineField(plain, seed + attempt * 7919, SymbolUse::All, tables);
        if (e.contains(QLatin1Char('#')) || e.contains(QLatin1Char('^'))) return e;
    }
    throw std::runtime_error("no encoding with a marker");
}

WebApplication WebApplication::joinAndBorrow(long fieldId) {
    WebApplication a;
    a.fieldId = fieldId;
    a.niNumber = QStringLiteral("AB123456C");
    const std::pair<int, const char*> values[] = {
        {3, "Mr"}, {4, "John"}, {6, "Smith"}, {7, "15/04/1985"}, {8, "m"}, {9, "2"}, {10, "WB"},
        {12, "Owner occupier"}, {13, "do"}, {14, "E"}, {16, "United Kingdom"}, {17, "TX-991"}, {18, "3"},
        {20, "Employed full time"}, {24, "Payroll"}, {25, "50"}, {34, "Acme Widgets Ltd"}, {35, "North"},
        {44, "M"}, {45, "L1"}, {46, "1000"}, {47, "12"}, {48, "90.50"}, {49, "1"}, {50, "Car repairs"},
        {53, "2000"}, {54, "500"}, {55, "100"}, {56, "0"}, {57, "25"}, {58, "Lodger"}, {63, "30000"},
        {65, "1200"}, {66, "450"}, {67, "210.25"}, {68, "60"}, {69, "35"}, {88, "First pet?"},
        {89, "Rex the dog"}, {103, "john.smith@example.com"}, {104, "Please call after 6"}, {105, "4711"},
        {106, "EMAIL"}, {110, "1"},
    };
    for (const auto& [n, v] : values) a.fields[n] = QString::fromUtf8(v);
    WebAddress home;
    home.email = QStringLiteral("john.smith@example.com");
    a.addresses << home;
    return a;
}

WebApplication WebApplication::joinOnly(long fieldId) {
    WebApplication a = joinAndBorrow(fieldId);
    for (int n : {44, 45, 46, 47, 48, 49, 50, 53, 54, 55, 56, 57, 58, 63, 65, 66, 67, 68, 69}) a.fields.remove(n);
    a.fields[110] = QStringLiteral("2");
    return a;
}

QString WebApplication::storedKey() const { return key(*this, kMarkedCodeTables); }

QStringList insertStatements(const WebApplication& a, const OnlineCodeTables& tables) {
    const QString memberNumber = a.memberNumber.isEmpty() ? QStringLiteral("0") : encodeOnlineNumber(a.memberNumber, uint32_t(a.fieldId));
    QMap<int, QString> row{{0, QString::number(a.fieldId)}, {1, memberNumber}, {2, key(a, tables)}, {107, a.imported}};
    for (auto it = a.fields.cbegin(); it != a.fields.cend(); ++it)
        if (it.key() >= 3 && it.key() != 107) row[it.key()] = stored(a, it.key(), it.value(), tables);
    QStringList statements{insert(QStringLiteral("table_w"), row)};
    // The website links the address rows by the key, and by the upload key as a second key.
    for (const WebAddress& ad : a.addresses) {
        QMap<int, QString> values{{2, key(a, tables)}, {3, ad.type}, {7, ad.building}, {9, ad.street}, {11, ad.town},
                                  {14, ad.postcode}, {18, ad.email}, {20, QStringLiteral("I")}, {21, QStringLiteral("N")},
                                  {23, stored(a, 105, a.field(105), tables)}};
        if (!ad.sortCode.isEmpty()) values[4] = ad.sortCode;
        if (!ad.account.isEmpty()) values[5] = ad.account;
        statements << insert(QStringLiteral("table_ad"), values);
    }
    return statements;
}

}  // namespace autovelt::testing
