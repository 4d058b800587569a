#pragma once

#include <QProcess>
#include <QTemporaryDir>

namespace autovelt::testing {

// A real FTP server (tests/support/ftp_server.py) on 127.0.0.1 at a free port, serving a
// temporary folder to one user. Files whose name starts with "cut-" are dropped halfway
// through a transfer; the size of those starting "nosize-" is not told. Unless told otherwise
// it offers TLS, with a certificate for 127.0.0.1 from a CA of its own (caFile()). Stopped by
// the destructor.
class FtpServer {
public:
    // Starts the server; throws std::runtime_error with the reason when it does not come up.
    FtpServer(const QString& user, const QString& password, bool offerTls = true);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    quint16 port() const { return port_; }

    QString path(const QString& remotePath) const { return root_.path() + remotePath; }  // "/" is the served root
    void putFile(const QString& remotePath, const QByteArray& content) const;
    QString caFile() const;  // the CA its certificate chains to

private:
    QTemporaryDir root_;
    QTemporaryDir certificates_;
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace autovelt::testing
