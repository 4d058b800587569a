#include "comms/ActivityLog.h"

#include "common/TextFiles.h"

#include "comms/ImporterLog.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "comms/ImporterMail.h"
#include "comms/SendEmail.h"
#include "common/PrivateFiles.h"
#include "common/Values.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace autovelt::inline comms {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

const QString kIntroduction = QStringLiteral(
    "Please find below, the activity log from the automated VELT Listener module, powered by Tarvonel, for "
    "<CUNAME>.\r\nThe complete activity log has also been attached to this email.\r\n\r\n"
    "Please do not reply to this email, as it is from an unattended mailbox.");

QString rule(int width) { return QString(width, QLatin1Char('=')); }

// Collects the file's lines and the mail body side by side.
class LogWriter {
public:
    void fileLine(const QString& line) { text_.file += line + kCrLf; }
    void bodyLine(const QString& line) { text_.body += kCrLf + line; }
    void bothLine(const QString& line) { fileLine(line); bodyLine(line); }
    // A heading in the file under a full-width rule; in the body framed by a rule of its own.
    void heading(const QString& fileHeading, const QString& bodyHeading, int bodyRuleWidth) {
        fileLine(rule(62));
        fileLine(fileHeading);
        bodyLine(rule(bodyRuleWidth));
        bodyLine(bodyHeading);
        bodyLine(rule(bodyRuleWidth));
    }
    ActivityLogText& text() { return text_; }

private:
    ActivityLogText text_;
};

}  // namespace

ActivityLogText buildActivityLog(const QStringList& problems, const QStringList& successes, const QString& cuname,
                                 const QDateTime& now) {
    const QString stamp = formatDate(now, QStringLiteral("dd/mm/yyyy")) + QStringLiteral(" at ") +
                          formatDate(now, QStringLiteral("hh:mm:ss"));
    LogWriter log;
    log.bodyLine(QString(kIntroduction).replace(QStringLiteral("<CUNAME>"), cuname));

    if (problems.isEmpty()) {
        const QString heading = QStringLiteral("No Issues to report on ") + stamp;
        log.heading(heading, heading, 44);
    } else {
        const QString heading = QStringLiteral("Issues encountered on ") + stamp;
        log.heading(heading, heading, 43);
        for (const QString& line : problems) log.bothLine(line);
    }

    if (!successes.isEmpty()) {
        log.heading(QStringLiteral("Successes on ") + stamp, QStringLiteral("Successes encountered on ") + stamp, 45);
        for (const QString& line : successes) log.bothLine(line);
    }

    log.fileLine(rule(62));
    return log.text();
}

QString activityLogPath(const QString& programFolder, const QDateTime& now) {
    const QString folder = QStringLiteral("VELTLOGS_") + formatDate(now, QStringLiteral("YYYYMMM"));
    const QString file = QStringLiteral("Eventlog") + formatDate(now, QStringLiteral("YYYYMMDD")) +
                         QLatin1Char('-') + formatDate(now, QStringLiteral("hh:mm:ss")).remove(QLatin1Char(':')) +
                         QStringLiteral(".txt");
    return QDir(programFolder).filePath(folder + QLatin1Char('/') + file);
}

QString RecordActivityLog(const CycleContext& cycle, UnitSession& session, bool email) {
    const QStringList problems = session.reporter().problems();
    const QStringList successes = session.reporter().successes();
    if (problems.isEmpty() && successes.isEmpty()) return {};

    const QDateTime now = cycle.clock().now();
    const QString path = activityLogPath(cycle.programFolder(), now);
    const ActivityLogText log = buildActivityLog(problems, successes, cycle.settings.cuname, now);
    if (!MakePrivateFolder(QFileInfo(path).absolutePath()) || !WritePrivateFile(path, log.file.toUtf8())) return {};

    if (email) {
        // The lists are written already: a failed mail goes to the importer log file, so
        // it is never lost without a word.
        const QString result = EmailActivityLog(cycle, log.body, path);
        if (!result.isEmpty() && result != QLatin1String("ok"))
            WriteImporterLogFile(cycle.programFolder(), now,
                                 QStringLiteral("The activity log could not be emailed: ") + result);
    }
    return path;
}

QString activityLogRecipients(const QString& programFolder, const QString& senderAddress) {
    const QString overrideFile = QDir(programFolder).filePath(QStringLiteral("emailme.txt"));
    QString recipients = QFile::exists(overrideFile) ? FirstLineOfFile(overrideFile).trimmed() : senderAddress.trimmed();
    // An address nobody reads is as good as none; written in capitals it is still one.
    if (recipients.contains(QLatin1String("donotreply"), Qt::CaseInsensitive)) return {};
    if (!HoldsMailAddress(recipients)) return {};
    return recipients;
}

QString EmailActivityLog(const CycleContext& cycle, const QString& body, const QString& attachmentPath) {
    const QString recipients = activityLogRecipients(cycle.programFolder(), cycle.settings.SenderAddress);
    if (recipients.isEmpty()) return {};
    const CycleSettings& s = cycle.settings;
    // The lines quote applicants' names and answers: the mail is text, whatever they hold.
    MailContext context = mailContextOf(cycle);
    context.plainText = true;
    return SendEmail(recipients, QStringLiteral("Automated Activity"), s.SenderAddress, body, s.WebHost, 25,
                     s.WebSenderAddress, cycle.config.smtpPassword, attachmentPath, false, context);
}

}  // namespace autovelt::comms
