#include "comms/FtpSession.h"

#include "platform/net/CurlLibrary.h"

#include "common/BareFileName.h"
#include "common/PrivateFiles.h"

#include <QFile>
#include <QUrl>
#include <curl/curl.h>
#include <cstring>

namespace autovelt::inline comms {

namespace {

constexpr long kConnectTimeoutSeconds = 30;

struct Download {
    QFile* file = nullptr;
    qint64 maxBytes = 0;
    qint64 written = 0;
    bool writeFailed = false;
    bool tooLarge = false;
};

size_t writeToFile(char* data, size_t size, size_t count, void* context) {
    auto* download = static_cast<Download*>(context);
    const qint64 bytes = qint64(size * count);
    // A server that does not announce the size is cut off once the limit is passed.
    if (download->maxBytes > 0 && download->written + bytes > download->maxBytes) {
        download->tooLarge = true;
        return 0;
    }
    download->written += bytes;
    if (download->file->write(data, bytes) != bytes) {
        download->writeFailed = true;
        return 0;
    }
    return size * count;
}

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

}  // namespace

struct FtpSession::Handle {
    CURL* curl = nullptr;
    char error[CURL_ERROR_SIZE] = {};
    QByteArray caFile;
    bool tlsAccepted = false;  // on the control connection in use
    ~Handle() {
        if (curl) curl_easy_cleanup(curl);
    }
};

FtpSession::FtpSession(FtpEndpoint endpoint) : endpoint_(std::move(endpoint)), handle_(std::make_unique<Handle>()) {
    InitCurlOnce();
    handle_->curl = curl_easy_init();
    handle_->caFile = endpoint_.caFile.toLocal8Bit();
}

FtpSession::~FtpSession() = default;

bool FtpSession::usable() const { return handle_->curl != nullptr; }

bool FtpSession::isSendableName(const QString& remoteName) { return IsBareFileName(remoteName); }

QString FtpSession::urlOf(const QString& remoteName) const {
    // Every character of the name but letters, digits and "-._~" is escaped ("%" too), and
    // libcurl decodes the path once before splitting it at "/": the name stays one segment.
    QString path = directory_;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    QString escapedPath;
    for (const QString& part : path.split(QLatin1Char('/')))
        escapedPath += QString::fromLatin1(QUrl::toPercentEncoding(part, "+")) + QLatin1Char('/');
    escapedPath.chop(1);
    return QStringLiteral("ftp://%1:%2/%3%4")
        .arg(endpoint_.host)
        .arg(endpoint_.port)
        .arg(escapedPath.mid(1), QString::fromLatin1(QUrl::toPercentEncoding(remoteName)));
}

QString FtpSession::reasonOf(int code, const char* detail) const {
    QString reason = QString::fromUtf8(*detail ? detail : curl_easy_strerror(CURLcode(code)));
    if (!endpoint_.password.isEmpty()) reason.replace(endpoint_.password, QStringLiteral("*****"));
    reason += QStringLiteral(" (") + QString::number(code) + QLatin1Char(')');
    // What the installation can change when the server's security is the reason.
    if (code == CURLE_USE_SSL_FAILED)
        reason += QStringLiteral(" - the FTP server offers no TLS; [web] ftp_tls = auto in autovelt.ini allows it "
                                 "(documents and the web password then travel unencrypted)");
    else if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE)
        reason += QStringLiteral(" - the FTP server's certificate did not verify; [web] ftp_ca_file in autovelt.ini names "
                                 "the certificates to trust");
    return reason;
}

namespace {

long curlTlsLevel(FtpEndpoint::Tls tls) {
    switch (tls) {
    case FtpEndpoint::Tls::Required: return CURLUSESSL_ALL;
    case FtpEndpoint::Tls::Auto: return CURLUSESSL_TRY;
    case FtpEndpoint::Tls::Off: return CURLUSESSL_NONE;
    }
    return CURLUSESSL_ALL;
}

// Notes whether the server accepted AUTH TLS (reply 234) on the control connection.
int noteTlsAccepted(CURL*, curl_infotype type, char* data, size_t size, void* userdata) {
    if (type == CURLINFO_HEADER_IN && size >= 4 && std::memcmp(data, "234 ", 4) == 0) *static_cast<bool*>(userdata) = true;
    return 0;
}

// The options every request shares. Credentials go in their own options, never the URL.
// libcurl verifies the certificate and the host name whenever TLS is used.
void prepare(CURL* curl, const FtpEndpoint& endpoint, const QByteArray& url, const QByteArray& caFile, char* error,
             bool* tlsAccepted) {
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_USE_SSL, curlTlsLevel(endpoint.tls));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // feeds noteTlsAccepted; nothing is printed
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, noteTlsAccepted);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, tlsAccepted);
    curl_easy_setopt(curl, CURLOPT_USERNAME, endpoint.user.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, endpoint.password.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_FTPPORT, endpoint.passive ? nullptr : "-");
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_FTP_RESPONSE_TIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, kConnectTimeoutSeconds * 1000L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, endpoint.lowSpeedBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, endpoint.lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    error[0] = 0;
}

}  // namespace

