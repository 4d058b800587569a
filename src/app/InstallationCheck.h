#pragma once

// `autovelt --check`: what an IT person runs after setting up or changing an installation.
// Every check reads only; nothing is imported, no request is sent to the agency and no mail
// is sent (the servers are only connected to).

#include <QList>
#include <QString>

namespace autovelt::inline state { class Clock; }

namespace autovelt::inline app {

struct CheckResult {
    bool passed = false;
    QString name;    // what was checked, e.g. "database TarvMain"
    QString detail;  // what was found, or why it failed
};

QList<CheckResult> CheckInstallation(const QString& homeFolder, Clock& clock);

// Prints one line per check; 0 when every check passed, 1 otherwise.
int RunCheckCommand(const QString& homeFolder);

}  // namespace autovelt::app
