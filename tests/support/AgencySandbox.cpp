#include "support/AgencySandbox.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

namespace autovelt::test {

namespace {

const QString kProgram = QStringLiteral(AUTOVELT_AGENCY_SANDBOX);
constexpr int kStartTimeoutMs = 30000;

[[noreturn]] void cannotStart(const QString& why) {
    throw std::runtime_error(("agency sandbox did not start: " + why).toStdString());
}

// "Name: value" lines up to the first empty line, then the body.
AgencyRequest parseRecord(const QByteArray& text) {
    AgencyRequest request;
    const qsizetype end = text.indexOf("\n\n");
    const QList<QByteArray> lines = text.left(end < 0 ? text.size() : end).split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon);
        const QString value = QString::fromUtf8(line.mid(colon + 1).trimmed());
        if (name == "Path") request.path = value;
        else if (name == "SOAPAction") request.soapAction = value;
        else if (name == "Content-Type") request.contentType = value;
    }
    if (end >= 0) request.body = QString::fromUtf8(text.mid(end + 2));
    return request;
}

}  // namespace

AgencySandbox::AgencySandbox(Options options) : options_(std::move(options)) {
    if (!folder_.isValid()) cannotStart(QStringLiteral("no temporary folder"));
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(kProgram, {QStringLiteral("--https-port"), QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0"),
                              QStringLiteral("--cert-dir"), folder_.filePath(QStringLiteral("certificates")),
                              QStringLiteral("--record-dir"), recordFolder(),
                              QStringLiteral("--namespace"), options_.callReportNamespace,
                              QStringLiteral("--slow-seconds"), QString::number(options_.slowSeconds)});
    if (!process_.waitForStarted(kStartTimeoutMs)) cannotStart(kProgram + QStringLiteral(": ") + process_.errorString());
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs))
            cannotStart(QString::fromUtf8(process_.readAllStandardError()).trimmed());
    }
    static const QRegularExpression listening(QStringLiteral("^listening https=(\\d+) http=(\\d+)$"));
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    const QRegularExpressionMatch m = listening.match(line);
    if (!m.hasMatch()) cannotStart(QStringLiteral("unexpected first line: ") + line);
    httpsPort_ = m.captured(1).toUShort();
    httpPort_ = m.captured(2).toUShort();
}

AgencySandbox::~AgencySandbox() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString AgencySandbox::host() const { return QStringLiteral("127.0.0.1:%1").arg(httpsPort_); }
QString AgencySandbox::plainHost() const { return QStringLiteral("127.0.0.1:%1").arg(httpPort_); }
QString AgencySandbox::caFile() const { return folder_.filePath(QStringLiteral("certificates/ca.pem")); }
QString AgencySandbox::recordFolder() const { return folder_.filePath(QStringLiteral("requests")); }
QString AgencySandbox::identityUrl() const { return QStringLiteral("https://") + host() + QStringLiteral("/callvalidateapi/incomingserver.php"); }
QString AgencySandbox::creditUrl() const { return QStringLiteral("https://") + host() + QStringLiteral("/Services/CallReport/CallReport7.asmx"); }

QList<AgencyRequest> AgencySandbox::requests() const {
    QList<AgencyRequest> received;
    const QDir dir(recordFolder());
    for (const QString& name : dir.entryList({QStringLiteral("request-*.txt")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) received.append(parseRecord(file.readAll()));
    }
    return received;
}

void AgencySandbox::clearRequests() {
    // The sandbox's numbering carries on, so requests that come later still sort in order.
    const QDir dir(recordFolder());
    for (const QString& name : dir.entryList({QStringLiteral("request-*.txt")}, QDir::Files)) QFile::remove(dir.filePath(name));
}

QString AgencySandbox::iniSection() const {
    return QStringLiteral("[agency]\n"
                          "callreport_live_host = %1\n"
                          "callreport_test_host = %1\n"
                          "callvalidate_live_host = %1\n"
                          "callvalidate_test_host = %1\n"
                          "callreport_namespace = %2\n"
                          "ca_file = %3\n"
                          "connect_timeout_seconds = %4\n"
                          "timeout_seconds = %4\n")
        .arg(host(), options_.callReportNamespace, caFile())
        .arg(options_.timeoutSeconds);
}

AgencyService AgencySandbox::service() const {
    AgencyService s;
    s.callReportLiveHost = s.callReportTestHost = s.callValidateLiveHost = s.callValidateTestHost = host();
    s.callReport7Namespace = options_.callReportNamespace;
    s.caFile = caFile();
    s.connectTimeoutSeconds = options_.timeoutSeconds;
    s.timeoutSeconds = options_.timeoutSeconds;
    return s;
}

}  // namespace autovelt::test
