#include "state/InstallationConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>

namespace autovelt::inline state {

namespace {

const QString kAgencyPrefix = QStringLiteral("agency_");
const QString kProfilePrefix = QStringLiteral("profile/");

// Keys whose values are never shown in a problem line.
const QSet<QString> kSecretKeys = {QStringLiteral("smtp_password"), QStringLiteral("CreditReportPassword"),
                                   QStringLiteral("IdentityCheckPassword")};

const QSet<QString> kKnownKeys = {
    QStringLiteral("online/database"), QStringLiteral("online/tls"), QStringLiteral("online/port"),
    QStringLiteral("online/ca_file"), QStringLiteral("online/read_timeout_seconds"), QStringLiteral("online/write_timeout_seconds"),
    QStringLiteral("web/ftp_tls"), QStringLiteral("web/ftp_ca_file"), QStringLiteral("mail/ssl"), QStringLiteral("mail/ca_file"),
    QStringLiteral("agency/trace_retention_days"),
    QStringLiteral("database/odbc_driver"),
    QStringLiteral("web/host1_suffix"), QStringLiteral("web/host1_name"), QStringLiteral("web/host1_sender"),
    QStringLiteral("web/host2_name"), QStringLiteral("web/host2_sender"),
    QStringLiteral("web/ftp_active_addresses"), QStringLiteral("web/ftp_port"),
    QStringLiteral("web/max_document_mb"), QStringLiteral("web/ftp_low_speed_bytes"), QStringLiteral("web/ftp_low_speed_seconds"),
    QStringLiteral("web/upload_host1"), QStringLiteral("web/upload_host2"), QStringLiteral("web/upload_host3"),
    QStringLiteral("mail/default_sender"), QStringLiteral("mail/support_mailbox"), QStringLiteral("mail/smtp_password"),
    QStringLiteral("mail/pickup_folder"), QStringLiteral("mail/smtp_server"), QStringLiteral("mail/smtp_port"),
    QStringLiteral("mail/timeout_seconds"), QStringLiteral("mail/require_tls"),
    QStringLiteral("timing/settle_pauses"), QStringLiteral("timing/batch_applications"), QStringLiteral("timing/stale_minutes"),
    QStringLiteral("loans/rate_cap_apr"),
    QStringLiteral("agency/callreport_live_host"), QStringLiteral("agency/callreport_test_host"),
    QStringLiteral("agency/callvalidate_live_host"), QStringLiteral("agency/callvalidate_test_host"),
    QStringLiteral("agency/callreport_namespace"), QStringLiteral("agency/ca_file"),
    QStringLiteral("agency/connect_timeout_seconds"), QStringLiteral("agency/timeout_seconds"),
    QStringLiteral("agency/single_search_registrations"),
    QStringLiteral("encoding/digits"), QStringLiteral("encoding/symbols"), QStringLiteral("encoding/member_code_table"),
};

const QStringList kAgencyKeys = {QStringLiteral("CreditReportCompany"), QStringLiteral("CreditReportUserName"),
                                 QStringLiteral("CreditReportPassword"), QStringLiteral("IdentityCheckCompany"),
                                 QStringLiteral("IdentityCheckUserName"), QStringLiteral("IdentityCheckPassword"),
                                 QStringLiteral("IdentityCheckApplication")};
// The agency items stored encoded, as the website encodes its values.
const QStringList kEncodedAgencyKeys = {QStringLiteral("CreditReportUserName"), QStringLiteral("IdentityCheckCompany"),
                                        QStringLiteral("IdentityCheckUserName"), QStringLiteral("IdentityCheckPassword"),
                                        QStringLiteral("IdentityCheckApplication")};

// A value with an unquoted comma reads as a list; it is the text as written.
QString textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString resolvePath(const QString& home, const QString& path) {
    if (path.isEmpty()) return path;
    return QDir(home).absoluteFilePath(path);
}

// Reads the keys of one file, checking each value and collecting one line per fault.
class CheckedReader {
public:
    CheckedReader(QSettings& ini, QStringList& problems) : ini_(ini), problems_(problems) {}

    // The value as written; empty when the key is missing or written without a value.
    QString raw(const QString& key) const { return textOf(ini_.value(key)).trimmed(); }

