#include "app/ControlSettings.h"

#include "state/ConnectionStrings.h"
#include "state/Importer.h"
#include "comms/ImporterLog.h"
#include "common/OnlineDecoding.h"
#include "common/PrivateFiles.h"
#include "platform/db/Schema.h"
#include "common/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace autovelt::inline app {

namespace {

// Thrown inside the loader to reach the failure exit after a reported problem.
struct SettingsProblem {};

class Loader {
public:
    // A quiet loader reports and logs nothing: the deletion utility only wants what can be had.
    Loader(Importer& importer, bool quiet) : im_(importer), s_(importer.settings), quiet_(quiet) {}
    void run();

private:
    bool checkInstallation();
    void warnWhenOpenToOthers();
    bool readControl();
    bool checkScanFolder();
    void readControlSwitches();
    void readUserDefinedFields();
    void checkCreditChecks();
    void checkBuild();
    void openOnline();
    void loadAgencyCredentials();
    void problem(const QString& line) {
        if (!quiet_) im_.ShowException(line);
    }
    void logToFile(const QString& line) {
        if (!quiet_ && im_.writesImporterLogs) WriteImporterLogFile(im_.programFolder(), im_.clock().now(), line);
    }
    void failureExit(const VeltError* error);

    Importer& im_;
    CycleSettings& s_;
    QString controlEmail_;  // Control.Email as read, the fallback of the registered-mail address
    bool quiet_ = false;
};

QString textOf(const db::Recordset& rs, const QString& field) { return rs.value(field).toString(); }

}  // namespace

void OpenCoreConnections(Importer& importer) {
    Connections& c = importer.connections;
    // Connections sharing TarvMain's session let go of it before it is opened anew.
    c.closeCore();
    QString main = QStringLiteral("TarvMain");
    c.TarvMain.open(BuildConnectionString(main, importer.startup, importer.programFolder()), importer.config.engine);
    // File databases share TarvMain's session, so one commit writes all four or none.
    for (auto [name, connection] : {std::pair{QStringLiteral("TarvTran"), &c.TarvTran},
                                    std::pair{QStringLiteral("TarvAudt"), &c.TarvAudt},
                                    std::pair{QStringLiteral("TarvID"), &c.TarvID}}) {
        QString database = name;
        connection->openWithin(c.TarvMain, name,
                               BuildConnectionString(database, importer.startup, importer.programFolder()),
                               importer.config.engine);
    }
}

