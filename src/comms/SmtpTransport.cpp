#include "comms/SmtpTransport.h"

#include "platform/net/CurlLibrary.h"

#include "comms/MimeEncoding.h"
#include "comms/MimeMessage.h"
#include "common/PrintableText.h"

#include <QSysInfo>
#include <QUrl>
#include <curl/curl.h>
#include <cstring>
#include <memory>

namespace autovelt::inline comms {

namespace {

constexpr int kSmtpsPort = 465;
constexpr int kDefaultConnectTimeout = 30;
constexpr int kDefaultTotalTimeout = 300;

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using StringList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

struct Upload {
    const QByteArray& data;
    qsizetype offset = 0;
};

size_t readChunk(char* buffer, size_t size, size_t count, void* userdata) {
    auto* upload = static_cast<Upload*>(userdata);
    const size_t left = size_t(upload->data.size() - upload->offset);
    const size_t n = std::min(size * count, left);
    std::memcpy(buffer, upload->data.constData() + upload->offset, n);
    upload->offset += qsizetype(n);
    return n;
}

// Keeps the server's last refusal (a 4xx or 5xx reply line) to explain a failure; the
// replies to the QUIT that follows a failure must not hide it.
int recordServerRefusal(CURL*, curl_infotype type, char* data, size_t size, void* userdata) {
    if (type != CURLINFO_HEADER_IN || size == 0 || (data[0] != '4' && data[0] != '5')) return 0;
    *static_cast<QString*>(userdata) = singleLine(QString::fromLatin1(data, qsizetype(size))).trimmed();
    return 0;
}

QByteArray serverUrl(const MailServer& server) {
    const bool implicitTls = server.sslOnConnect || (server.useSsl && server.port == kSmtpsPort);
    QString host = server.host.trimmed();
    if (host.contains(u':') && !host.startsWith(u'[')) host = u'[' + host + u']';
    QString helo = QSysInfo::machineHostName();
    if (helo.isEmpty()) helo = QStringLiteral("localhost");
    return (implicitTls ? QByteArray("smtps://") : QByteArray("smtp://")) + host.toUtf8() + ':' +
           QByteArray::number(server.port) + '/' + QUrl::toPercentEncoding(helo);
}

StringList recipientList(const QStringList& recipients) {
    curl_slist* list = nullptr;
    for (const QString& address : recipients) list = curl_slist_append(list, ('<' + address + '>').toUtf8().constData());
    return StringList(list, curl_slist_free_all);
}

void setTimeouts(CURL* curl, const MailServer& server) {
    const long connect = server.connectTimeoutSeconds > 0 ? server.connectTimeoutSeconds : kDefaultConnectTimeout;
    const long total = server.totalTimeoutSeconds > 0 ? server.totalTimeoutSeconds : kDefaultTotalTimeout;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connect);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, std::max(total, connect));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, connect);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
}

// libcurl verifies the certificate and the host name whenever TLS is used; only the
// certificates to trust may change.
void setTransportSecurity(CURL* curl, const MailServer& server, const QByteArray& caFile) {
    const bool required = server.useSsl || server.sslOnConnect || server.requireTls;
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(required ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
}

// What the installation can change when the server's security is the reason for a failure.
QString securityAdvice(CURLcode code) {
    switch (code) {
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral(" - the mail server offers no TLS; [mail] require_tls = false in autovelt.ini allows "
                              "sending without it (the password then travels unencrypted)");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral(" - the mail server's certificate did not verify; [mail] ca_file in autovelt.ini names "
                              "the certificates to trust");
    default: return {};
    }
}

void setCredentials(CURL* curl, const MailServer& server, const QByteArray& account, const QByteArray& password) {
    if (server.account.isEmpty()) return;
    curl_easy_setopt(curl, CURLOPT_USERNAME, account.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
}

QString errorText(CURLcode code, const char* detailBuffer, const QString& lastRefusal) {
    QString text = QString::fromUtf8(curl_easy_strerror(code));
    const QString detail = QString::fromUtf8(detailBuffer).trimmed();
    if (!detail.isEmpty() && detail != text) text += QStringLiteral(": ") + detail;
    if (!lastRefusal.isEmpty())
        text += QStringLiteral(" (server replied: ") + lastRefusal + u')';
    return singleLine(text + securityAdvice(code));
}

}  // namespace

QString SmtpTransport::send(const MailMessage& message, const MailServer& server) {
    if (server.host.trimmed().isEmpty()) return QStringLiteral("No SMTP server is set.");
    const RenderedMail rendered = renderMailMessage(message, BccHeader::Omit);
    if (!rendered.error.isEmpty()) return rendered.error;

    InitCurlOnce();
    EasyHandle curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return QStringLiteral("Unable to start the mail transfer.");

    // Everything curl is given must live until curl_easy_perform returns.
    const QByteArray url = serverUrl(server);
    const QByteArray sender = '<' + message.from.address.toUtf8() + '>';
    const QByteArray account = server.account.toUtf8();
    const QByteArray password = server.password.toUtf8();
    const QByteArray caFile = server.caFile.toLocal8Bit();
    StringList recipients = recipientList(message.envelopeRecipients());
    Upload upload{rendered.text};
    QString lastRefusal;
    char detail[CURL_ERROR_SIZE] = {};

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    setTransportSecurity(c, server, caFile);
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readChunk);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(rendered.text.size()));
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // feeds recordServerRefusal; nothing is printed
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, recordServerRefusal);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &lastRefusal);
    setTimeouts(c, server);
    setCredentials(c, server, account, password);

    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK) return QStringLiteral("ok");
    return withoutSecret(errorText(code, detail, lastRefusal), server.password);
}

}  // namespace autovelt::comms