    QString text(const QString& key, const QString& fallback = {}) {
        const QString value = raw(key);
        if (value.isEmpty()) return fallback;
        if (hasControlCharacter(value)) return invalid(key, QStringLiteral("it holds a control character")), fallback;
        return value;
    }

    int number(const QString& key, int fallback, int min, int max) {
        const QString value = raw(key);
        if (value.isEmpty()) return fallback;
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < min || n > max)
            return invalid(key, QStringLiteral("a whole number from %1 to %2 is needed").arg(min).arg(max)), fallback;
        return n;
    }

    double positiveNumber(const QString& key, double fallback) {
        const QString value = raw(key);
        if (value.isEmpty()) return fallback;
        bool ok = false;
        const double n = value.toDouble(&ok);
        if (!ok || !(n > 0) || n > 1000000) return invalid(key, QStringLiteral("a positive number is needed")), fallback;
        return n;
    }

    bool flag(const QString& key, bool fallback) {
        const QString value = raw(key).toLower();
        if (value.isEmpty()) return fallback;
        if (value == QLatin1String("true") || value == QLatin1String("yes") || value == QLatin1String("1")) return true;
        if (value == QLatin1String("false") || value == QLatin1String("no") || value == QLatin1String("0")) return false;
        return invalid(key, QStringLiteral("true or false is needed")), fallback;
    }

    QString choice(const QString& key, const QString& fallback, const QStringList& allowed) {
        const QString value = raw(key).toLower();
        if (value.isEmpty()) return fallback;
        if (allowed.contains(value)) return value;
        return invalid(key, QStringLiteral("one of ") + allowed.join(QStringLiteral(", ")) + QStringLiteral(" is needed")), fallback;
    }

    // A value that must match a pattern (a host name, a mail address).
    QString matching(const QString& key, const QRegularExpression& pattern, const QString& what) {
        const QString value = raw(key);
        if (value.isEmpty() || pattern.match(value).hasMatch()) return value;
        return invalid(key, what + QStringLiteral(" is needed")), QString();
    }

    void invalid(const QString& key, const QString& why, bool showValue = true) {
        const QString shown = !showValue || kSecretKeys.contains(key.section(QLatin1Char('/'), -1))
                                  ? QString()
                                  : QStringLiteral(" = \"") + shortened(raw(key)) + QLatin1Char('"');
        problems_ << QStringLiteral("Setting %1%2 in autovelt.ini is not valid: %3").arg(displayed(key), shown, why);
    }

    void unknown(const QString& key) {
        // Its value is not shown: the key may be a misspelt password.
        problems_ << QStringLiteral("Setting %1 in autovelt.ini is not known (misspelt?)").arg(displayed(key));
    }

    static QString displayed(const QString& key) {
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        if (slash < 0) return key;
        return QLatin1Char('[') + key.left(slash) + QStringLiteral("] ") + key.mid(slash + 1);
    }

private:
    static bool hasControlCharacter(const QString& text) {
        for (QChar c : text)
            if (c.category() == QChar::Other_Control) return true;
        return false;
    }
    static QString shortened(const QString& value) {
        QString flat;
        for (QChar c : value.left(60)) flat += c.category() == QChar::Other_Control ? QLatin1Char(' ') : c;
        return value.size() > 60 ? flat + QStringLiteral("...") : flat;
    }

