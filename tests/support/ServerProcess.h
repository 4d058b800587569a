#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace autovelt::testing {

inline constexpr int kServerStartTimeoutMs = 30000;

// Starts a helper server and returns the first line it prints (where it listens); an empty
// line with the reason in `error` when it does not come up.
inline QByteArray startServer(QProcess& process, const QString& program, const QStringList& arguments, QString* error) {
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(kServerStartTimeoutMs)) {
        *error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return {};
    }
    while (!process.canReadLine())
        if (!process.waitForReadyRead(kServerStartTimeoutMs)) {
            *error = program + QStringLiteral(" did not say where it listens: ") + QString::fromUtf8(process.readAllStandardError());
            return {};
        }
    return process.readLine().trimmed();
}

// A test server script run by Debian's /usr/bin/python3 (its python3-* packages belong to
// that interpreter only), which first prints "PORT n". The port, or 0 with `error` set.
inline quint16 startPythonServer(QProcess& process, const QStringList& arguments, QString* error) {
    const QByteArray line = startServer(process, QStringLiteral("/usr/bin/python3"), arguments, error);
    const quint16 port = line.startsWith("PORT ") ? line.mid(5).toUShort() : 0;
    if (port == 0 && !line.isEmpty()) *error = QStringLiteral("unexpected first line: ") + QString::fromUtf8(line);
    return port;
}

inline void stopServer(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace autovelt::testing
