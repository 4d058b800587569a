#include "support/FtpServer.h"

#include "support/ServerProcess.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace autovelt::testing {

FtpServer::~FtpServer() { stopServer(process_); }

bool FtpServer::start(QString* error) {
    port_ = startPythonServer(process_, {QStringLiteral(AUTOVELT_TESTS_DIR "/support/ftp_server.py"), root_.path(), user_, password_}, error);
    return port_ != 0;
}

void FtpServer::putFile(const QString& remotePath, const QByteArray& content) const {
    const QString local = path(remotePath);
    QDir().mkpath(QFileInfo(local).absolutePath());
    QFile file(local);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) throw std::runtime_error("cannot write the served file");
}

}  // namespace autovelt::testing
