#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

namespace autovelt::inline comms {

// Where and how to reach the website's FTP server.
struct FtpEndpoint {
    QString host;
    int port = 21;
    QString user;
    QString password;  // never written into a URL, a line or a log
    bool passive = true;
    qint64 maxFileBytes = 0;        // a larger download is refused (0: no limit)
    long lowSpeedBytes = 1024;      // a transfer slower than this many bytes a second...
    long lowSpeedSeconds = 60;      // ...for this long is given up
    // Required: the session is encrypted (AUTH TLS) or nothing is sent, not even the user
    // name; Auto: encrypted when the server offers it; Off: never. The server's certificate
    // and name are verified whenever TLS is used.
    enum class Tls { Required, Auto, Off };
    Tls tls = Tls::Required;
    QString caFile;  // certificates to trust instead of the system's
};

// How one FTP request ended.
struct FtpResult {
    enum class Outcome { Done, Missing, Failed, TooLarge };
    Outcome outcome = Outcome::Failed;
    QString reason;  // for Failed and Missing; never holds the password
    bool ok() const { return outcome == Outcome::Done; }
};

// One logged-in FTP connection, kept open across requests. Remote names are used inside
// the current directory only.
class FtpSession {
public:
    explicit FtpSession(FtpEndpoint endpoint);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // False when the library cannot be started (no request is possible).
    bool usable() const;

    // Logs in and makes `directory` (an absolute path) the current directory.
    FtpResult changeDirectory(const QString& directory);
    // Writes the remote file into `localPath` (created private, replaced). Done only when the
    // whole file arrived: a transfer cut short, a file shorter than the server announced or
    // a local write failure is Failed; a file the server does not have is Missing; a file
    // larger than the endpoint's limit is TooLarge (refused when the server announces its
    // size, else cut off once the limit is passed).
    FtpResult fetch(const QString& remoteName, const QString& localPath);
    FtpResult remove(const QString& remoteName);

    // A remote name that can travel in an FTP command and names a file of the current
    // directory only: a bare name (see IsBareFileName).
    static bool isSendableName(const QString& remoteName);

    // After a request that reached the server: whether its commands and files travelled
    // encrypted.
    bool encrypted() const { return encrypted_; }

private:
    QString urlOf(const QString& remoteName) const;
    QString reasonOf(int code, const char* detail) const;

    FtpEndpoint endpoint_;
    QString directory_ = QStringLiteral("/");
    bool encrypted_ = false;
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// The directory to change to: when `directory` holds the server address, only what follows
// it; an empty result is "/".
QString FtpDirectoryPath(const QString& directory, const QString& server);

}  // namespace autovelt::comms