    QSettings& ini_;
    QStringList& problems_;
};

const QRegularExpression kHostName(QStringLiteral("^[A-Za-z0-9_.:\\[\\]-]+$"));
const QRegularExpression kMailAddress(QStringLiteral("^[^@\\s<>\",;]+@[^@\\s<>\",;]+\\.[^@\\s<>\",;]+$"));
const QRegularExpression kMailAddresses(
    QStringLiteral("^[^@\\s<>\",;]+@[^@\\s<>\",;]+\\.[^@\\s<>\",;]+(\\s*[;,]\\s*[^@\\s<>\",;]+@[^@\\s<>\",;]+\\.[^@\\s<>\",;]+)*$"));

// Ten distinct characters written twice; the digit table holds the ten digits, the symbol
// table none of them.
QString readCodeTable(CheckedReader& r, const QString& key, const QString& fallback, bool digits) {
    const QString value = r.raw(key);
    if (value.isEmpty()) return fallback;
    const QString half = value.left(10);
    bool ok = value.size() == 20 && value.mid(10) == half;
    for (qsizetype i = 0; ok && i < half.size(); ++i)
        ok = half.indexOf(half[i]) == i && half[i].isDigit() == digits && half[i].unicode() > 0x20;
    if (ok) return value;
    r.invalid(key, digits ? QStringLiteral("the ten digits in some order, written twice (20 characters) are needed")
                          : QStringLiteral("ten distinct characters other than digits, written twice (20 characters) are needed"));
    return fallback;
}

void readMemberCodeTable(CheckedReader& r, const QString& key, MemberNumberCodeTable& table) {
    const QString value = r.raw(key);
    if (value.isEmpty()) return;
    const QStringList parts = value.split(QLatin1Char(','));
    MemberNumberCodeTable read = table;
    bool ok = parts.size() == int(read.p.size());
    for (qsizetype i = 0; ok && i < parts.size(); ++i) {
        const QString part = parts[i].trimmed();
        read.p[size_t(i)] = part.toInt(&ok);
        ok = ok && part.size() == 4;
    }
    if (ok) table = read;
    else r.invalid(key, QStringLiteral("seven four-digit numbers separated by commas are needed"));
}

WebHostEntry readHost(CheckedReader& r, const QString& prefix) {
    WebHostEntry h;
    h.name = r.matching(prefix + QLatin1String("_name"), kHostName, QStringLiteral("a host name"));
    h.senderAddress = r.matching(prefix + QLatin1String("_sender"), kMailAddress, QStringLiteral("one mail address"));
    return h;
}

// Host names or addresses separated by commas.
QStringList readAddressList(CheckedReader& r, const QString& key) {
    QStringList addresses;
    for (const QString& part : r.raw(key).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString address = part.trimmed();
        if (!kHostName.match(address).hasMatch()) {
            r.invalid(key, QStringLiteral("host names or addresses separated by commas are needed"));
            return {};
        }
        addresses << address;
    }
    return addresses;
}

// Certificates to trust for one kind of server; empty means the system's.
QString readCaFile(CheckedReader& r, const QString& homeFolder, const QString& key) {
    const QString path = resolvePath(homeFolder, r.text(key));
    if (!path.isEmpty() && !QFileInfo(path).isReadable()) r.invalid(key, QStringLiteral("a readable certificate file is needed"));
    return path;
}

void readAgencyService(CheckedReader& r, const QString& homeFolder, AgencyService& a) {
    const QString host = QStringLiteral("a host name");
    a.callReportLiveHost = r.matching(QStringLiteral("agency/callreport_live_host"), kHostName, host);
    a.callReportTestHost = r.matching(QStringLiteral("agency/callreport_test_host"), kHostName, host);
    a.callValidateLiveHost = r.matching(QStringLiteral("agency/callvalidate_live_host"), kHostName, host);
    a.callValidateTestHost = r.matching(QStringLiteral("agency/callvalidate_test_host"), kHostName, host);
    static const QRegularExpression urn(QStringLiteral("^urn:[^\\s\"<>&']+$"));
    a.callReport7Namespace = r.matching(QStringLiteral("agency/callreport_namespace"), urn, QStringLiteral("a namespace URN"));
    a.caFile = readCaFile(r, homeFolder, QStringLiteral("agency/ca_file"));
    a.traceRetentionDays = r.number(QStringLiteral("agency/trace_retention_days"), a.traceRetentionDays, 1, 3650);
    a.connectTimeoutSeconds = r.number(QStringLiteral("agency/connect_timeout_seconds"), a.connectTimeoutSeconds, 1, 300);
    a.timeoutSeconds = r.number(QStringLiteral("agency/timeout_seconds"), a.timeoutSeconds, 1, 3600);
}

// One value per [profile] flag written, and the older [agency] list of single-search credit unions.
CreditUnionProfileOverrides readProfile(CheckedReader& r) {
    CreditUnionProfileOverrides profile;
    for (std::size_t i = 0; i < kCreditUnionProfileFlagCount; ++i) {
        const QString key = kProfilePrefix + QLatin1String(CreditUnionProfileFlags()[i].key);
        if (!r.raw(key).isEmpty()) profile.flags[i] = r.flag(key, false);
    }
    const QString registrations = r.raw(QStringLiteral("agency/single_search_registrations"));
    if (registrations.isEmpty()) return profile;
    static const QRegularExpression list(QStringLiteral("^\\s*\\d{6}(\\s*,\\s*\\d{6})*\\s*$"));
    if (!list.match(registrations).hasMatch()) {
        r.invalid(QStringLiteral("agency/single_search_registrations"),
                  QStringLiteral("six-digit registration numbers separated by commas are needed"));
        return profile;
    }
    QStringList numbers;
    for (const QString& number : registrations.split(QLatin1Char(','))) numbers << number.trimmed();
    profile.singleSearchRegistrations = numbers;
    return profile;
}

// An encoded item written in plain text by mistake decodes to nothing; the agency would get
// an empty company or password and refuse every request. Its value is never shown.
void checkEncodedAgencyItems(QSettings& ini, CheckedReader& r, const OnlineCodeTables& tables) {
    for (const QString& group : ini.childGroups()) {
        if (!group.startsWith(kAgencyPrefix)) continue;
        for (const QString& item : kEncodedAgencyKeys) {
            const QString key = group + QLatin1Char('/') + item;
            const QString value = r.raw(key);
            if (!value.isEmpty() && DecodeOnlineField(value, tables).isEmpty())
                r.invalid(key, QStringLiteral("it is stored encoded, and this value does not decode to any text (written in plain text?)"),
                          false);
        }
    }
}

bool isProfileKey(const QString& name) {
    for (const CreditUnionProfileFlag& flag : CreditUnionProfileFlags())
        if (name == QLatin1String(flag.key)) return true;
    return false;
}

void checkKeysAreKnown(QSettings& ini, CheckedReader& r) {
    for (const QString& key : ini.allKeys()) {
        const QString section = key.section(QLatin1Char('/'), 0, -2);
        const bool known = section.startsWith(kAgencyPrefix) ? kAgencyKeys.contains(key.section(QLatin1Char('/'), -1))
                           : key.startsWith(kProfilePrefix)  ? isProfileKey(key.mid(kProfilePrefix.size()))
                                                             : kKnownKeys.contains(key);
        if (!known) r.unknown(key);
    }
}

// Empty when the file is missing (every key is optional) or readable.
QString unreadableReason(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return {};
    QFile file(path);
    if (info.isDir()) return QStringLiteral("it is a folder");
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    return {};
}

}  // namespace

