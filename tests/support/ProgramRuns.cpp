#include "support/ProgramRuns.h"

#include "support/TestPaths.h"

#include <QDir>
#include <QProcess>

namespace autovelt::test {

std::unique_ptr<QProcess> StartAutovelt(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("AUTOVELT_HOME"));
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(AUTOVELT_EXECUTABLE), arguments);
    process->waitForStarted();
    return process;
}

ProgramRun RunAutovelt(const QStringList& arguments, int timeoutMs) {
    const auto process = StartAutovelt(arguments);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished();
        return {};
    }
    return {process->exitCode(), QString::fromUtf8(process->readAllStandardOutput()), QString::fromUtf8(process->readAllStandardError())};
}

QString RunAutoveltKilledAt(const QString& home, const QStringList& debuggerCommands) {
    QStringList arguments{QStringLiteral("-batch"), QStringLiteral("-nx"), QStringLiteral("-ex"), QStringLiteral("set pagination off")};
    for (const QString& command : debuggerCommands) arguments << QStringLiteral("-ex") << command;
    arguments << QStringLiteral("-ex") << QStringLiteral("kill") << QStringLiteral("--args") << QStringLiteral(AUTOVELT_EXECUTABLE)
              << QStringLiteral("--once") << QStringLiteral("--home") << home;
    QProcess debugger;
    debugger.start(QStringLiteral("gdb"), arguments);
    debugger.waitForFinished(180000);
    return QString::fromLocal8Bit(debugger.readAll());
}

QList<testing::ReceivedMail> PickedUpMails(const QString& folder) {
    QList<testing::ReceivedMail> mails;
    const QDir pickup(folder);
    for (const QString& name : pickup.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
        if (auto mail = testing::SmtpSink::parseMessageFile(pickup.filePath(name))) mails << *mail;
    return mails;
}

}  // namespace autovelt::test
