#include "app/InstallationCheck.h"

#include "app/ControlSettings.h"
#include "app/InstallationSetup.h"
#include "comms/ImporterMail.h"
#include "comms/SendEmail.h"
#include "common/PrivateFiles.h"
#include "common/VeltError.h"
#include "platform/Registry.h"
#include "platform/net/Reachability.h"
#include "state/Importer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

namespace autovelt::inline app {

namespace {

constexpr int kReachTimeoutSeconds = 10;

// Tables the importer creates itself when they are missing, and tables a core banking
// database may lack without harm.
bool isOptionalTable(const QString& table) {
    return table.startsWith(QLatin1String("Velt")) || table == QLatin1String("VELTTimings") ||
           table == QLatin1String("table_test");
}

// Each table the schema script creates, with its first column.
QList<QPair<QString, QString>> tablesOfScript(const QString& scriptFile) {
    QFile file(scriptFile);
    QList<QPair<QString, QString>> tables;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return tables;
    static const QRegularExpression create(QStringLiteral("CREATE TABLE IF NOT EXISTS (\\w+) \\(\\s*(\\w+)"));
    auto it = create.globalMatch(QString::fromUtf8(file.readAll()));
    while (it.hasNext()) {
        const auto match = it.next();
        if (!isOptionalTable(match.captured(1))) tables.append({match.captured(1), match.captured(2)});
    }
    return tables;
}

class Checker {
public:
    Checker(const QString& home, Clock& clock) : im_(home, reporter_, clock) {}

    QList<CheckResult> run() {
        im_.LoadInstallation();
        if (!checkConfiguration()) return results_;
        checkPermissions();
        if (checkCoreDatabases()) {
            checkSettingsAndOnline();
            checkScanFolder();
        }
        checkTemplates();
        checkMailServer();
        checkAgency();
        im_.connections.closeAll();
        return results_;
    }

private:
    void pass(const QString& name, const QString& detail) { results_.append({true, name, detail}); }
    void fail(const QString& name, const QString& detail) { results_.append({false, name, detail}); }

    bool checkConfiguration() {
        QStringList problems = im_.config.problems;
        if (!im_.startup.settingsFileProblem.isEmpty()) problems << im_.startup.settingsFileProblem;
        for (const QString& problem : problems) fail(QStringLiteral("configuration"), problem);
        if (problems.isEmpty()) pass(QStringLiteral("configuration"), im_.config.filePath);
        return problems.isEmpty();
    }

    // The configuration, the data folder and every file that can hold a password: the
    // settings file (a SQL Server login) and both registry files (AdminPW).
    void checkPermissions() {
        const QString dataFolder = im_.startup.chkSQL ? QString() : im_.startup.txtDatabase;
        const QStringList passwordFiles = {im_.config.filePath, im_.programFile(QStringLiteral("t2sql.ini")),
                                           Registry::hiveFileFor(Registry::HKEY_LOCAL_MACHINE),
                                           Registry::hiveFileFor(Registry::HKEY_CURRENT_USER)};
        QStringList paths;
        for (const QString& file : passwordFiles)
            if (QFileInfo::exists(file) && !paths.contains(file)) paths << file;
        for (const QString& path : paths + QStringList{dataFolder}) {
            if (path.isEmpty()) continue;
            const QString name = QStringLiteral("permissions of ") + QDir::cleanPath(path);
            if (IsOpenToOthers(path)) fail(name, QStringLiteral("open to other users of this computer; make it private (chmod %1)")
                                                     .arg(QFileInfo(path).isDir() ? QStringLiteral("700") : QStringLiteral("600")));
            else pass(name, QStringLiteral("private"));
        }
    }

