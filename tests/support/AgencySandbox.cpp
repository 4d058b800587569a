#include "support/AgencySandbox.h"

#include "support/ServerProcess.h"
#include "support/TestInstallation.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

namespace autovelt::test {

namespace {

constexpr int kTimeoutSeconds = 3;  // what iniSection() and service() give the importer
constexpr int kSlowSeconds = 6;     // how long the Slowpoke applicant's answers take: longer than the timeout
const QString kCallReportNamespace = QStringLiteral("urn:sandbox.agency.test/soap:callreport7");

// "Name: value" lines up to the first empty line, then the body.
AgencyRequest parseRecord(const QByteArray& text) {
    AgencyRequest request;
    const qsizetype end = text.indexOf("\n\n");
    for (const QByteArray& line : text.left(end < 0 ? text.size() : end).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon);
        const QString value = QString::fromUtf8(line.mid(colon + 1).trimmed());
        if (name == "Path") request.path = value;
        else if (name == "SOAPAction") request.soapAction = value;
    }
    if (end >= 0) request.body = QString::fromUtf8(text.mid(end + 2));
    return request;
}

QStringList requestFiles(const QDir& dir) { return dir.entryList({QStringLiteral("request-*.txt")}, QDir::Files, QDir::Name); }

}  // namespace

AgencySandbox::AgencySandbox() {
    QString error = QStringLiteral("no temporary folder");
    const QByteArray line = !folder_.isValid() ? QByteArray() : testing::startServer(process_, QStringLiteral(AUTOVELT_AGENCY_SANDBOX),
        {"--https-port", "0", "--http-port", "0", "--cert-dir", folder_.filePath(QStringLiteral("certificates")), "--record-dir",
         recordFolder(), "--namespace", kCallReportNamespace, "--slow-seconds", QString::number(kSlowSeconds)}, &error);
    static const QRegularExpression listening(QStringLiteral("^listening https=(\\d+) http=(\\d+)$"));
    const QRegularExpressionMatch m = listening.match(QString::fromUtf8(line));
    if (!m.hasMatch())
        throw std::runtime_error(("agency sandbox did not start: " + (line.isEmpty() ? error : QString::fromUtf8(line))).toStdString());
    httpsPort_ = m.captured(1).toUShort();
}

AgencySandbox::~AgencySandbox() { testing::stopServer(process_); }

QString AgencySandbox::callReportNamespace() const { return kCallReportNamespace; }
QString AgencySandbox::host() const { return QStringLiteral("127.0.0.1:%1").arg(httpsPort_); }
QString AgencySandbox::caFile() const { return folder_.filePath(QStringLiteral("certificates/ca.pem")); }
QString AgencySandbox::recordFolder() const { return folder_.filePath(QStringLiteral("requests")); }
QString AgencySandbox::identityUrl() const { return "https://" + host() + "/callvalidateapi/incomingserver.php"; }
QString AgencySandbox::creditUrl() const { return "https://" + host() + "/Services/CallReport/CallReport7.asmx"; }

QList<AgencyRequest> AgencySandbox::requests() const {
    QList<AgencyRequest> received;
    const QDir dir(recordFolder());
    for (const QString& name : requestFiles(dir)) received.append(parseRecord(FileBytes(dir.filePath(name))));
    return received;
}

// The sandbox's numbering carries on, so later requests still sort in order.
void AgencySandbox::clearRequests() {
    const QDir dir(recordFolder());
    for (const QString& name : requestFiles(dir)) QFile::remove(dir.filePath(name));
}

QString AgencySandbox::iniSection() const {
    return QStringLiteral("[agency]\ncallreport_live_host = %1\ncallreport_test_host = %1\ncallvalidate_live_host = %1\n"
                          "callvalidate_test_host = %1\ncallreport_namespace = %2\nca_file = %3\n"
                          "connect_timeout_seconds = %4\ntimeout_seconds = %4\n")
        .arg(host(), kCallReportNamespace, caFile())
        .arg(kTimeoutSeconds);
}

AgencyService AgencySandbox::service() const {
    AgencyService s;
    s.callReportLiveHost = s.callReportTestHost = s.callValidateLiveHost = s.callValidateTestHost = host();
    s.callReport7Namespace = kCallReportNamespace;
    s.caFile = caFile();
    s.connectTimeoutSeconds = s.timeoutSeconds = kTimeoutSeconds;
    return s;
}

}  // namespace autovelt::test
