#include "app/InstallationStatus.h"

#include "app/CommandLine.h"
#include "app/ControlSettings.h"
#include "common/VeltError.h"
#include "import/ApplicationIntake.h"
#include "platform/db/Connection.h"
#include "state/Importer.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace autovelt::inline app {

namespace {

const QStringList kOutboxStates = {QStringLiteral("pending"), QStringLiteral("sending"), QStringLiteral("uncertain"),
                                   QStringLiteral("failed")};

QString shown(const QDateTime& at) { return at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("-"); }
QString jsonTime(const QDateTime& at) { return at.isValid() ? at.toString(Qt::ISODate) : QString(); }

bool processAlive(qint64 processId) {
    return processId > 0 && (::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM);
}

int countFiles(const QString& folder) {
    int files = 0;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++files;
    return files;
}

class StatusReader {
public:
    StatusReader(const QString& home, Clock& clock) : home_(home), im_(home, reporter_, clock) { s_.at = clock.now(); }

    InstallationStatus read() {
        readCycleRecord();
        s_.stagingFiles = countFiles(QDir(home_).filePath(QStringLiteral("staging")));
        im_.LoadInstallation();
        im_.writesImporterLogs = false;
        LoadControlSettings(im_);
        if (im_.SkipImport) {
            for (const QString& line : reporter_.problems())
                if (!line.startsWith(QLatin1String("Table_test found"))) s_.unhealthy << QStringLiteral("settings: ") + line;
        } else {
            try {
                readOnline();
                readOutbox();
            } catch (const VeltError& error) {
                s_.unhealthy << QStringLiteral("databases: ") + error.description();
            }
        }
        im_.connections.closeAll();
        return s_;
    }

private:
    void readCycleRecord() {
        CycleRecord& c = s_.lastCycle = CycleRecord::read(home_);
        if (!c.started.isValid() || c.endedAfterStart()) {
            if (c.exitStatus != ExitOk && c.exitStatus != ExitStoppedOnRequest && c.exitStatus != -1)
                s_.unhealthy << QStringLiteral("the last cycle failed (exit status %1)").arg(c.exitStatus);
            return;
        }
        s_.cycleRunning = processAlive(c.processId);
        if (!s_.cycleRunning) s_.unhealthy << QStringLiteral("the last cycle did not end: the importer stopped during it");
    }

    void readOnline() {
        db::Connection& online = im_.connections.OnlineConnection;
        s_.pending = ReadPendingApplications(online);
        db::Recordset docs = online.openRecordset(QStringLiteral("SELECT COUNT(*) FROM member_docs ;"), db::readOnlyCursor());
        s_.documentsWaiting = docs.eof() ? 0 : docs.value(0).toLongLong();
        if (s_.pending.count == 0) return;
        s_.oldestPendingSince = s_.lastCycle.firstSeen(s_.pending.lowestId);
        const int stale = im_.config.staleMinutes;
        if (s_.oldestPendingSince.isValid() && s_.oldestPendingSince.secsTo(s_.at) > qint64(stale) * 60)
            s_.unhealthy << QStringLiteral("application %1 has been pending since %2, longer than %3 minutes ([timing] stale_minutes)")
                                .arg(s_.pending.lowestId).arg(shown(s_.oldestPendingSince)).arg(stale);
        // Unseen by any cycle: stale as well when no cycle has started for that long.
        const QDateTime lastStart = s_.lastCycle.started;
        if (!s_.oldestPendingSince.isValid() && (!lastStart.isValid() || lastStart.secsTo(s_.at) > qint64(stale) * 60))
            s_.unhealthy << QStringLiteral("application %1 is pending and no cycle has started for more than %2 minutes "
                                           "([timing] stale_minutes)")
                                .arg(s_.pending.lowestId).arg(stale);
    }

    void readOutbox() {
        db::Connection& audit = im_.connections.TarvAudt;
        if (!audit.columnExists(QStringLiteral("VeltEffect"), QStringLiteral("State"))) return;
        db::Recordset rs = audit.openRecordset(
            QStringLiteral("SELECT State, ApplicationKey, Kind FROM VeltEffect WHERE State<>'done' ORDER BY ID ;"), db::readOnlyCursor());
        for (; !rs.eof(); rs.moveNext()) {
            const InstallationStatus::OutboxEntry e{rs.text(QStringLiteral("State")),
                                                    FieldIdOfApplicationKey(rs.text(QStringLiteral("ApplicationKey"))),
                                                    rs.text(QStringLiteral("Kind"))};
            s_.outbox.append(e);
            if (e.state == QLatin1String("uncertain") || e.state == QLatin1String("failed"))
                s_.unhealthy << QStringLiteral("the %1 of application %2 is %3").arg(e.kind, e.application, e.state);
        }
    }

