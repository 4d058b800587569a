#include "support/FtpServer.h"

#include "sandbox/SandboxCertificates.h"
#include "support/ServerProcess.h"
#include "support/TestInstallation.h"
#include "support/TestPaths.h"

#include <stdexcept>

namespace autovelt::testing {

FtpServer::~FtpServer() { stopServer(process_); }

FtpServer::FtpServer(const QString& user, const QString& password, bool offerTls) {
    QStringList arguments{QStringLiteral(AUTOVELT_TESTS_DIR "/support/ftp_server.py"), root_.path(), user, password};
    QString error;
    if (offerTls) {
        sandbox::CertificatePaths certificates;
        if (!sandbox::ensureCertificates(certificates_.path(), certificates, &error)) throw std::runtime_error(error.toStdString());
        arguments << certificates.serverCertificate << certificates.serverKey;
    }
    port_ = startPythonServer(process_, arguments, &error);
    if (port_ == 0) throw std::runtime_error("the FTP server did not start: " + error.toStdString());
}

QString FtpServer::caFile() const { return certificates_.filePath(QStringLiteral("ca.pem")); }

void FtpServer::putFile(const QString& remotePath, const QByteArray& content) const {
    test::WriteFileBytes(path(remotePath), content);
}

}  // namespace autovelt::testing