FtpResult FtpSession::changeDirectory(const QString& directory) {
    if (!usable()) return {FtpResult::Outcome::Failed, QStringLiteral("the FTP library could not be started")};
    const QString previous = directory_;
    directory_ = directory;
    const QByteArray url = urlOf(QString()).toUtf8();
    prepare(handle_->curl, endpoint_, url, handle_->caFile, handle_->error, &handle_->tlsAccepted);
    curl_easy_setopt(handle_->curl, CURLOPT_NOBODY, 1L);
    handle_->tlsAccepted = false;
    const CURLcode code = curl_easy_perform(handle_->curl);
    // The first request logs in; later ones reuse its connection and say nothing of TLS.
    encrypted_ = handle_->tlsAccepted || (encrypted_ && code == CURLE_OK);
    if (code == CURLE_OK) return {FtpResult::Outcome::Done, {}};
    directory_ = previous;
    return {FtpResult::Outcome::Failed, reasonOf(code, handle_->error)};
}

FtpResult FtpSession::fetch(const QString& remoteName, const QString& localPath) {
    if (!usable()) return {FtpResult::Outcome::Failed, QStringLiteral("the FTP library could not be started")};
    if (!isSendableName(remoteName)) return {FtpResult::Outcome::Failed, QStringLiteral("the file name cannot be sent")};
    QFile file(localPath);
    if (!OpenPrivateFile(file, QIODevice::WriteOnly | QIODevice::Truncate))
        return {FtpResult::Outcome::Failed, QStringLiteral("cannot write ") + localPath + QStringLiteral(": ") + file.errorString()};
    Download download{&file, endpoint_.maxFileBytes};
    const QByteArray url = urlOf(remoteName).toUtf8();
    prepare(handle_->curl, endpoint_, url, handle_->caFile, handle_->error, &handle_->tlsAccepted);
    curl_easy_setopt(handle_->curl, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(handle_->curl, CURLOPT_WRITEDATA, &download);
    // Refused before the transfer when the server announces a larger size.
    curl_easy_setopt(handle_->curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(endpoint_.maxFileBytes));
    const CURLcode code = curl_easy_perform(handle_->curl);
    const bool flushed = file.flush();
    file.close();
    if (code == CURLE_REMOTE_FILE_NOT_FOUND) return {FtpResult::Outcome::Missing, reasonOf(code, handle_->error)};
    if (code == CURLE_FILESIZE_EXCEEDED || download.tooLarge) {
        QFile::remove(localPath);
        return {FtpResult::Outcome::TooLarge, QStringLiteral("larger than %1 bytes").arg(endpoint_.maxFileBytes)};
    }
    if (download.writeFailed || !flushed)
        return {FtpResult::Outcome::Failed, QStringLiteral("cannot write ") + localPath + QStringLiteral(": ") + file.errorString()};
    if (code != CURLE_OK) return {FtpResult::Outcome::Failed, reasonOf(code, handle_->error)};
    curl_off_t announced = -1;
    curl_easy_getinfo(handle_->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced >= 0 && announced != QFile(localPath).size())
        return {FtpResult::Outcome::Failed,
                QStringLiteral("only %1 of %2 bytes arrived").arg(QFile(localPath).size()).arg(qint64(announced))};
    return {FtpResult::Outcome::Done, {}};
}

FtpResult FtpSession::remove(const QString& remoteName) {
    if (!usable()) return {FtpResult::Outcome::Failed, QStringLiteral("the FTP library could not be started")};
    if (!isSendableName(remoteName)) return {FtpResult::Outcome::Failed, QStringLiteral("the file name cannot be sent")};
    const QByteArray url = urlOf(QString()).toUtf8();
    prepare(handle_->curl, endpoint_, url, handle_->caFile, handle_->error, &handle_->tlsAccepted);
    // Sent after the change into the directory: the name stays relative to it.
    const QByteArray command = "DELE " + remoteName.toUtf8();
    curl_slist* commands = curl_slist_append(nullptr, command.constData());
    curl_easy_setopt(handle_->curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle_->curl, CURLOPT_POSTQUOTE, commands);
    const CURLcode code = curl_easy_perform(handle_->curl);
    curl_easy_setopt(handle_->curl, CURLOPT_POSTQUOTE, nullptr);
    curl_slist_free_all(commands);
    if (code == CURLE_OK) return {FtpResult::Outcome::Done, {}};
    return {FtpResult::Outcome::Failed, reasonOf(code, handle_->error)};
}

QString FtpDirectoryPath(const QString& directory, const QString& server) {
    if (directory.isEmpty()) return {};
    QString path = directory;
    if (!server.isEmpty() && directory.contains(server)) path = directory.right(directory.size() - server.size());
    return path.isEmpty() ? QStringLiteral("/") : path;
}

}  // namespace autovelt::comms