    QString home_;
    ListReporter reporter_;
    Importer im_;
    InstallationStatus s_;
};

}  // namespace

QStringList InstallationStatus::lines() const {
    QStringList out{healthy() ? QStringLiteral("healthy") : QStringLiteral("NOT HEALTHY")};
    for (const QString& why : unhealthy) out << QStringLiteral("problem: ") + why;
    QString pendingLine = QStringLiteral("pending applications: %1").arg(pending.count);
    if (pending.count > 0)
        pendingLine += oldestPendingSince.isValid()
                           ? QStringLiteral(", oldest %1 pending since %2 (%3 minutes)")
                                 .arg(pending.lowestId).arg(shown(oldestPendingSince)).arg(oldestPendingSince.secsTo(at) / 60)
                           : QStringLiteral(", oldest %1 arrived after the last cycle began").arg(pending.lowestId);
    out << pendingLine;
    if (cycleRunning) out << QStringLiteral("cycle running since %1").arg(shown(lastCycle.started));
    else if (lastCycle.endedAfterStart())
        out << QStringLiteral("last cycle: started %1, ended %2, exit status %3")
                   .arg(shown(lastCycle.started), shown(lastCycle.ended))
                   .arg(lastCycle.exitStatus);
    else if (lastCycle.started.isValid()) out << QStringLiteral("last cycle: started %1, did not end").arg(shown(lastCycle.started));
    else out << QStringLiteral("last cycle: none recorded");
    out << QStringLiteral("next cycle: %1").arg(lastCycle.nextCycle.isValid() ? shown(lastCycle.nextCycle) : QStringLiteral("not scheduled"));
    QStringList counts;
    for (const QString& state : kOutboxStates) {
        int n = 0;
        for (const OutboxEntry& e : outbox) n += e.state == state;
        counts << QStringLiteral("%1 %2").arg(n).arg(state);
    }
    out << QStringLiteral("outbox: ") + counts.join(QStringLiteral(", "));
    for (const OutboxEntry& e : outbox) out << QStringLiteral("  %1: %2 of application %3").arg(e.state, e.kind, e.application);
    out << QStringLiteral("documents waiting in member_docs: ") +
               (documentsWaiting < 0 ? QStringLiteral("unknown") : QString::number(documentsWaiting));
    out << QStringLiteral("files left in the staging folder: %1").arg(stagingFiles);
    return out;
}

QJsonObject InstallationStatus::json() const {
    QJsonObject outboxByState;
    for (const QString& state : kOutboxStates) {
        QJsonArray entries;
        for (const OutboxEntry& e : outbox)
            if (e.state == state) entries.append(QJsonObject{{QStringLiteral("application"), e.application}, {QStringLiteral("kind"), e.kind}});
        outboxByState.insert(state, entries);
    }
    return QJsonObject{
        {QStringLiteral("healthy"), healthy()},
        {QStringLiteral("problems"), QJsonArray::fromStringList(unhealthy)},
        {QStringLiteral("pending"), QJsonObject{{QStringLiteral("count"), pending.count},
                                                {QStringLiteral("oldest"), pending.lowestId},
                                                {QStringLiteral("oldestSince"), jsonTime(oldestPendingSince)},
                                                {QStringLiteral("oldestMinutes"), oldestPendingSince.isValid() ? oldestPendingSince.secsTo(at) / 60 : 0}}},
        {QStringLiteral("lastCycle"), QJsonObject{{QStringLiteral("started"), jsonTime(lastCycle.started)},
                                                  {QStringLiteral("ended"), jsonTime(lastCycle.endedAfterStart() ? lastCycle.ended : QDateTime())},
                                                  {QStringLiteral("exitStatus"), lastCycle.endedAfterStart() ? QJsonValue(lastCycle.exitStatus) : QJsonValue()},
                                                  {QStringLiteral("running"), cycleRunning}}},
        {QStringLiteral("nextCycle"), jsonTime(lastCycle.nextCycle)},
        {QStringLiteral("outbox"), outboxByState},
        {QStringLiteral("documentsWaiting"), documentsWaiting},
        {QStringLiteral("stagingFiles"), stagingFiles},
    };
}

InstallationStatus ReadInstallationStatus(const QString& homeFolder, Clock& clock) { return StatusReader(homeFolder, clock).read(); }

int RunStatusCommand(const QString& homeFolder, bool asJson) {
    SystemClock clock;
    const InstallationStatus status = ReadInstallationStatus(homeFolder, clock);
    if (asJson) std::fputs(QJsonDocument(status.json()).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
    else
        for (const QString& line : status.lines()) std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
    return status.healthy() ? ExitOk : 1;
}

}  // namespace autovelt::app
