#pragma once

// The real program run as a separate process, the way the service and the credit union's IT
// person run it, and the mail it leaves in a pickup folder.

#include "support/SmtpSink.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace autovelt::test {

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not finish in time
    QString out, err;
    QString output() const { return out + err; }
};

// Starts "autovelt <arguments>" with the test's registry files and without the developer's own
// AUTOVELT_HOME, and leaves it running.
std::unique_ptr<QProcess> StartAutovelt(const QStringList& arguments);
// Runs it so to its end.
ProgramRun RunAutovelt(const QStringList& arguments, int timeoutMs = 120000);

// Runs "autovelt --once --home <home>" under the debugger with the commands given (a "break"
// and "run", perhaps more) and kills it where they leave it. The debugger's trace, which holds
// "Breakpoint 1, " when the step was reached.
QString RunAutoveltKilledAt(const QString& home, const QStringList& debuggerCommands);

// The messages of a pickup folder (its ".eml" files, by name), decoded.
QList<testing::ReceivedMail> PickedUpMails(const QString& folder);

}  // namespace autovelt::test
