// autovelt-agency-sandbox: a stand-in for the credit reference agency on loopback, so that
// a credit union can run a complete test installation (and the tests and demo can run)
// without agency credentials. Prints "listening https=PORT http=PORT" once both ports are
// open, then serves until it is stopped.

#include "sandbox/RequestRecorder.h"
#include "sandbox/SandboxCertificates.h"
#include "sandbox/SandboxHttpServer.h"
#include "sandbox/SandboxOptions.h"
#include "sandbox/SandboxService.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <cstdio>
#include <sys/stat.h>

using namespace autovelt::sandbox;

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "autovelt-agency-sandbox: %s\n", qPrintable(text));
    return 1;
}

bool loadServerIdentity(const CertificatePaths& paths, QSslCertificate& certificate, QSslKey& key, QString* error) {
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(paths.serverCertificate);
    QFile keyFile(paths.serverKey);
    if (certificates.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the server certificate or key in %1").arg(paths.serverCertificate);
        return false;
    }
    certificate = certificates.first();
    key = QSslKey(&keyFile, QSsl::Ec);
    if (key.isNull()) {
        *error = QStringLiteral("the server key %1 is not a readable EC key").arg(paths.serverKey);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    umask(077);  // certificates, keys and recorded requests are the account's alone
    QCoreApplication app(argc, argv);
    SandboxOptions options;
    QString message;
    if (!readOptions(app.arguments(), options, &message)) {
        const bool help = app.arguments().contains(QStringLiteral("--help")) || app.arguments().contains(QStringLiteral("-h"));
        std::fprintf(help ? stdout : stderr, "%s\n", qPrintable(message));
        return help ? 0 : 2;
    }
    if (!QSslSocket::supportsSsl()) return fail(QStringLiteral("this Qt has no TLS support"));
    CertificatePaths paths;
    QSslCertificate certificate;
    QSslKey key;
    if (!ensureCertificates(options.certificateFolder, paths, &message) || !loadServerIdentity(paths, certificate, key, &message))
        return fail(message);
    RequestRecorder recorder(options.recordFolder);
    if (!recorder.prepare(&message)) return fail(message);

    SandboxService service(options, recorder);
    SandboxHttpServer https(service);
    https.sslSetup(certificate, key);
    SandboxHttpServer http(service);
    const quint16 httpsPort = https.listen(QHostAddress::LocalHost, quint16(options.httpsPort));
    if (httpsPort == 0) return fail(QStringLiteral("cannot listen on 127.0.0.1:%1 for HTTPS").arg(options.httpsPort));
    const quint16 httpPort = http.listen(QHostAddress::LocalHost, quint16(options.httpPort));
    if (httpPort == 0) return fail(QStringLiteral("cannot listen on 127.0.0.1:%1 for HTTP").arg(options.httpPort));
    std::printf("listening https=%u http=%u\n", unsigned(httpsPort), unsigned(httpPort));
    std::fflush(stdout);
    std::fprintf(stderr, "autovelt-agency-sandbox: CA file %s, credit search namespace %s\n", qPrintable(paths.caCertificate),
                 qPrintable(options.callReportNamespace));
    return app.exec();
}
