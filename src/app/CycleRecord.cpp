#include "app/CycleRecord.h"

#include "common/PrivateFiles.h"
#include "platform/db/Connection.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace autovelt::inline app {

namespace {

QString timeText(const QDateTime& at) { return at.isValid() ? at.toString(Qt::ISODate) : QString(); }
QDateTime timeOf(const QJsonValue& value) { return QDateTime::fromString(value.toString(), Qt::ISODate); }

}  // namespace

QString CycleRecord::filePath(const QString& homeFolder) { return QDir(homeFolder).filePath(QStringLiteral("cycle-state.json")); }

CycleRecord CycleRecord::read(const QString& homeFolder) {
    QFile file(filePath(homeFolder));
    CycleRecord r;
    if (!file.open(QIODevice::ReadOnly)) return r;
    const QJsonObject o = QJsonDocument::fromJson(file.read(1 << 20)).object();
    r.started = timeOf(o.value(QStringLiteral("started")));
    r.ended = timeOf(o.value(QStringLiteral("ended")));
    r.nextCycle = timeOf(o.value(QStringLiteral("nextCycle")));
    r.exitStatus = o.value(QStringLiteral("exitStatus")).toInt(-1);
    r.processId = o.value(QStringLiteral("processId")).toInteger();
    for (const QJsonValue& seen : o.value(QStringLiteral("pendingSeen")).toArray()) {
        const QJsonArray pair = seen.toArray();
        if (pair.size() == 2 && timeOf(pair[0]).isValid()) r.pendingSeen.append({timeOf(pair[0]), pair[1].toInteger()});
    }
    return r;
}

bool CycleRecord::write(const QString& homeFolder, QString* error) const {
    QJsonArray seen;
    for (const auto& [at, id] : pendingSeen) seen.append(QJsonArray{timeText(at), id});
    const QJsonObject o{{QStringLiteral("started"), timeText(started)},     {QStringLiteral("ended"), timeText(ended)},
                        {QStringLiteral("nextCycle"), timeText(nextCycle)}, {QStringLiteral("exitStatus"), exitStatus},
                        {QStringLiteral("processId"), processId},           {QStringLiteral("pendingSeen"), seen}};
    return WritePrivateFile(filePath(homeFolder), QJsonDocument(o).toJson(QJsonDocument::Indented), error);
}

void CycleRecord::notePending(const QDateTime& at, qint64 lowestPendingId, qint64 highestPendingId) {
    if (highestPendingId <= 0) {
        pendingSeen.clear();
        return;
    }
    // An entry below the oldest pending id dates no application any more.
    while (!pendingSeen.isEmpty() && pendingSeen.first().second < lowestPendingId) pendingSeen.removeFirst();
    if (pendingSeen.isEmpty() || pendingSeen.last().second < highestPendingId) pendingSeen.append({at, highestPendingId});
}

QDateTime CycleRecord::firstSeen(qint64 fieldId) const {
    for (const auto& [at, id] : pendingSeen)
        if (id >= fieldId) return at;
    return {};
}

PendingApplications ReadPendingApplications(db::Connection& online) {
    db::Recordset rs = online.openRecordset(
        QStringLiteral("SELECT COUNT(*), MIN(field_id), MAX(field_id) FROM table_w WHERE field_107='N' ;"), db::readOnlyCursor());
    if (rs.eof()) return {};
    return {rs.value(0).toLongLong(), rs.value(1).toLongLong(), rs.value(2).toLongLong()};
}

}  // namespace autovelt::app
