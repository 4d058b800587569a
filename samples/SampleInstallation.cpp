// Fills a freshly initialised installation ("autovelt --init") with what a demo needs:
// Control, ControlSwitches and UDFSetUp rows, two existing members, and pending online
// applications (with their addresses) encoded the way the website encodes them.

#include "support/OnlineEncoder.h"
#include "platform/db/TextComparison.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cstdio>
#include <map>

using autovelt::testing::encodeOnlineField;

namespace {

QString home;
uint32_t seed = 1;

void run(const QString& database, const QString& statement, const QVariantList& values = {}) {
    QSqlDatabase db = QSqlDatabase::database(database);
    QSqlQuery q(db);
    q.prepare(statement);
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) {
        std::fprintf(stderr, "sample data: %s\n  %s\n", qPrintable(q.lastError().text()), qPrintable(statement));
        std::exit(1);
    }
}

void openDatabase(const QString& name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QDir(home).filePath(QStringLiteral("data/%1.db").arg(name)));
    if (!db.open()) { std::fprintf(stderr, "sample data: cannot open %s\n", qPrintable(name)); std::exit(1); }
    autovelt::db::RegisterTextComparison(db);
}

// The website stores values longer than ten characters encoded.
QString online(const QString& plain) { return plain.size() > 10 ? encodeOnlineField(plain, seed++) : plain; }

void insertRow(const QString& table, const std::map<int, QString>& fields) {
    QStringList columns, marks;
    QVariantList values;
    for (const auto& [n, value] : fields) {
        columns << QStringLiteral("field_%1").arg(n);
        marks << QStringLiteral("?");
        values << value;
    }
    run(QStringLiteral("online"), QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(','), marks.join(',')), values);
}

struct Applicant {
    QString ni, title, forename, surname, dob, email, code, amount, building, street, town, postcode;
};

void addApplication(const Applicant& a) {
    std::map<int, QString> w = {
        {1, QStringLiteral("0")}, {2, a.ni}, {3, a.title}, {4, online(a.forename)}, {6, online(a.surname)},
        {7, a.dob}, {8, a.title == QLatin1String("Mr") ? QStringLiteral("M") : QStringLiteral("F")},
        {9, QStringLiteral("0")}, {12, QStringLiteral("Tenant")}, {13, QStringLiteral("do")}, {14, QStringLiteral("E")},
        {18, QStringLiteral("1")}, {19, QString()}, {20, QStringLiteral("Employed")}, {24, QStringLiteral("Cash")},
        {25, QStringLiteral("20")}, {44, QStringLiteral("M")}, {45, QStringLiteral("Personal")}, {46, a.amount},
        {47, QStringLiteral("24")}, {50, QStringLiteral("Car repairs")}, {53, QStringLiteral("1850")},
        {63, QStringLiteral("24000")}, {88, online(QStringLiteral("First school?"))}, {89, online(QStringLiteral("Hillside"))},
        {103, online(a.email)}, {105, QString()}, {106, QStringLiteral("EMAIL")}, {107, QStringLiteral("N")},
        {109, QStringLiteral("06/12/2026")}, {110, a.code}};
    insertRow(QStringLiteral("table_w"), w);
    insertRow(QStringLiteral("table_ad"), {{2, a.ni}, {3, QStringLiteral("HOME")}, {7, online(a.building)},
                                           {9, online(a.street)}, {11, online(a.town)}, {14, a.postcode},
                                           {15, QStringLiteral("01632960123")}, {18, online(a.email)},
                                           {19, QStringLiteral("01/01/2019")}, {20, QStringLiteral("I")}, {21, QStringLiteral("N")}});
}

void fillControlTables() {
    const QString scans = QDir(home).filePath(QStringLiteral("scans"));
    run(QStringLiteral("TarvMain"),
        QStringLiteral("INSERT INTO Control (ID, FSARefNo, cuname, YearEndDate, ScanLocation, AutoLR, OSProductCode, JSProductCode, "
                       "OLProductCode, FreeCashMargin, Email, MixedCase, DoProfile) VALUES (1, '213000', 'Riverside Credit Union', "
                       "'2026-09-30', ?, 0, 'S1', 'J1', 'L1', 50, 'office@riverside.example', 1, 0)"),
        {scans});
    run(QStringLiteral("TarvMain"),
        QStringLiteral("INSERT INTO ControlSwitches (ID, webip, webun, WEBPW, DefaultLoanPayoutMethod, CreateLogs, Rpost) "
                       "VALUES (1, '192.0.2.33', 'riverside', 'demo-online-password', 'F', 1, 0)"));
    run(QStringLiteral("TarvMain"),
        QStringLiteral("INSERT INTO UDFSetUp (ID, UDF1Caption, UDF2Caption, Webmap1, Webmap2) VALUES (1, 'Employer', 'Branch', '1', '2')"));
    run(QStringLiteral("TarvMain"),
        QStringLiteral("INSERT INTO MemberMain (MemberNo, MemberStatus, Title, Forename, Surname, NINumber, DOB, Sex, JoinChannel) VALUES "
                       "(1, 'A', 'Mrs', 'Margaret', 'Obrien', 'JK654321A', '1962-04-17', 'F', 'B'), "
                       "(2, 'L', 'Mr', 'Peter', 'Hughes', 'LM112233B', '1975-10-02', 'M', 'B')"));
    run(QStringLiteral("TarvMain"),
        QStringLiteral("INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line2, Line3, Postcode, EmailAddress) "
                       "VALUES (1, 'HOME', 0, '4 Station Road', 'Keynsham', 'Bristol', 'BS31 1HA', 'maggie@mail.example')"));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) { std::fprintf(stderr, "usage: autovelt_sample_data HOME\n"); return 2; }
    home = QString::fromLocal8Bit(argv[1]);
    for (const char* name : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"}) openDatabase(QLatin1String(name));
    fillControlTables();
    addApplication({"AB123456C", "Ms", "Amelia", "Fitzgerald-Wright", "14/02/1990", "amelia.fw@mail.example", "2", "0.00",
                    "12", "Riverside Walk", "Bristol", "BS1 4DJ"});
    addApplication({"CD 65 43 21 D", "Mr", "Daniel", "O'Connor", "03/09/1984", "dan.oconnor@mail.example", "1", "1500.00",
                    "Rose Cottage", "Mill Lane", "Bath", "BA2 3QT"});
    addApplication({"JK654321A", "Mrs", "Margaret", "O'Brien", "17/04/1962", "maggie@mail.example", "1", "750.00",
                    "4", "Station Road", "Keynsham", "BS31 1HA"});
    addApplication({"EF998877E", "Miss", "Chloe", "Barnes", "", "chloe.b@mail.example", "2", "0.00",
                    "7", "Queen Street", "Bristol", "BS2 0EE"});
    std::printf("Sample data written to %s: 2 members, 4 pending online applications\n", qPrintable(home));
    return 0;
}
