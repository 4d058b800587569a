// Fills a freshly initialised installation ("autovelt --init") with what a demo needs:
// Control, ControlSwitches and UDFSetUp rows, two existing members, pending online
// applications (with their addresses) and one uploaded supporting document waiting in the
// queue, all encoded the way the website encodes them.

#include "support/OnlineEncoder.h"
#include "platform/db/TextComparison.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cstdio>
#include <map>

using autovelt::testing::encodeOnlineField;
using autovelt::testing::encodeOnlineNumber;

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
        {25, QStringLiteral("20")}, {44, QStringLiteral("M")}, {45, QStringLiteral("L1")}, {46, a.amount},
        {47, QStringLiteral("24")}, {50, online(QStringLiteral("Car repairs"))}, {53, QStringLiteral("1850")},
        {63, QStringLiteral("24000")}, {88, online(QStringLiteral("First school?"))}, {89, online(QStringLiteral("Hillside"))},
        {103, online(a.email)}, {104, online(QStringLiteral("Best time to call is after 6pm"))}, {105, QString()}, {106, QStringLiteral("EMAIL")}, {107, QStringLiteral("N")},
        {109, QStringLiteral("06/12/2026")}, {110, a.code}};
    insertRow(QStringLiteral("table_w"), w);
    // The website stores address rows as typed: with the code tables in use here no encoded
    // value carries the marker ("#" or "^") that tells the importer to decode it.
    insertRow(QStringLiteral("table_ad"), {{2, a.ni}, {3, QStringLiteral("HOME")}, {7, a.building},
                                           {9, a.street}, {11, a.town}, {14, a.postcode},
                                           {15, QStringLiteral("01632960123")}, {18, a.email},
                                           {19, QStringLiteral("01/01/2019")}, {20, QStringLiteral("I")}, {21, QStringLiteral("N")}});
}

