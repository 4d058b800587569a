#include "app/InstallationConfig.h"

#include <QDir>
#include <QSettings>

namespace autovelt {

namespace {

WebHostEntry readHost(QSettings& ini, const QString& prefix) {
    WebHostEntry h;
    h.suffix = ini.value(prefix + QLatin1String("_suffix")).toString();
    h.name = ini.value(prefix + QLatin1String("_name")).toString();
    h.senderAddress = ini.value(prefix + QLatin1String("_sender")).toString();
    return h;
}

QString resolvePath(const QString& home, const QString& path) {
    if (path.isEmpty()) return path;
    return QDir(home).absoluteFilePath(path);
}

}  // namespace

InstallationConfig InstallationConfig::load(const QString& homeFolder) {
    InstallationConfig c;
    c.filePath = QDir(homeFolder).filePath(QStringLiteral("autovelt.ini"));
    QSettings ini(c.filePath, QSettings::IniFormat);

    c.engine.odbcDriver = ini.value(QStringLiteral("database/odbc_driver"), c.engine.odbcDriver).toString();
    c.engine.embeddedOnlineDatabase = resolvePath(homeFolder, ini.value(QStringLiteral("online/database")).toString());
    c.engine.mysqlTls = ini.value(QStringLiteral("online/tls"), c.engine.mysqlTls).toString();
    c.engine.mysqlPort = ini.value(QStringLiteral("online/port"), 0).toInt();

    ini.beginGroup(QStringLiteral("web"));
    c.hostOne = readHost(ini, QStringLiteral("host1"));
    c.hostTwo = readHost(ini, QStringLiteral("host2"));
    ini.endGroup();

    c.defaultSenderAddress = ini.value(QStringLiteral("mail/default_sender"), c.defaultSenderAddress).toString();
    c.supportMailbox = ini.value(QStringLiteral("mail/support_mailbox")).toString();
    c.smtpPassword = ini.value(QStringLiteral("mail/smtp_password")).toString();
    c.mailPickupFolder = resolvePath(homeFolder, ini.value(QStringLiteral("mail/pickup_folder")).toString());
    c.smtpServerOverride = ini.value(QStringLiteral("mail/smtp_server")).toString();
    c.smtpPortOverride = ini.value(QStringLiteral("mail/smtp_port"), 0).toInt();
    c.mailTimeoutSeconds = ini.value(QStringLiteral("mail/timeout_seconds"), 30).toInt();
    c.settlePauses = ini.value(QStringLiteral("timing/settle_pauses"), true).toBool();
    c.codeTables.digits = ini.value(QStringLiteral("encoding/digits"), c.codeTables.digits).toString();
    c.codeTables.symbols = ini.value(QStringLiteral("encoding/symbols"), c.codeTables.symbols).toString();
    const QStringList memberCode = ini.value(QStringLiteral("encoding/member_code_table")).toStringList();
    if (memberCode.size() == static_cast<int>(c.memberCodeTable.p.size()))
        for (size_t i = 0; i < c.memberCodeTable.p.size(); ++i) c.memberCodeTable.p[i] = memberCode[int(i)].trimmed().toInt();
    c.agencyFile_ = c.filePath;
    return c;
}

AgencyCredentialSet InstallationConfig::agencyCredentials(const QString& fsaRefNo, bool uatMode) const {
    AgencyCredentialSet set;
    const QString group = uatMode ? QStringLiteral("agency_test") : QStringLiteral("agency_") + fsaRefNo;
    if (!uatMode && fsaRefNo.trimmed().isEmpty()) return set;
    QSettings ini(agencyFile_, QSettings::IniFormat);
    if (!ini.childGroups().contains(group)) return set;
    ini.beginGroup(group);
    set.present = true;
    set.CreditReportCompany = ini.value(QStringLiteral("CreditReportCompany")).toString();
    set.CreditReportUserName = ini.value(QStringLiteral("CreditReportUserName")).toString();
    set.CreditReportPassword = ini.value(QStringLiteral("CreditReportPassword")).toString();
    set.IdentityCheckCompany = ini.value(QStringLiteral("IdentityCheckCompany")).toString();
    set.IdentityCheckUserName = ini.value(QStringLiteral("IdentityCheckUserName")).toString();
    set.IdentityCheckPassword = ini.value(QStringLiteral("IdentityCheckPassword")).toString();
    set.IdentityCheckApplication = ini.value(QStringLiteral("IdentityCheckApplication")).toString();
    ini.endGroup();
    return set;
}

}  // namespace autovelt
