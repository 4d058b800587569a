#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace autovelt::testing {

// One MIME leaf part as Python's email parser decoded it.
struct ReceivedPart {
    QString contentType;
    QString charset;
    QString filename;
    QString disposition;
    QByteArray payload;  // after quoted-printable or Base64 decoding
};

// A message as the SMTP sink received it (or as a message file reads).
struct ReceivedMail {
    QString mailFrom;
    QStringList rcptTos;
    QByteArray raw;
    QList<QPair<QString, QString>> headers;  // decoded values, in order
    QString contentType;
    QList<ReceivedPart> parts;
    QStringList defects;  // anything the parser found wrong with the MIME text
    bool tls = false;     // the session was encrypted when the message arrived

    QString header(const QString& name) const;     // first value, or a null QString
    QString headerValues(const QStringList& names) const;  // the first value of each, joined by "|"
};

// A real SMTP server (aiosmtpd, run by tests/support/smtp_sink.py with /usr/bin/python3)
// listening on 127.0.0.1 at a free port, writing what it receives into a temporary folder.
// Stopped by the destructor.
class SmtpSink {
public:
    struct Options {
        bool refuseRecipients = false;  // 550 to every RCPT TO
        QString authLogin;              // "user:password": AUTH offered and required
        bool offerStartTls = false;     // STARTTLS offered, with a certificate from the sink's own CA (caFile())
        bool sslOnConnect = false;      // TLS from the first byte, with that certificate
    };

    // Starts the server; throws std::runtime_error with the reason when it does not come up.
    SmtpSink() : SmtpSink(Options{}) {}
    explicit SmtpSink(Options options);
    ~SmtpSink();
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    void stop();
    quint16 port() const { return port_; }
    QString caFile() const;  // the CA its certificate chains to

    // Every message received so far, in order of arrival.
    QList<ReceivedMail> messages() const;
    // One entry per login attempt: "tls" or "clear", as the password crossed the network.
    QStringList loginAttempts() const;

    // Reads a message file (a pickup folder's .eml) with the same parser.
    static std::optional<ReceivedMail> parseMessageFile(const QString& path);

private:
    Options options_;
    QTemporaryDir folder_;
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace autovelt::testing