InstallationConfig InstallationConfig::load(const QString& homeFolder) {
    InstallationConfig c;
    c.filePath = QDir(homeFolder).filePath(QStringLiteral("autovelt.ini"));
    c.agencyFile_ = c.filePath;
    const QString unreadable = unreadableReason(c.filePath);
    if (!unreadable.isEmpty()) {
        c.problems << QStringLiteral("The configuration file %1 cannot be read: %2").arg(c.filePath, unreadable);
        return c;
    }
    QSettings ini(c.filePath, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        c.problems << QStringLiteral("The configuration file %1 cannot be read: it is not a valid settings file").arg(c.filePath);
        return c;
    }
    CheckedReader r(ini, c.problems);
    checkKeysAreKnown(ini, r);

    c.engine.embeddedOnlineDatabase = resolvePath(homeFolder, r.text(QStringLiteral("online/database")));
    c.engine.mysqlTls = r.choice(QStringLiteral("online/tls"), c.engine.mysqlTls,
                                 {QStringLiteral("auto"), QStringLiteral("required"), QStringLiteral("off")});
    c.engine.mysqlPort = r.number(QStringLiteral("online/port"), 0, 1, 65535);
    c.engine.mysqlCaFile = readCaFile(r, homeFolder, QStringLiteral("online/ca_file"));
    c.engine.mysqlReadTimeoutSeconds =
        r.number(QStringLiteral("online/read_timeout_seconds"), c.engine.mysqlReadTimeoutSeconds, 1, 3600);
    c.engine.mysqlWriteTimeoutSeconds =
        r.number(QStringLiteral("online/write_timeout_seconds"), c.engine.mysqlWriteTimeoutSeconds, 1, 3600);
    c.engine.odbcDriver = r.text(QStringLiteral("database/odbc_driver"), c.engine.odbcDriver);

    const QString suffix = r.raw(QStringLiteral("web/host1_suffix"));
    if (!suffix.isEmpty() && suffix.size() != 3)
        r.invalid(QStringLiteral("web/host1_suffix"), QStringLiteral("the last three characters of the web address are needed"));
    c.hostOne = readHost(r, QStringLiteral("web/host1"));
    c.hostOne.suffix = suffix.size() == 3 ? suffix : QString();
    c.hostTwo = readHost(r, QStringLiteral("web/host2"));
    c.ftpActiveAddresses = readAddressList(r, QStringLiteral("web/ftp_active_addresses"));
    c.ftpPort = r.number(QStringLiteral("web/ftp_port"), c.ftpPort, 1, 65535);
    c.maxDocumentMb = r.number(QStringLiteral("web/max_document_mb"), c.maxDocumentMb, 1, 4096);
    c.ftpLowSpeedBytes = r.number(QStringLiteral("web/ftp_low_speed_bytes"), c.ftpLowSpeedBytes, 1, 100000000);
    c.ftpLowSpeedSeconds = r.number(QStringLiteral("web/ftp_low_speed_seconds"), c.ftpLowSpeedSeconds, 1, 3600);
    const QString ftpTls = r.choice(QStringLiteral("web/ftp_tls"), QStringLiteral("required"),
                                    {QStringLiteral("required"), QStringLiteral("auto"), QStringLiteral("off")});
    c.ftpTls = ftpTls == QLatin1String("off") ? FtpTls::Off : ftpTls == QLatin1String("auto") ? FtpTls::Auto : FtpTls::Required;
    c.ftpCaFile = readCaFile(r, homeFolder, QStringLiteral("web/ftp_ca_file"));
    for (size_t i = 0; i < c.uploadHosts.size(); ++i)
        c.uploadHosts[i] = r.matching(QStringLiteral("web/upload_host%1").arg(i + 1), kHostName, QStringLiteral("a host name"));

    c.defaultSenderAddress = r.matching(QStringLiteral("mail/default_sender"), kMailAddress, QStringLiteral("one mail address"));
    if (c.defaultSenderAddress.isEmpty()) c.defaultSenderAddress = QStringLiteral("donotreply@localhost");
    c.supportMailbox = r.matching(QStringLiteral("mail/support_mailbox"), kMailAddresses, QStringLiteral("mail addresses"));
    c.smtpPassword = textOf(ini.value(QStringLiteral("mail/smtp_password")));  // any text, kept as written
    c.mailPickupFolder = resolvePath(homeFolder, r.text(QStringLiteral("mail/pickup_folder")));
    c.smtpServerOverride = r.matching(QStringLiteral("mail/smtp_server"), kHostName, QStringLiteral("a host name"));
    c.smtpPortOverride = r.number(QStringLiteral("mail/smtp_port"), 0, 1, 65535);
    c.mailTimeoutSeconds = r.number(QStringLiteral("mail/timeout_seconds"), 30, 1, 3600);
    c.mailRequireTls = r.flag(QStringLiteral("mail/require_tls"), c.mailRequireTls);
    c.mailSslOnConnect = r.flag(QStringLiteral("mail/ssl"), c.mailSslOnConnect);
    c.mailCaFile = readCaFile(r, homeFolder, QStringLiteral("mail/ca_file"));
    c.settlePauses = r.flag(QStringLiteral("timing/settle_pauses"), false);
    c.batchApplications = r.number(QStringLiteral("timing/batch_applications"), c.batchApplications, 1, 1000);
    c.staleMinutes = r.number(QStringLiteral("timing/stale_minutes"), c.staleMinutes, 1, 10080);
    c.rateCapApr = r.positiveNumber(QStringLiteral("loans/rate_cap_apr"), c.rateCapApr);
    readAgencyService(r, homeFolder, c.agency);
    c.profile = readProfile(r);
    c.codeTables.digits = readCodeTable(r, QStringLiteral("encoding/digits"), c.codeTables.digits, true);
    c.codeTables.symbols = readCodeTable(r, QStringLiteral("encoding/symbols"), c.codeTables.symbols, false);
    readMemberCodeTable(r, QStringLiteral("encoding/member_code_table"), c.memberCodeTable);
    checkEncodedAgencyItems(ini, r, c.codeTables);
    return c;
}

AgencyCredentialSet InstallationConfig::agencyCredentials(const QString& fsaRefNo, bool uatMode) const {
    AgencyCredentialSet set;
    const QString group = uatMode ? QStringLiteral("agency_test") : kAgencyPrefix + fsaRefNo;
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

}  // namespace autovelt::state
