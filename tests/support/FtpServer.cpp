#include "support/FtpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace autovelt::testing {

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(AUTOVELT_TESTS_DIR "/support/ftp_server.py");
constexpr int kStartTimeoutMs = 15000;
}  // namespace

FtpServer::FtpServer(QString user, QString password) : user_(std::move(user)), password_(std::move(password)) {}

FtpServer::~FtpServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool FtpServer::start(QString* error) {
    process_.start(kPython, {kScript, root_.path(), user_, password_});
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        *error = QStringLiteral("cannot start %1: %2").arg(kPython, process_.errorString());
        return false;
    }
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs)) {
            *error = QStringLiteral("FTP server did not report its port: ") + QString::fromUtf8(process_.readAllStandardError());
            return false;
        }
    }
    const QByteArray line = process_.readLine().trimmed();
    port_ = line.startsWith("PORT ") ? line.mid(5).toUShort() : 0;
    if (port_ == 0) *error = QStringLiteral("unexpected first line from the FTP server: ") + QString::fromUtf8(line);
    return port_ != 0;
}

QString FtpServer::path(const QString& remotePath) const { return root_.path() + remotePath; }

void FtpServer::putFile(const QString& remotePath, const QByteArray& content) const {
    const QString local = path(remotePath);
    QDir().mkpath(QFileInfo(local).absolutePath());
    QFile file(local);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write the served file");
}

}  // namespace autovelt::testing