    bool checkCoreDatabases() {
        try {
            OpenCoreConnections(im_);
        } catch (const VeltError& e) {
            fail(QStringLiteral("core banking databases"), e.description());
            return false;
        }
        Connections& c = im_.connections;
        bool allThere = true;
        for (auto [name, connection] : {std::pair{QStringLiteral("TarvMain"), &c.TarvMain}, std::pair{QStringLiteral("TarvTran"), &c.TarvTran},
                                        std::pair{QStringLiteral("TarvAudt"), &c.TarvAudt}, std::pair{QStringLiteral("TarvID"), &c.TarvID}}) {
            QStringList missing;
            try {
                for (const auto& [table, column] : tablesOfScript(QDir(SchemaFolder()).filePath(QStringLiteral("sqlite/") + name + QStringLiteral(".sql"))))
                    if (!connection->columnExists(table, column)) missing << table;
            } catch (const VeltError& e) {
                fail(QStringLiteral("database ") + name, e.description());
                allThere = false;
                continue;
            }
            if (missing.isEmpty()) pass(QStringLiteral("database ") + name, QStringLiteral("every table present"));
            else fail(QStringLiteral("database ") + name, QStringLiteral("missing table(s): ") + missing.join(QStringLiteral(", ")));
            allThere = allThere && missing.isEmpty();
        }
        if (allThere) checkIndexes();
        return allThere;
    }

    // Indexes of the core banking tables are the credit union's to make; without those the
    // import reads by, each application takes longer as the table grows.
    void checkIndexes() {
        if (im_.startup.chkSQL) return;
        const struct { db::Connection* connection; const char* table; const char* column; } needed[] = {
            {&im_.connections.TarvMain, "MemberBalances", "MemberNo"}};
        for (const auto& n : needed) {
            const QString name = QStringLiteral("index on %1 (%2)").arg(QLatin1String(n.table), QLatin1String(n.column));
            try {
                const db::Recordset rs = n.connection->openRecordset(
                    QStringLiteral("SELECT COUNT(*) FROM pragma_index_list('%1') AS l, pragma_index_info(l.name) AS i "
                                   "WHERE i.seqno=0 AND lower(i.name)=lower('%2')").arg(QLatin1String(n.table), QLatin1String(n.column)));
                if (rs.value(0).toInt() > 0) pass(name, QStringLiteral("present"));
                else fail(name, QStringLiteral("missing: each import reads the table by %1 and slows down as it grows; "
                                               "create it with CREATE INDEX idx_%2_%1 ON %2 (%1)")
                                    .arg(QLatin1String(n.column), QLatin1String(n.table)));
            } catch (const VeltError& e) {
                fail(name, e.description());
            }
        }
    }

    // The cycle's own settings load: Control, ControlSwitches, the scanned images folder and
    // the online database, with the lines a cycle would report.
    void checkSettingsAndOnline() {
        im_.connections.closeAll();
        LoadControlSettings(im_);
        QStringList problems;
        for (const QString& line : reporter_.problems())
            if (!line.startsWith(QLatin1String("Table_test found"))) problems << line;
        reporter_.clear();
        if (im_.SkipImport || !problems.isEmpty()) {
            fail(QStringLiteral("settings and online database"), problems.isEmpty() ? QStringLiteral("the cycle would stop") : problems.join(QStringLiteral(" / ")));
            return;
        }
        settingsLoaded_ = true;
        pass(QStringLiteral("online database"), (im_.settings.UATMode ? QStringLiteral("reachable, test installation (table_test present)")
                                                                      : QStringLiteral("reachable, applications tables present")) +
                                                    onlineSecurity());
    }

    // How far the link to the online database is protected. The MySQL driver checks that the
    // server's certificate chains to the trusted certificates but cannot check its host name.
    QString onlineSecurity() {
        db::Connection& online = im_.connections.OnlineConnection;
        if (online.engine() != db::Engine::MySql) return {};
        if (!online.encrypted())
            return QStringLiteral("; NOT encrypted ([online] tls = %1): the online password and applications travel in clear")
                .arg(im_.config.engine.mysqlTls);
        const QString trusted = im_.config.engine.mysqlCaFile.isEmpty() ? QStringLiteral("the system's certificates")
                                                                        : im_.config.engine.mysqlCaFile;
        return QStringLiteral("; encrypted (TLS), certificate chain verified against ") + trusted +
               QStringLiteral("; the database driver cannot check the server's host name: for a fully verified link reach "
                              "the server through a tunnel (SSH or TLS) on loopback");
    }

    void checkScanFolder() {
        if (settingsLoaded_) checkWritableFolder(QStringLiteral("scanned images folder"), QString(), im_.settings.ScanLocation);
    }

