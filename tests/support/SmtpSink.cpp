#include "support/SmtpSink.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace autovelt::testing {

namespace {

// Debian's python3-aiosmtpd belongs to the system interpreter, not to any other on PATH.
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(AUTOVELT_TESTS_DIR "/support/smtp_sink.py");
constexpr int kStartTimeoutMs = 15000;

ReceivedMail fromJson(const QJsonObject& json) {
    ReceivedMail mail;
    mail.mailFrom = json[QStringLiteral("mail_from")].toString();
    for (const QJsonValue& rcpt : json[QStringLiteral("rcpt_tos")].toArray()) mail.rcptTos.append(rcpt.toString());
    mail.raw = QByteArray::fromBase64(json[QStringLiteral("raw_b64")].toString().toLatin1());
    for (const QJsonValue& header : json[QStringLiteral("headers")].toArray())
        mail.headers.append({header[0].toString(), header[1].toString()});
    mail.contentType = json[QStringLiteral("content_type")].toString();
    for (const QJsonValue& p : json[QStringLiteral("parts")].toArray()) {
        ReceivedPart part;
        part.contentType = p[QStringLiteral("content_type")].toString();
        part.charset = p[QStringLiteral("charset")].toString();
        part.filename = p[QStringLiteral("filename")].toString();
        part.disposition = p[QStringLiteral("disposition")].toString();
        part.payload = QByteArray::fromBase64(p[QStringLiteral("payload_b64")].toString().toLatin1());
        mail.parts.append(part);
    }
    for (const QJsonValue& defect : json[QStringLiteral("defects")].toArray()) mail.defects.append(defect.toString());
    mail.tls = json[QStringLiteral("tls")].toBool();
    return mail;
}

std::optional<ReceivedMail> fromJsonText(const QByteArray& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (!document.isObject()) return std::nullopt;
    return fromJson(document.object());
}

}  // namespace

QString ReceivedMail::header(const QString& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

QStringList ReceivedMail::headersNamed(const QString& name) const {
    QStringList values;
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) values.append(value);
    return values;
}

SmtpSink::SmtpSink(Options options) : options_(std::move(options)) {}

SmtpSink::~SmtpSink() { stop(); }

bool SmtpSink::start(QString* error) {
    QStringList arguments{kScript, QStringLiteral("serve"), folder_.path()};
    if (options_.refuseRecipients) arguments << QStringLiteral("--refuse-recipients");
    if (!options_.authLogin.isEmpty()) arguments << QStringLiteral("--auth") << options_.authLogin;
    if (options_.offerStartTls) {
        const QString certificate = folder_.filePath(QStringLiteral("sink.crt"));
        const QString key = folder_.filePath(QStringLiteral("sink.key"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"), {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                                                  QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                                                  QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                                                  QStringLiteral("-keyout"), key, QStringLiteral("-out"), certificate});
        if (!openssl.waitForFinished(kStartTimeoutMs) || openssl.exitCode() != 0) {
            *error = QStringLiteral("openssl could not make a certificate: ") + QString::fromUtf8(openssl.readAllStandardError());
            return false;
        }
        arguments << QStringLiteral("--starttls") << certificate << key;
    }
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(kPython, arguments);
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        *error = QStringLiteral("cannot start %1: %2").arg(kPython, process_.errorString());
        return false;
    }
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs)) {
            *error = QStringLiteral("SMTP sink did not report its port: ") +
                     QString::fromUtf8(process_.readAllStandardError());
            return false;
        }
    }
    const QByteArray line = process_.readLine().trimmed();
    port_ = line.startsWith("PORT ") ? line.mid(5).toUShort() : 0;
    if (port_ == 0) *error = QStringLiteral("unexpected first line from the SMTP sink: ") + QString::fromUtf8(line);
    return port_ != 0;
}

void SmtpSink::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QList<ReceivedMail> SmtpSink::messages() const {
    QList<ReceivedMail> mails;
    const QStringList files =
        QDir(folder_.path()).entryList({QStringLiteral("msg-*.json")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(QDir(folder_.path()).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        if (auto mail = fromJsonText(file.readAll())) mails.append(*mail);
    }
    return mails;
}

QStringList SmtpSink::loginAttempts() const {
    QFile log(folder_.filePath(QStringLiteral("auth.log")));
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

std::optional<ReceivedMail> SmtpSink::parseMessageFile(const QString& path) {
    QProcess parser;
    parser.start(kPython, {kScript, QStringLiteral("parse"), path});
    if (!parser.waitForFinished(kStartTimeoutMs) || parser.exitCode() != 0) return std::nullopt;
    return fromJsonText(parser.readAllStandardOutput());
}

}  // namespace autovelt::testing
