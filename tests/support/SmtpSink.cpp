#include "support/SmtpSink.h"

#include "sandbox/SandboxCertificates.h"

#include "support/ServerProcess.h"
#include "support/TestInstallation.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

namespace autovelt::testing {

namespace {

const QString kScript = QStringLiteral(AUTOVELT_TESTS_DIR "/support/smtp_sink.py");

QByteArray fromBase64(const QJsonValue& value) { return QByteArray::fromBase64(value.toString().toLatin1()); }

std::optional<ReceivedMail> fromJson(const QByteArray& text) {
    const QJsonObject json = QJsonDocument::fromJson(text).object();
    if (json.isEmpty()) return std::nullopt;
    ReceivedMail mail;
    mail.mailFrom = json["mail_from"].toString();
    mail.raw = fromBase64(json["raw_b64"]);
    mail.contentType = json["content_type"].toString();
    mail.tls = json["tls"].toBool();
    for (const QJsonValue& rcpt : json["rcpt_tos"].toArray()) mail.rcptTos.append(rcpt.toString());
    for (const QJsonValue& header : json["headers"].toArray()) mail.headers.append({header[0].toString(), header[1].toString()});
    for (const QJsonValue& p : json["parts"].toArray())
        mail.parts.append({p["content_type"].toString(), p["charset"].toString(), p["filename"].toString(),
                           p["disposition"].toString(), fromBase64(p["payload_b64"])});
    for (const QJsonValue& defect : json["defects"].toArray()) mail.defects.append(defect.toString());
    return mail;
}

}  // namespace

QString ReceivedMail::header(const QString& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

QString ReceivedMail::headerValues(const QStringList& names) const {
    QStringList values;
    for (const QString& name : names) values << header(name);
    return values.join(QLatin1Char('|'));
}

SmtpSink::SmtpSink(Options options) : options_(std::move(options)) {
    QStringList arguments{kScript, QStringLiteral("serve"), folder_.path()};
    if (options_.refuseRecipients) arguments << QStringLiteral("--refuse-recipients");
    if (!options_.authLogin.isEmpty()) arguments << QStringLiteral("--auth") << options_.authLogin;
    QString error;
    if (options_.offerStartTls || options_.sslOnConnect) {
        sandbox::CertificatePaths certificates;
        if (!sandbox::ensureCertificates(folder_.filePath(QStringLiteral("certificates")), certificates, &error))
            throw std::runtime_error(error.toStdString());
        arguments << QLatin1String(options_.sslOnConnect ? "--smtps" : "--starttls") << certificates.serverCertificate
                  << certificates.serverKey;
    }
    port_ = startPythonServer(process_, arguments, &error);
    if (port_ == 0) throw std::runtime_error("the SMTP sink did not start: " + error.toStdString());
}

SmtpSink::~SmtpSink() { stop(); }

void SmtpSink::stop() { stopServer(process_); }

QString SmtpSink::caFile() const { return folder_.filePath(QStringLiteral("certificates/ca.pem")); }

QList<ReceivedMail> SmtpSink::messages() const {
    QList<ReceivedMail> mails;
    const QDir folder(folder_.path());
    for (const QString& name : folder.entryList({QStringLiteral("msg-*.json")}, QDir::Files, QDir::Name))
        if (auto mail = fromJson(test::FileBytes(folder.filePath(name)))) mails.append(*mail);
    return mails;
}

QStringList SmtpSink::loginAttempts() const {
    return QString::fromUtf8(test::FileBytes(folder_.filePath(QStringLiteral("auth.log")))).split(u'\n', Qt::SkipEmptyParts);
}

std::optional<ReceivedMail> SmtpSink::parseMessageFile(const QString& path) {
    QProcess parser;
    parser.start(QStringLiteral("/usr/bin/python3"), {kScript, QStringLiteral("parse"), path});
    if (!parser.waitForFinished(kServerStartTimeoutMs) || parser.exitCode() != 0) return std::nullopt;
    return fromJson(parser.readAllStandardOutput());
}

}  // namespace autovelt::testing