// A document an existing member uploaded with the membership form: the website queues its
// member number, category and title encoded, and the name of the file it left in the
// uploads folder of its FTP service (the demo script serves that file).
void queueMembershipDocument(int member, const QString& fileName, const QString& title) {
    run(QStringLiteral("online"), QStringLiteral("INSERT INTO member_docs (member_no, Category, FileName, Title) VALUES (?, ?, ?, ?)"),
        {encodeOnlineNumber(QString::number(member), seed++), encodeOnlineField(QStringLiteral("WEBAPP"), seed++), fileName,
         encodeOnlineField(title, seed++)});
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
    // The personal loan product the applications ask for, and the loan number counters.
    run(QStringLiteral("TarvMain"),
        QStringLiteral("INSERT INTO Product (ProductCode, ProductType, IntTo1, IntRate1) VALUES ('L1', 3, 50000, 12.68)"));
    run(QStringLiteral("TarvMain"), QStringLiteral("UPDATE Control SET OneLoanCount=0, NewLoanCount=1001, TopUpCount=501"));
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

// A starting set of lending rules: two rule sets by total borrowing, the credit rules of
// each with their bands, and the policy rules. Staff change the bands and letters to their
// own lending policy.
void fillRuleTables() {
    run(QStringLiteral("TarvAudt"),
        QStringLiteral("INSERT INTO CRRuleset (FromValue, ToValue, ruleset) VALUES (0, 2000, 'SMALL'), (2000.01, 25000, 'STANDARD')"));
    struct { const char* code; const char* small; const char* standard; double min, max; const char* band; } rules[] = {
        {"CR01A", "1", "1", 0, 0, "R"},          {"CR01B", "1", "1", 0, 0, "R"},
        {"CR02A", "1", "1", 1, 99, "F"},         {"CR02D", "1", "1", 1, 1, "F"},
        {"CR02E", "1", "1", 1, 1, "F"},          {"CR02F", "1", "1", 500, 9999999, "R"},
        {"CR03A", "1", "1", 3, 99, "R"},         {"CR03C", "1", "1", 1, 99, "R"},
        {"CR03E", "0", "1", 3, 99, "F"},         {"CR05A", "1", "1", 4, 99, "R"},
        {"CR06A", "0", "1", 90, 9999, "R"},      {"CR06E", "1", "1", 0, 0, "R"},
        {"CR07A", "1", "1", 0, 420, "R"},        {"CR07C", "1", "1", 0, 380, "F"},
        {"CR08A", "1", "1", 1, 99, "F"},         {"CR09A", "0", "1", 45, 99999, "R"},
        {"CR10A", "1", "1", 0, 0, "F"},          {"CR11A", "1", "1", 0, 0, "R"},
    };
    for (const auto& r : rules)
        for (auto [ruleset, active] : {std::pair{"SMALL", r.small}, std::pair{"STANDARD", r.standard}})
            run(QStringLiteral("TarvAudt"),
                QStringLiteral("INSERT INTO CRRules (RuleCode, ruleactive, ruleset, rulevaluemin, rulevaluemax, RuleBand) "
                               "VALUES (?, ?, ?, ?, ?, ?)"),
                {QLatin1String(r.code), QString::fromLatin1(active).toInt(), QLatin1String(ruleset), r.min, r.max, QLatin1String(r.band)});
    struct { const char* code; const char* description; const char* value; const char* yes; const char* no; } policies[] = {
        {"PR10A", "Home owner", "0", "P", "P"},
        {"PR10B", "Housing association or council tenant", "0", "P", "P"},
        {"PR10C", "Private tenant", "0", "P", "P"},
        {"PR10D", "Living with family", "0", "P", "P"},
        {"PR10E", "Temporary accommodation: staff look at the application", "0", "R", "P"},
        {"PR11A", "Full-time employed", "0", "P", "P"},
        {"PR11F", "Income from benefits: staff check affordability", "0", "R", "P"},
        {"PR11G", "Unemployed: staff check affordability", "0", "R", "P"},
        {"PR12A", "Loans up to this amount need no credit report", "300", "P", "P"},
        {"PR13A", "Age at the end of the loan above this value", "75", "R", "P"},
        {"PR13B", "Dependants up to this age when the loan ends", "17", "P", "P"},
        {"PR15A", "Moved home in the last three years", "0", "P", "P"},
    };
    for (const auto& p : policies)
        run(QStringLiteral("TarvAudt"),
            QStringLiteral("INSERT INTO CUPolicyRules (rulecode, ruledesc, ruleactive, RuleValue, ruleyes, ruleno) VALUES (?, ?, 1, ?, ?, ?)"),
            {QLatin1String(p.code), QLatin1String(p.description), QLatin1String(p.value), QLatin1String(p.yes), QLatin1String(p.no)});
}

// The credit union's agency credentials, for the agency sandbox the demo runs: invented
// user names (encoded as the website encodes them) and throwaway passwords made afresh.
void addAgencyCredentials() {
    auto throwaway = [] { return QString::number(QRandomGenerator::system()->generate64(), 36); };
    const QString creditUser = encodeOnlineField(QStringLiteral("riverside.sandbox"), seed++);
    const QString identityCompany = encodeOnlineField(QStringLiteral("RIVERSIDE CU"), seed++);
    const QString identityUser = encodeOnlineField(QStringLiteral("riverside.eidv"), seed++);
    const QString identityPassword = encodeOnlineField(throwaway(), seed++);
    const QString section =
        QStringLiteral("\n[agency_213000]\nCreditReportCompany = RIVERSIDE CU\nCreditReportUserName = %1\n"
                       "CreditReportPassword = %2\nIdentityCheckCompany = %3\nIdentityCheckUserName = %4\n"
                       "IdentityCheckPassword = %5\n")
            .arg(creditUser, throwaway(), identityCompany, identityUser, identityPassword);
    QFile ini(QDir(home).filePath(QStringLiteral("autovelt.ini")));
    if (!ini.open(QIODevice::Append) || ini.write(section.toUtf8()) < 0) {
        std::fprintf(stderr, "sample data: cannot add the agency credentials to %s\n", qPrintable(ini.fileName()));
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) { std::fprintf(stderr, "usage: autovelt_sample_data HOME\n"); return 2; }
    home = QString::fromLocal8Bit(argv[1]);
    for (const char* name : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"}) openDatabase(QLatin1String(name));
    fillControlTables();
    fillRuleTables();
    addApplication({"AB123456C", "Ms", "Amelia", "Fitzgerald-Wright", "14/02/1990", "amelia.fw@mail.example", "2", "0.00",
                    "12", "Riverside Walk", "Bristol", "BS1 4DJ"});
    addApplication({"CD 65 43 21 D", "Mr", "Daniel", "O'Connor", "03/09/1984", "dan.oconnor@mail.example", "1", "1500.00",
                    "Rose Cottage", "Mill Lane", "Bath", "BA2 3QT"});
    addApplication({"JK654321A", "Mrs", "Margaret", "O'Brien", "17/04/1962", "maggie@mail.example", "1", "750.00",
                    "4", "Station Road", "Keynsham", "BS31 1HA"});
    // The agency sandbox answers by surname: this applicant's credit report shows defaults.
    addApplication({"GH445566F", "Mr", "Samuel", "Defaulter", "21/11/1979", "sam.d@mail.example", "1", "2500.00",
                    "31", "Hill Street", "Bath", "BA1 2PL"});
    addApplication({"EF998877E", "Miss", "Chloe", "Barnes", "", "chloe.b@mail.example", "2", "0.00",
                    "7", "Queen Street", "Bristol", "BS2 0EE"});
    queueMembershipDocument(1, QStringLiteral("upload-20261206-0001.pdf"), QStringLiteral("Passport"));
    addAgencyCredentials();
    std::printf("Sample data written to %s: 2 members, 5 pending online applications, 1 queued supporting document, "
                "agency credentials\n",
                qPrintable(home));
    return 0;
}
