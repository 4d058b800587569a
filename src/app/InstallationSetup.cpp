#include "app/InstallationSetup.h"

#include "comms/MemberEmailTemplate.h"
#include "common/PrivateFiles.h"
#include "common/VeltError.h"
#include "platform/db/TextComparison.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace autovelt::inline app {

namespace {

const char* const kCoreDatabases[] = {"TarvMain", "TarvTran", "TarvAudt", "TarvID"};

QStringList statementsOf(const QString& script) {
    QString text = script;
    text.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList statements;
    for (const QString& part : text.split(QLatin1Char(';')))
        if (!part.trimmed().isEmpty()) statements << part.trimmed();
    return statements;
}

const char* const kConfigTemplate = R"(; AutoVelt installation settings. Every key is optional; the README lists them all.

[online]
; An SQLite file standing in for the website's MySQL database (demos and test installations).
; Leave it unset to use the MySQL server named in ControlSwitches.
;database = data/online.db
; TLS to the MySQL server: required, auto (when offered), or off. The server's certificate
; must chain to ca_file (else to the system's certificates).
;tls = required
;ca_file = /etc/autovelt/online-ca.pem
;port = 3306
; How long a statement may wait for the server to answer or accept data.
;read_timeout_seconds = 60
;write_timeout_seconds = 60

[database]
; ODBC driver used for SQL Server core banking databases.
;odbc_driver = ODBC Driver 18 for SQL Server

[web]
; The two web hosts; host1 is chosen when ControlSwitches.webip ends in host1_suffix.
;host1_suffix = .33
;host1_name = web1.example.org
;host1_sender = donotreply@web1.example.org
;host2_name = web2.example.org
;host2_sender = donotreply@web2.example.org
; Web server addresses (as in ControlSwitches.webip) whose FTP service needs active mode.
;ftp_active_addresses = 192.0.2.10, 192.0.2.11
;ftp_port = 21
; TLS to the FTP server: required, auto (when offered), or off; its certificate is verified
; against ftp_ca_file, else the system's certificates.
;ftp_tls = required
;ftp_ca_file = /etc/autovelt/web-ca.pem
; The applicants' upload page linked from their emails, on the host the web server address
; selects by its ending: .33 upload_host1, 120 upload_host2, .81 upload_host3.
;upload_host1 = www.example.org
;upload_host2 = www2.example.org
;upload_host3 = www3.example.org

[mail]
;default_sender = donotreply@example.org
; Where applicant mail goes in UAT mode (with the credit union's own address) and in a
; single-application run (id.txt); several addresses are separated by ";".
;support_mailbox = support@example.org
;smtp_password = "change me"
; false: log in and send in clear to a server that offers no TLS (the password then travels
; unencrypted). Whenever TLS is used the server's certificate is verified.
;require_tls = true
; true: TLS from the first byte (SSL on connect, port 465 unless smtp_port is set).
;ssl = false
;ca_file = /etc/autovelt/mail-ca.pem
; Write every message as an .eml file here instead of sending it.
;pickup_folder = outbox

[agency]
; Request copies and kept agency answers (personal data) are removed after this many days.
;trace_retention_days = 30

[timing]
; The one-second and half-second settle pauses of a cycle.
;settle_pauses = true
; Minutes the oldest pending application may wait before --status reports it (default 60).
;stale_minutes = 60

[profile]
; What the import does differently for some credit unions, one flag each (the README lists
; them); a flag's default comes from the registration number (Control.FSARefNo), and true or
; false here overrides it.
;bank_codes_not_stored = false

[encoding]
; Tables shared with the website that encodes the online values.
;digits = 58039271465803927146
;symbols = "Qk!Tm&zR$bQk!Tm&zR$b"
;member_code_table = 1234, 2345, 3456, 4567, 5678, 6789, 7890

; Agency credentials: one group per credit union registration number, and agency_test.
;[agency_123456]
;CreditReportCompany =
;CreditReportUserName =
;CreditReportPassword =
;IdentityCheckCompany =
;IdentityCheckUserName =
;IdentityCheckPassword =
;IdentityCheckApplication =
)";

bool holdsInstallation(const QDir& home) {
    return home.exists(QStringLiteral("autovelt.ini")) || home.exists(QStringLiteral("t2sql.ini")) ||
           home.exists(QStringLiteral("data"));
}

bool writeText(const QString& path, const QString& text) { return WritePrivateFile(path, text.toUtf8()); }

// A folder of the program's own files: beside the program in the build tree, under share/
// when installed from the package, else the source tree's.
QString dataFolder(const QString& name, const QString& sourceTreeFolder) {
    if (QCoreApplication::instance()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        for (const QString& relative : {name, QStringLiteral("../share/autovelt/") + name})
            if (programDir.exists(relative)) return QDir::cleanPath(programDir.filePath(relative));
    }
    return sourceTreeFolder;
}

}  // namespace

QString SchemaFolder() { return dataFolder(QStringLiteral("schema"), QStringLiteral(AUTOVELT_SCHEMA_DIR)); }

void CreateDatabaseFromScript(const QString& databaseFile, const QString& scriptFile) {
    QFile script(scriptFile);
    if (!script.open(QIODevice::ReadOnly | QIODevice::Text))
        throw VeltError(53, QStringLiteral("Setup"), QStringLiteral("File not found: ") + scriptFile);
    const QString statements = QString::fromUtf8(script.readAll());
    // The engine keeps the mode of a file that exists (for its journals too): make it private first.
    QFile database(databaseFile);
    if (!OpenPrivateFile(database, QIODevice::ReadWrite))
        throw VeltError(75, QStringLiteral("Setup"), QStringLiteral("Path/File access error: ") + databaseFile);
    database.close();
    const QString name = QStringLiteral("setup-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile);
        if (!db.open()) throw VeltError(-2147467259, QStringLiteral("Setup"), db.lastError().text());
        db::RegisterTextComparison(db);
        QSqlQuery q(db);
        for (const QString& statement : statementsOf(statements))
            if (!q.exec(statement))
                throw VeltError(-2147467259, QStringLiteral("Setup"), q.lastError().text() + QStringLiteral(": ") + statement.left(80));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString TemplateFolder() { return dataFolder(QStringLiteral("templates"), QStringLiteral(AUTOVELT_TEMPLATE_DIR)); }

QStringList EmailTemplateNames() {
    return {kJoinTemplate, kLoanTemplate, kJoinAndLoanTemplate, kJoinFailTemplate, kLoanFailTemplate};
}

bool CopySampleTemplates(const QString& homeFolder, QString& reason) {
    const QDir samples(TemplateFolder());
    const QDir home(homeFolder);
    for (const QString& name : EmailTemplateNames()) {
        if (QFileInfo::exists(home.filePath(name))) continue;
        QFile sample(samples.filePath(name));
        if (!sample.open(QIODevice::ReadOnly)) {
            reason = QStringLiteral("the sample email template %1 cannot be read: %2").arg(sample.fileName(), sample.errorString());
            return false;
        }
        QString error;
        if (!WritePrivateFile(home.filePath(name), sample.readAll(), &error)) {
            reason = QStringLiteral("cannot write %1: %2").arg(home.filePath(name), error);
            return false;
        }
    }
    return true;
}

bool InitInstallation(const QString& homeFolder, QString& reason) {
    QDir home(homeFolder);
    if (home.exists() && holdsInstallation(home)) {
        reason = QStringLiteral("%1 already holds an installation; nothing was changed").arg(home.absolutePath());
        return false;
    }
    for (const QString& name : EmailTemplateNames()) {
        if (!QFileInfo(QDir(TemplateFolder()).filePath(name)).isReadable()) {
            reason = QStringLiteral("the sample email template %1 is missing from %2; nothing was changed").arg(name, TemplateFolder());
            return false;
        }
    }
    if (!MakePrivateFolder(home.absolutePath()) || !MakePrivateFolder(home.filePath(QStringLiteral("data"))) ||
        !MakePrivateFolder(home.filePath(QStringLiteral("scans")))) {
        reason = QStringLiteral("cannot create folders in %1").arg(home.absolutePath());
        return false;
    }
    const QDir schema(QDir(SchemaFolder()).filePath(QStringLiteral("sqlite")));
    try {
        for (const char* name : kCoreDatabases)
            CreateDatabaseFromScript(home.filePath(QStringLiteral("data/%1.db").arg(QLatin1String(name))),
                                     schema.filePath(QStringLiteral("%1.sql").arg(QLatin1String(name))));
        CreateDatabaseFromScript(home.filePath(QStringLiteral("data/online.db")), schema.filePath(QStringLiteral("online.sql")));
    } catch (const VeltError& e) {
        reason = e.description();
        return false;
    }
    if (!writeText(home.filePath(QStringLiteral("t2sql.ini")), home.absoluteFilePath(QStringLiteral("data")) + QStringLiteral("/\n")) ||
        !writeText(home.filePath(QStringLiteral("autovelt.ini")), QString::fromUtf8(kConfigTemplate))) {
        reason = QStringLiteral("cannot write the settings files in %1").arg(home.absolutePath());
        return false;
    }
    return CopySampleTemplates(home.absolutePath(), reason);
}

}  // namespace autovelt::app
