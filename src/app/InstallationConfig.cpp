#include "app/InstallationConfig.h"

#include "common/Values.h"

#include <QDir>
#include <QSettings>

namespace autovelt {

namespace {

// A value with an unquoted comma reads as a list; it is the text as written.
QString textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

WebHostEntry readHost(QSettings& ini, const QString& prefix) {
    WebHostEntry h;
    h.suffix = textOf(ini.value(prefix + QLatin1String("_suffix")));
    h.name = textOf(ini.value(prefix + QLatin1String("_name")));
    h.senderAddress = textOf(ini.value(prefix + QLatin1String("_sender")));
    return h;
}

QString resolvePath(const QString& home, const QString& path) {
    if (path.isEmpty()) return path;
    return QDir(home).absoluteFilePath(path);
}

// A positive percentage; anything else keeps the statutory cap and is named as a problem.
double readRateCap(QSettings& ini, QStringList& problems) {
    constexpr double statutoryCap = 42.6;
    const QString key = QStringLiteral("loans/rate_cap_apr");
    if (!ini.contains(key)) return statutoryCap;
    const QString text = textOf(ini.value(key));
    const std::optional<double> value = numericValue(text);
    if (value && *value > 0) return *value;
    problems << QStringLiteral("[loans] rate_cap_apr is not a positive percentage (") + text.left(20) +
                    QStringLiteral("); the cap of 42.6% APR applies");
    return statutoryCap;
}

}  // namespace

InstallationConfig InstallationConfig::load(const QString& homeFolder) {
    InstallationConfig c;
    c.filePath = QDir(homeFolder).filePath(QStringLiteral("autovelt.ini"));
    QSettings ini(c.filePath, QSettings::IniFormat);

    c.engine.odbcDriver = textOf(ini.value(QStringLiteral("database/odbc_driver"), c.engine.odbcDriver));
    c.engine.embeddedOnlineDatabase = resolvePath(homeFolder, textOf(ini.value(QStringLiteral("online/database"))));
    c.engine.mysqlTls = textOf(ini.value(QStringLiteral("online/tls"), c.engine.mysqlTls));
    c.engine.mysqlPort = ini.value(QStringLiteral("online/port"), 0).toInt();

    ini.beginGroup(QStringLiteral("web"));
    c.hostOne = readHost(ini, QStringLiteral("host1"));
    c.hostTwo = readHost(ini, QStringLiteral("host2"));
    ini.endGroup();

    c.defaultSenderAddress = textOf(ini.value(QStringLiteral("mail/default_sender"), c.defaultSenderAddress));
    c.supportMailbox = textOf(ini.value(QStringLiteral("mail/support_mailbox")));
    c.smtpPassword = textOf(ini.value(QStringLiteral("mail/smtp_password")));
    c.mailPickupFolder = resolvePath(homeFolder, textOf(ini.value(QStringLiteral("mail/pickup_folder"))));
    c.smtpServerOverride = textOf(ini.value(QStringLiteral("mail/smtp_server")));
    c.smtpPortOverride = ini.value(QStringLiteral("mail/smtp_port"), 0).toInt();
    c.mailTimeoutSeconds = ini.value(QStringLiteral("mail/timeout_seconds"), 30).toInt();
    c.settlePauses = ini.value(QStringLiteral("timing/settle_pauses"), true).toBool();
    c.codeTables.digits = textOf(ini.value(QStringLiteral("encoding/digits"), c.codeTables.digits));
    c.codeTables.symbols = textOf(ini.value(QStringLiteral("encoding/symbols"), c.codeTables.symbols));
    const QStringList memberCode = ini.value(QStringLiteral("encoding/member_code_table")).toStringList();
    if (memberCode.size() == static_cast<int>(c.memberCodeTable.p.size()))
        for (size_t i = 0; i < c.memberCodeTable.p.size(); ++i) c.memberCodeTable.p[i] = memberCode[int(i)].trimmed().toInt();
    c.rateCapApr = readRateCap(ini, c.problems);
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
    set.CreditReportCompany = textOf(ini.value(QStringLiteral("CreditReportCompany")));
    set.CreditReportUserName = textOf(ini.value(QStringLiteral("CreditReportUserName")));
    set.CreditReportPassword = textOf(ini.value(QStringLiteral("CreditReportPassword")));
    set.IdentityCheckCompany = textOf(ini.value(QStringLiteral("IdentityCheckCompany")));
    set.IdentityCheckUserName = textOf(ini.value(QStringLiteral("IdentityCheckUserName")));
    set.IdentityCheckPassword = textOf(ini.value(QStringLiteral("IdentityCheckPassword")));
    set.IdentityCheckApplication = textOf(ini.value(QStringLiteral("IdentityCheckApplication")));
    ini.endGroup();
    return set;
}

}  // namespace autovelt