namespace {

// The configuration file and "t2sql.ini" were read when the program started; a fault in
// either stops every cycle before any database is opened.
bool Loader::checkInstallation() {
    QStringList faults = im_.config.problems;
    if (!im_.startup.settingsFileProblem.isEmpty()) faults << im_.startup.settingsFileProblem;
    for (const QString& line : faults) {
        problem(line);
        logToFile(line);
    }
    if (faults.isEmpty()) return true;
    s_.CreditChecksEnabled = false;
    im_.SkipImport = true;
    return false;
}

// The configuration holds passwords and the data folder the members' records.
void Loader::warnWhenOpenToOthers() {
    const QString dataFolder = im_.startup.chkSQL ? QString() : im_.startup.txtDatabase;
    const struct { QString path; const char* mode; } checks[] = {{im_.config.filePath, "600"}, {dataFolder, "700"}};
    for (const auto& check : checks)
        if (!check.path.isEmpty() && IsOpenToOthers(check.path))
            problem(QStringLiteral("Warning: %1 is open to other users of this computer; make it private (chmod %2)")
                        .arg(QDir::cleanPath(check.path), QLatin1String(check.mode)));
}

bool Loader::readControl() {
    db::Recordset rs = im_.connections.TarvMain.openRecordset(QStringLiteral("Select * FROM Control ;"), db::readOnlyCursor());
    if (rs.eof()) {
        problem(QStringLiteral("No record in Control"));
        return false;
    }
    s_.FSARefNo = textOf(rs, QStringLiteral("FSARefNo"));
    s_.profile = CreditUnionProfileFor(s_.FSARefNo, im_.config.profile);
    s_.cuname = textOf(rs, QStringLiteral("cuname")).remove(QLatin1Char('\''));
    const QVariant yearEnd = rs.value(QStringLiteral("YearEndDate"));
    s_.YearEndDate = yearEnd.isNull() ? im_.clock().now().date() : yearEnd.toDate();
    s_.ScanLocation = textOf(rs, QStringLiteral("ScanLocation"));
    s_.AutoLR = rs.value(QStringLiteral("AutoLR")).toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");

    const QString scanOverride = im_.programFile(QStringLiteral("scanpath.txt"));
    if (QFile::exists(scanOverride)) s_.ScanLocation = FirstLineOfFile(scanOverride);
    if (!checkScanFolder()) return false;

    s_.OSProductCode = textOf(rs, QStringLiteral("OSProductCode"));
    s_.JSProductCode = textOf(rs, QStringLiteral("JSProductCode"));
    s_.OLProductCode = textOf(rs, QStringLiteral("OLProductCode"));
    s_.FreeCashMargin = Currency::fromDouble(rs.value(QStringLiteral("FreeCashMargin")).toDouble());
    controlEmail_ = textOf(rs, QStringLiteral("Email"));
    s_.SenderAddress = controlEmail_;
    const QVariant mixedCase = rs.value(QStringLiteral("MixedCase"));
    s_.MixedCase = mixedCase.isNull() ? true : mixedCase.toBool();
    s_.DoProfile = rs.value(QStringLiteral("DoProfile")).toBool();
    if (!HoldsMailAddress(s_.SenderAddress)) s_.SenderAddress.clear();
    if (s_.SenderAddress.isEmpty()) s_.SenderAddress = im_.config.defaultSenderAddress;
    return true;
}

// Returns false (after reporting) when the scanned images folder is missing.
bool Loader::checkScanFolder() {
    s_.ScanLocation = s_.ScanLocation.trimmed();
    if (!s_.ScanLocation.endsWith(QLatin1Char('"')) && !s_.ScanLocation.endsWith(QLatin1Char('/')) &&
        !s_.ScanLocation.endsWith(QLatin1Char('\\')))
        s_.ScanLocation += QLatin1Char('/');
    if (QFileInfo(s_.ScanLocation).isDir()) return true;
    const QString line = QStringLiteral("Unable to locate scanned image folder ") + s_.ScanLocation + QStringLiteral(" - cannot continue");
    problem(line);
    logToFile(line);
    s_.CreditChecksEnabled = false;
    im_.SkipImport = true;
    return false;
}

void Loader::readControlSwitches() {
    db::Connection& main = im_.connections.TarvMain;
    db::Recordset rs = main.openRecordset(QStringLiteral("Select * FROM ControlSwitches ;"), db::readOnlyCursor());
    if (rs.eof()) { problem(QStringLiteral("No record in ControlSwitches")); throw SettingsProblem{}; }
    s_.webip = textOf(rs, QStringLiteral("webip"));
    s_.webun = textOf(rs, QStringLiteral("webun"));
    s_.WEBPW = textOf(rs, QStringLiteral("WEBPW"));
    if (s_.webip.isEmpty()) { problem(QStringLiteral("No Web IP in ControlSwitches")); throw SettingsProblem{}; }
    if (s_.webun.isEmpty()) { problem(QStringLiteral("No Web UN in ControlSwitches")); throw SettingsProblem{}; }
    if (s_.WEBPW.isEmpty()) { problem(QStringLiteral("No Web PW in ControlSwitches")); throw SettingsProblem{}; }

    const WebHostEntry& host = s_.webip.right(3) == im_.config.hostOne.suffix && !im_.config.hostOne.suffix.isEmpty()
                                   ? im_.config.hostOne : im_.config.hostTwo;
    s_.WebHost = host.name;
    s_.WebSenderAddress = host.senderAddress;

    s_.DefaultLoanPayoutMethod = textOf(rs, QStringLiteral("DefaultLoanPayoutMethod"));
    if (s_.DefaultLoanPayoutMethod.isEmpty()) s_.DefaultLoanPayoutMethod = QStringLiteral("F");
    s_.CreateLogs = ColumnExists(QStringLiteral("ControlSwitches"), QStringLiteral("CreateLogs"), main) &&
                    rs.value(QStringLiteral("CreateLogs")).toBool();
    if (rs.hasField(QStringLiteral("Rpost")) && rs.value(QStringLiteral("Rpost")).toBool()) {
        // The registered-mail service routes by a "|domain" suffix that is no part of the address.
        QString address = textOf(rs, QStringLiteral("RPostEmail")).section(QLatin1Char('|'), 0, 0).trimmed();
        if (!HoldsMailAddress(address)) address = controlEmail_;
        s_.SenderAddress = HoldsMailAddress(address) ? address : im_.config.defaultSenderAddress;
    }
}

void Loader::readUserDefinedFields() {
    for (int n = 1; n <= 10; ++n) s_.UDFWebmap[n] = QStringLiteral("0");
    for (int n = 1; n <= 21; ++n) s_.UDFCaption[n].clear();
    db::Recordset rs = im_.connections.TarvMain.openRecordset(QStringLiteral("SELECT * FROM UDFSetUp ;"), db::readOnlyCursor());
    if (rs.eof()) return;
    for (int n = 1; n <= 10; ++n) {
        const QString column = QStringLiteral("Webmap%1").arg(n);
        if (rs.hasField(column) && !rs.isNull(column)) s_.UDFWebmap[n] = textOf(rs, column);
    }
    for (int n = 1; n <= 21; ++n) {
        const QString column = QStringLiteral("UDF%1Caption").arg(n);
        if (rs.hasField(column)) s_.UDFCaption[n] = textOf(rs, column);
    }
}

void Loader::checkCreditChecks() {
    db::Connection& audit = im_.connections.TarvAudt;
    s_.CreditChecksEnabled = false;
    if (!ColumnExists(QStringLiteral("CUPolicyRules"), QStringLiteral("rulecode"), audit)) return;
    const QString sql = QStringLiteral("SELECT * FROM CRRules WHERE ruleactive=true and rulecode<>'CR10A' ;");
    s_.CreditChecksEnabled = !audit.openRecordset(sql, db::clientReadOnlyCursor()).eof();
}

void Loader::checkBuild() {
    const struct { QString table; QString column; QString build; db::Connection* connection; } checks[] = {
        {QStringLiteral("MemberMain"), QStringLiteral("JoinChannel"), QStringLiteral("140119"), &im_.connections.TarvMain},
        {QStringLiteral("LoanAllocation"), QStringLiteral("BorrowChannel"), QStringLiteral("010219"), &im_.connections.TarvTran},
    };
    for (const auto& check : checks) {
        if (ColumnExists(check.table, check.column, *check.connection)) continue;
        const QString line = QStringLiteral("Please update Tarvonel first to a build of ") + check.build +
                             QStringLiteral(" or newer or revert to an older autovelt.exe");
        problem(line);
        logToFile(line);
        im_.SkipImport = true;
    }
}

void Loader::openOnline() {
    db::Connection& online = im_.connections.OnlineConnection;
    online.open(BuildOnlineConnectionString(s_.webip, s_.webun, s_.WEBPW), im_.config.engine);
    if (online.engine() == db::Engine::MySql && !online.encrypted())
        problem(QStringLiteral("Warning: the online database is used without TLS ([online] tls = %1): applications and the "
                               "online password travel unencrypted")
                    .arg(im_.config.engine.mysqlTls));
    if (!ColumnExists(QStringLiteral("table_w"), QStringLiteral("field_id"), online)) {
        problem(QStringLiteral("Online Database does not have table_w table"));
        throw SettingsProblem{};
    }
    if (!ColumnExists(QStringLiteral("table_ad"), QStringLiteral("field_id"), online)) {
        problem(QStringLiteral("Online Database does not have table_ad table"));
        throw SettingsProblem{};
    }
    s_.UATMode = ColumnExists(QStringLiteral("table_test"), QStringLiteral("field_id"), online);
    if (s_.UATMode) problem(QStringLiteral("Table_test found - so operating in UAT mode."));
}

void Loader::loadAgencyCredentials() {
    const AgencyCredentialSet set = im_.config.agencyCredentials(s_.FSARefNo, s_.UATMode);
    AgencyCredentials& a = s_.agency;
    a = AgencyCredentials{};
    if (set.present) {
        const OnlineCodeTables& tables = im_.config.codeTables;
        a.CreditReportCompany = set.CreditReportCompany;
        a.CreditReportUserName = DecodeOnlineField(set.CreditReportUserName, tables);
        a.CreditReportPassword = set.CreditReportPassword;
        a.IdentityCheckCompany = DecodeOnlineField(set.IdentityCheckCompany, tables);
        a.IdentityCheckUserName = DecodeOnlineField(set.IdentityCheckUserName, tables);
        a.IdentityCheckPassword = DecodeOnlineField(set.IdentityCheckPassword, tables);
        a.IdentityCheckApplication = DecodeOnlineField(set.IdentityCheckApplication, tables);
    }
    if (a.CreditReportUserName.isEmpty()) a.CreditReportUserName = QStringLiteral("UNSET");
    if (a.CreditReportUserName == QLatin1String("UNSET")) s_.CreditChecksEnabled = false;
}

void Loader::failureExit(const VeltError* error) {
    if (error) {
        const QString detail = error->description() + QStringLiteral(" (") + QString::number(error->number()) + QLatin1Char(')');
        problem(QStringLiteral("Error within connection to databases routine. "));
        problem(detail);
        logToFile(QStringLiteral("(DB Error) - ") + detail);
    } else {
        const QStringList lines = im_.reporter().problems();
        logToFile(lines.isEmpty() ? QString() : lines.last());
    }
    s_.CreditChecksEnabled = false;
    im_.SkipImport = true;
}

void Loader::run() {
    if (im_.connections.TarvMain.isOpen()) return;
    if (!checkInstallation()) return;
    warnWhenOpenToOthers();
    try {
        OpenCoreConnections(im_);
        s_.agency.CreditReportUserName = QStringLiteral("UNSET");
        if (!im_.connections.TarvMain.isOpen()) return;
        const bool controlRead = readControl();
        if (!controlRead) {
            if (im_.SkipImport) return;  // the scanned images folder is missing: already reported
            throw SettingsProblem{};
        }
        readControlSwitches();
        readUserDefinedFields();
        checkCreditChecks();
        checkBuild();
        s_.TimingsTableExists = ColumnExists(QStringLiteral("VELTTimings"), QStringLiteral("MemberNo"), im_.connections.TarvAudt);
        openOnline();
        loadAgencyCredentials();
    } catch (const SettingsProblem&) {
        failureExit(nullptr);
    } catch (const VeltError& error) {
        failureExit(&error);
    }
}

}  // namespace

void LoadControlSettings(Importer& importer) { Loader(importer, false).run(); }

void OpenDeletionConnections(Importer& importer) {
    Loader(importer, true).run();
    importer.SkipImport = false;
    if (!importer.connections.TarvMain.isOpen()) OpenCoreConnections(importer);
}

}  // namespace autovelt::app
