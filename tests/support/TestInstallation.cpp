#include "support/TestInstallation.h"

#include "app/ControlSettings.h"
#include "app/InstallationSetup.h"
#include "common/SqlQuote.h"
#include "common/PrivateFiles.h"
#include "platform/db/Connection.h"
#include "platform/db/TextComparison.h"
#include "state/ConnectionStrings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <stdexcept>

namespace autovelt::test {

namespace {

const char* const kSampleRows[][2] = {
    {"TarvMain", "INSERT INTO Control (ID, FSARefNo, cuname, YearEndDate, ScanLocation, AutoLR, OSProductCode, "
                 "JSProductCode, OLProductCode, FreeCashMargin, Email, MixedCase, DoProfile) VALUES (1, '213000', "
                 "'Riverside Credit Union', '2026-09-30', 'SCANS', 0, 'S1', 'J1', 'L1', 50, 'office@riverside.example', 1, 0)"},
    {"TarvMain", "INSERT INTO ControlSwitches (ID, webip, webun, WEBPW, DefaultLoanPayoutMethod, CreateLogs, Rpost, RPostEmail) "
                 "VALUES (1, '10.0.0.33', 'riverside', 'S3cret-Web-PW', '', 1, 0, '')"},
    {"TarvMain", "INSERT INTO UDFSetUp (ID, UDF1Caption, UDF2Caption, Webmap1, Webmap2) VALUES (1, 'Employer', 'Branch', '1', '2')"},
    // The default loan product and the loan number counters: an application with an amount gets its loan.
    {"TarvMain", "INSERT INTO Product (ProductCode, ProductType, IntTo1, IntRate1) VALUES ('L1', 3, 50000, 12)"},
    {"TarvMain", "UPDATE Control SET OneLoanCount=0, NewLoanCount=1001, TopUpCount=501"},
};

}  // namespace

TestInstallation::TestInstallation() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    home_ = dir_.path();
    QDir home(home_);
    MakePrivateFolder(path(QStringLiteral("data")));
    MakePrivateFolder(path(QStringLiteral("scans")));
    const QDir schema(QDir(SchemaFolder()).filePath(QStringLiteral("sqlite")));
    for (const char* name : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"})
        CreateDatabaseFromScript(databaseFile(QLatin1String(name)), schema.filePath(QLatin1String(name) + QStringLiteral(".sql")));
    for (const auto& row : kSampleRows) exec(QLatin1String(row[0]), QString::fromUtf8(row[1]));
    exec(QStringLiteral("TarvMain"), QStringLiteral("UPDATE Control SET ScanLocation=%1").arg(QStringLiteral("'") + path(QStringLiteral("scans")) + QStringLiteral("'")));
    writeFile(QStringLiteral("t2sql.ini"), home.filePath(QStringLiteral("data")) + QStringLiteral("/\n"));
    writeFile(QStringLiteral("autovelt.ini"),
              QStringLiteral("[online]\ndatabase = data/online.db\n\n[mail]\npickup_folder = outbox\n"
                             "default_sender = donotreply@riverside.example\nsmtp_password = \"Mail-Pass-9\"\n\n"
                             "[web]\nhost1_suffix = .33\nhost1_name = web-one.example\nhost1_sender = donotreply@web-one.example\n"
                             "host2_name = web-two.example\nhost2_sender = donotreply@web-two.example\n"));
    QString reason;
    if (!CopySampleTemplates(home_, reason)) throw std::runtime_error(reason.toStdString());
    qputenv("AUTOVELT_MACHINE_REGISTRY", path(QStringLiteral("registry/machine.ini")).toUtf8());
    qputenv("AUTOVELT_USER_REGISTRY", path(QStringLiteral("registry/user.ini")).toUtf8());
    reload();
}

TestInstallation::~TestInstallation() { importer_.reset(); }

void TestInstallation::addMember(const StoredMember& m) {
    exec(QStringLiteral("TarvMain"),
         QStringLiteral("INSERT INTO MemberMain (MemberNo, MemberStatus, Title, Forename, MidName, Surname, NINumber, DOB, Sex, DOJ, "
                        "NewMember, AcceptMarketing, DeclineMarketing, ByEmail, JoinChannel) "
                        "VALUES (%1, %2, %3, %4, %5, %6, %7, %8, %9, '2001-01-01', 0, 0, 1, 0, 'C')")
             .arg(m.number)
             .arg(sqlText(m.status), sqlText(m.title), sqlText(m.forename), sqlText(m.midname), sqlText(m.surname), sqlText(m.ni),
                  m.dob.isEmpty() ? QStringLiteral("NULL") : sqlText(m.dob), sqlText(m.sex)));
    if (!m.home) return;
    exec(QStringLiteral("TarvMain"),
         QStringLiteral("INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line2, Line3, Postcode, EmailAddress) "
                        "VALUES (%1, 'HOME', 0, '12 High Street', '', 'Leeds', 'LS1 4AB', %2)")
             .arg(m.number)
             .arg(sqlText(m.homeEmail)));
}

QString TestInstallation::path(const QString& relative) const { return QDir(home_).filePath(relative); }

QString TestInstallation::databaseFile(const QString& name) const {
    return path(QStringLiteral("data/") + name + QStringLiteral(".db"));
}

void TestInstallation::reload() {
    importer_ = std::make_unique<Importer>(home_, reporter_, clock_);
    importer_->LoadInstallation();
}

namespace {

// Each call opens its own connection, with the product's text comparison so indexes agree.
QVariantList firstColumn(const QString& file, const QString& sqlText) {
    const QString name = QStringLiteral("test-") + QUuid::createUuid().toString();
    QVariantList column;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            db::RegisterTextComparison(db);
            QSqlQuery q(db);
            if (!q.exec(sqlText)) error = q.lastError().text() + QStringLiteral(": ") + sqlText;
            while (q.next()) column << q.value(0);
        } else {
            error = QStringLiteral("cannot open ") + file + QStringLiteral(": ") + db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty()) throw std::runtime_error(error.toStdString());
    return column;
}

}  // namespace

