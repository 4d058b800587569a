#include "sandbox/SandboxCertificates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace autovelt::sandbox {

namespace {

constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kPrivateFolder = kPrivateFile | QFileDevice::ExeOwner;
constexpr int kOpensslTimeoutMs = 60000;

bool openssl(const QString& folder, const QStringList& arguments, QString* error) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), arguments);
    if (!p.waitForStarted(kOpensslTimeoutMs)) {
        *error = QStringLiteral("cannot run openssl (%1); install the openssl package").arg(p.errorString());
        return false;
    }
    if (!p.waitForFinished(kOpensslTimeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("openssl %1 failed: %2").arg(arguments.value(0), QString::fromLocal8Bit(p.readAll()).trimmed());
        return false;
    }
    return true;
}

bool writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// Everything is made in a private scratch folder and moved into place only when complete.
bool makeCertificates(const QString& folder, QString* error) {
    QTemporaryDir scratch(QDir(folder).filePath(QStringLiteral(".making-XXXXXX")));
    if (!scratch.isValid()) {
        *error = QStringLiteral("cannot make a scratch folder in %1").arg(folder);
        return false;
    }
    const QString dir = scratch.path();
    QFile::setPermissions(dir, kPrivateFolder);
    const QStringList ec = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (!writeText(QDir(dir).filePath(QStringLiteral("server.ext")),
                   "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                   "extendedKeyUsage=serverAuth\nsubjectAltName=DNS:localhost,IP:127.0.0.1\n")) {
        *error = QStringLiteral("cannot write in %1").arg(dir);
        return false;
    }
    const bool made =
        openssl(dir, QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                         QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"), QStringLiteral("ca.pem"),
                                     QStringLiteral("-days"), QStringLiteral("3650"), QStringLiteral("-subj"),
                                     QStringLiteral("/O=AutoVelt/CN=AutoVelt agency sandbox CA"), QStringLiteral("-addext"),
                                     QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                                     QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                error) &&
        openssl(dir, QStringList{QStringLiteral("req")} + ec +
                         QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"), QStringLiteral("server.csr"),
                                     QStringLiteral("-subj"), QStringLiteral("/O=AutoVelt/CN=localhost")},
                error) &&
        openssl(dir, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                      QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                      QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.pem"), QStringLiteral("-days"),
                      QStringLiteral("825"), QStringLiteral("-extfile"), QStringLiteral("server.ext")},
                error);
    if (!made) return false;
    for (const QString& name : {QStringLiteral("ca.key"), QStringLiteral("server.key"), QStringLiteral("server.pem"), QStringLiteral("ca.pem")}) {
        const QString target = QDir(folder).filePath(name);
        QFile::remove(target);
        if (!QFile::setPermissions(QDir(dir).filePath(name), kPrivateFile) || !QFile::rename(QDir(dir).filePath(name), target)) {
            *error = QStringLiteral("cannot move %1 into %2").arg(name, folder);
            return false;
        }
    }
    return true;
}

}  // namespace

bool ensureCertificates(const QString& folder, CertificatePaths& paths, QString* error) {
    const QDir dir(folder);
    if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, kPrivateFolder)) {
        *error = QStringLiteral("cannot make the certificate folder %1 private").arg(folder);
        return false;
    }
    paths.caCertificate = dir.absoluteFilePath(QStringLiteral("ca.pem"));
    paths.serverCertificate = dir.absoluteFilePath(QStringLiteral("server.pem"));
    paths.serverKey = dir.absoluteFilePath(QStringLiteral("server.key"));
    const bool complete = QFileInfo::exists(paths.caCertificate) && QFileInfo::exists(paths.serverCertificate) &&
                          QFileInfo::exists(paths.serverKey) && QFileInfo::exists(dir.filePath(QStringLiteral("ca.key")));
    return complete || makeCertificates(folder, error);
}

}  // namespace autovelt::sandbox
