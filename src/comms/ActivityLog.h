#pragma once

// The activity log: what one import run reported, kept as a file in the program's folder
// and mailed to the credit union, so staff see the run's problems without the window.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace autovelt::inline state { class CycleContext; class UnitSession; }

namespace autovelt::inline comms {

// The file's text (lines ending CR LF) and the mail body built from the same lines.
struct ActivityLogText {
    QString file;
    QString body;
};
ActivityLogText buildActivityLog(const QStringList& problems, const QStringList& successes, const QString& cuname,
                                 const QDateTime& now);

// "<program folder>/VELTLOGS_<YYYYMMM>/Eventlog<YYYYMMDD>-<HHMMSS>.txt"
QString activityLogPath(const QString& programFolder, const QDateTime& now);

// Writes the activity log from the two report lists; nothing when both are empty. With
// email set, mails it too. Returns the file's path, or an empty text when none was written.
QString RecordActivityLog(const CycleContext& cycle, UnitSession& session, bool email);

// Who gets the log: the first line of "emailme.txt" in the program's folder, else the
// credit union's SenderAddress. Empty when that is a do-not-reply address or not an address.
QString activityLogRecipients(const QString& programFolder, const QString& senderAddress);

// Mails the log with the file attached. Returns the mail routine's answer, or an empty
// text when there was no one to send to. The answer is not reported: a log mail that
// fails is seen by its absence, and the file stays in the folder.
QString EmailActivityLog(const CycleContext& cycle, const QString& body, const QString& attachmentPath);

}  // namespace autovelt::comms