void TestInstallation::exec(const QString& database, const QString& sqlText) { firstColumn(databaseFile(database), sqlText); }

QVariant TestInstallation::scalar(const QString& database, const QString& sqlText) {
    return firstColumn(databaseFile(database), sqlText).value(0);
}

int TestInstallation::count(const QString& database, const QString& sqlText) {
    return int(firstColumn(databaseFile(database), sqlText).size());
}

QStringList TestInstallation::values(const QString& database, const QString& sqlText) {
    QStringList out;
    for (const QVariant& v : firstColumn(databaseFile(database), sqlText)) out << v.toString();
    return out;
}

QStringList TestInstallation::rows(const QString& database, const QString& table, const QStringList& columns, const QString& where) {
    QStringList shown;
    for (const QString& column : columns) shown << QStringLiteral("IFNULL(%1, '<null>')").arg(column);
    return values(database, QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid").arg(shown.join(QStringLiteral(" || '|' || ")), table, where));
}

QString TestInstallation::readFile(const QString& filePath) const { return QString::fromUtf8(FileBytes(path(filePath))); }

QStringList TestInstallation::importerLogs(const QString& names) const {
    const QDir web(path(QStringLiteral("web")));
    QStringList texts;
    for (const QString& name : web.entryList({names}, QDir::Files, QDir::Name)) texts << readFile(web.filePath(name)).trimmed();
    return texts;
}

void TestInstallation::writeFile(const QString& relative, const QString& text) {
    // Private, as the importer's own files are: it warns about anything else.
    if (!MakePrivateFolder(QFileInfo(path(relative)).absolutePath()) || !WritePrivateFile(path(relative), text.toUtf8()))
        throw std::runtime_error("cannot write test file");
}

void TestInstallation::appendConfig(const QString& iniText) {
    QFile f(path(QStringLiteral("autovelt.ini")));
    if (!f.open(QIODevice::Append | QIODevice::Text)) throw std::runtime_error("cannot append config");
    f.write((QStringLiteral("\n") + iniText + QStringLiteral("\n")).toUtf8());
    f.close();
    reload();
}

bool TestInstallation::useMariaDbOnline() {
    const QString port = qEnvironmentVariable("AUTOVELT_TEST_MYSQL_PORT");
    if (port.isEmpty()) return false;
    appendConfig(QStringLiteral("[online]\ndatabase =\nport = %1\nca_file = %2").arg(port, qEnvironmentVariable("AUTOVELT_TEST_MYSQL_CA_FILE")));
    exec(QStringLiteral("TarvMain"), QStringLiteral("UPDATE ControlSwitches SET webip='%1', webun='%2', WEBPW='%3'")
                                         .arg(qEnvironmentVariable("AUTOVELT_TEST_MYSQL_HOST"),
                                              qEnvironmentVariable("AUTOVELT_TEST_MYSQL_USER"),
                                              qEnvironmentVariable("AUTOVELT_TEST_MYSQL_PASSWORD")));
    for (const char* table : {"table_w", "table_ad", "member_docs", "rules_log"})
        execOnlineMySql(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
    execOnlineMySql(QStringLiteral("DROP TABLE IF EXISTS table_test"));
    return true;
}

void TestInstallation::openWebsite(db::Connection& website) {
    website.open(BuildOnlineConnectionString(qEnvironmentVariable("AUTOVELT_TEST_MYSQL_HOST"),
                                             qEnvironmentVariable("AUTOVELT_TEST_MYSQL_USER"),
                                             qEnvironmentVariable("AUTOVELT_TEST_MYSQL_PASSWORD")),
                 importer_->config.engine);
}

void TestInstallation::execOnlineMySql(const QString& sqlText) {
    db::Connection website;
    openWebsite(website);
    website.execute(sqlText);
}

void TestInstallation::openCoreConnections() { OpenCoreConnections(*importer_); }

QStringList TestInstallation::everyRow(const QString& database) {
    QStringList lines;
    for (const QString& table : values(database, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"))) {
        QStringList columns = values(database, QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
        for (QString& c : columns) c = QStringLiteral("IFNULL(\"%1\",'')").arg(c);
        const QString select = QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(columns.join("||'|'||"), table);
        for (const QString& row : values(database, select)) lines << table + QLatin1Char(':') + row;
    }
    return lines;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes, const QDateTime& modified) {
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    file.flush();  // before the time is set, or the close would move it
    if (modified.isValid() && !file.setFileTime(modified, QFileDevice::FileModificationTime))
        throw std::runtime_error("cannot set the time of " + path.toStdString());
}

QStringList FilesUnder(const QString& folder, bool withContent) {
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString file = it.next();
        files << QDir(folder).relativeFilePath(file) + (withContent ? QLatin1Char('=') + QString::fromLatin1(FileBytes(file)) : QString());
    }
    files.sort();
    return files;
}

QStringList RecordsetRows(db::Connection& connection, const QString& sqlText) {
    QStringList rows;
    for (db::Recordset rs = connection.openRecordset(sqlText); !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int i = 0; i < rs.fieldCount(); ++i) row << rs.text(i);
        rows << row.join(QLatin1Char('|'));
    }
    return rows;
}

}  // namespace autovelt::test
