#pragma once

// `autovelt --status`: what a monitoring system asks of a working importer. It reads only
// (the cycle's record, the databases, the staging folder), so it runs beside the importer.

#include "app/CycleRecord.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace autovelt::inline state { class Clock; }

namespace autovelt::inline app {

struct InstallationStatus {
    struct OutboxEntry {
        QString state;        // pending, sending, uncertain, failed
        QString application;  // the website's field_id
        QString kind;         // email, ...
    };

    QDateTime at;                  // when it was read
    QStringList unhealthy;         // why the importer needs a person; empty when healthy
    PendingApplications pending;
    QDateTime oldestPendingSince;  // invalid: arrived after the last cycle began
    CycleRecord lastCycle;
    bool cycleRunning = false;
    QList<OutboxEntry> outbox;     // every effect not yet done
    qint64 documentsWaiting = -1;  // member_docs rows; -1 when not read
    int stagingFiles = 0;

    bool healthy() const { return unhealthy.isEmpty(); }
    QStringList lines() const;
    QJsonObject json() const;
};

InstallationStatus ReadInstallationStatus(const QString& homeFolder, Clock& clock);

// Prints the status as lines or as one JSON object; 0 when healthy, 1 otherwise.
int RunStatusCommand(const QString& homeFolder, bool asJson);

}  // namespace autovelt::app