    // Under the service every folder outside the installation is read-only unless a drop-in
    // names it, so the line says which user was refused and where the remedy is.
    void checkWritableFolder(const QString& name, const QString& shownAs, const QString& path) {
        const QFileInfo folder(path);
        const QString what = shownAs + path;
        if (!folder.isDir()) fail(name, what + QStringLiteral(" does not exist"));
        else if (!folder.isWritable())
            fail(name, what + QStringLiteral(" cannot be written by user %1 (a service needs ReadWritePaths= for it: see the README)")
                                  .arg(accountName()));
        else pass(name, what + QStringLiteral(", writable by user ") + accountName());
    }

    static QString accountName() {
        const passwd* account = ::getpwuid(::geteuid());
        return account ? QString::fromLocal8Bit(account->pw_name) : QString::number(::geteuid());
    }

    void checkTemplates() {
        QStringList missing;
        for (const QString& name : EmailTemplateNames()) {
            const QFileInfo file(im_.programFile(name));
            if (!file.isFile() || !file.isReadable()) missing << name;
        }
        if (missing.isEmpty()) pass(QStringLiteral("email templates"), QStringLiteral("all five present"));
        else fail(QStringLiteral("email templates"), QStringLiteral("missing or unreadable: ") + missing.join(QStringLiteral(", ")));
    }

    void checkMailServer() {
        const InstallationConfig& c = im_.config;
        if (!c.mailPickupFolder.isEmpty()) {
            checkWritableFolder(QStringLiteral("mail"), QStringLiteral("pickup folder "), c.mailPickupFolder);
            return;
        }
        const MailSettings mail = mailContextOf(im_.cycle()).settings;
        const QString host = MailHostFor(im_.settings.WebHost, mail);
        if (host.isEmpty()) {
            fail(QStringLiteral("mail server"), QStringLiteral("no server: set [mail] smtp_server or the web hosts in autovelt.ini"));
            return;
        }
        const QString address = QStringLiteral("%1:%2").arg(host).arg(MailPortFor(25, mail));
        // SSL on connect: the handshake and the certificate are checked too.
        const QString why = ReachServer((mail.sslOnConnect ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + address,
                                        mail.caFile, kReachTimeoutSeconds);
        if (why.isEmpty()) pass(QStringLiteral("mail server"), address + QStringLiteral(" answers"));
        else fail(QStringLiteral("mail server"), address + QStringLiteral(": ") + why);
    }

    void checkAgency() {
        const AgencyService& a = im_.config.agency;
        const bool test = im_.settings.UATMode;
        const AgencyCredentialSet credentials = im_.config.agencyCredentials(im_.settings.FSARefNo, test);
        const QString validateHost = test ? a.callValidateTestHost : a.callValidateLiveHost;
        const QString reportHost = test ? a.callReportTestHost : a.callReportLiveHost;
        if (validateHost.isEmpty() && reportHost.isEmpty()) {
            if (credentials.present) fail(QStringLiteral("agency"), QStringLiteral("credentials are set but no agency host ([agency] callvalidate_*_host, callreport_*_host)"));
            else pass(QStringLiteral("agency"), QStringLiteral("not configured: no identity checks or credit searches"));
            return;
        }
        // Both services may share a host: each line names its service.
        for (const auto& [service, host] : {std::pair{QStringLiteral("identity check"), validateHost},
                                            std::pair{QStringLiteral("credit search"), reportHost}}) {
            if (host.isEmpty()) continue;
            const QString name = QStringLiteral("agency %1 %2").arg(service, host);
            const QString why = ReachServer(QStringLiteral("https://") + host + QLatin1Char('/'), a.caFile, kReachTimeoutSeconds);
            if (why.isEmpty()) pass(name, QStringLiteral("answers, certificate verified"));
            else fail(name, why);
        }
    }

    ListReporter reporter_;
    Importer im_;
    bool settingsLoaded_ = false;
    QList<CheckResult> results_;
};

}  // namespace

QList<CheckResult> CheckInstallation(const QString& homeFolder, Clock& clock) { return Checker(homeFolder, clock).run(); }

int RunCheckCommand(const QString& homeFolder) {
    SystemClock clock;
    bool allPassed = true;
    for (const CheckResult& r : CheckInstallation(homeFolder, clock)) {
        std::printf("%s  %s: %s\n", r.passed ? "PASS" : "FAIL", qPrintable(r.name), qPrintable(r.detail));
        allPassed = allPassed && r.passed;
    }
    std::fflush(stdout);
    return allPassed ? 0 : 1;
}

}  // namespace autovelt::app
