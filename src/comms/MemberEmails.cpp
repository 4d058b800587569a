#include "comms/MemberEmails.h"

#include "comms/AuditTrail.h"
#include "comms/MemberEmailTemplate.h"
#include "comms/MimeEncoding.h"
#include "comms/QueuedEmail.h"
#include "common/VeltError.h"
#include "platform/db/Connection.h"
#include "state/EffectOutbox.h"
#include "state/ImportRecords.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QRegularExpression>
#include <exception>

namespace autovelt::inline comms {

namespace {

// What sets the three emails apart. "%N" in a line stands for the member number.
struct MemberEmailKind {
    QString uatLine;              // + recipient
    QString singleRunLine;        // + recipient
    QString unableLine;           // + " no address found." / " no valid address found."
    QString missingTemplateLine;  // "%T" stands for the file name
    QString subject;              // + the credit union's name
    QString failureLine;
    QString errorLine;
    bool withUploadLink = true;
};

const MemberEmailKind kJoinEmail{
    QStringLiteral("In UAT mode sending join email for member %N to "),
    QStringLiteral("In UAT ID mode sending join member email to "),
    QStringLiteral("Unable to send automated join email to member %N"),
    QStringLiteral("Unable to send automated generic join email to %N %T template not found."),
    QStringLiteral("Your application for membership with "),
    QStringLiteral("Error emailing member %N regarding their join only application."),
    QStringLiteral("Error in email join function"),
    false};

const MemberEmailKind kLoanEmail{
    QStringLiteral("In UAT mode sending email for member %N to "),
    QStringLiteral("In UAT ID mode sending email for member %N to "),
    QStringLiteral("Unable to send automated email to member %N"),
    QStringLiteral("Unable to send automated generic email to member %N, %T template not found."),
    QStringLiteral("Update on your loan application with "),
    QStringLiteral("Error emailing member %N regarding their loan application."),
    QStringLiteral("Error in email loan function")};

const MemberEmailKind kFailEmail{
    QStringLiteral("In UAT mode sending fail email for member %N to "),
    QStringLiteral("In UAT ID mode sending fail email for member %N to "),
    QStringLiteral("Unable to send automated fail email to member %N"),
    QStringLiteral("Unable to send automated fail email to member %N, %T template not found."),
    QStringLiteral("Issue with your application with "),
    QStringLiteral("Error sending email for member %N regarding failed application."),
    QStringLiteral("Error in fail email function")};

// The support mailbox as one recipient text; the configuration may separate its addresses
// with commas, which the address check refuses.
QString supportMailbox(const CycleContext& cycle) {
    QStringList addresses;
    for (const QString& part : cycle.config.supportMailbox.split(QRegularExpression(QStringLiteral("[;,]"))))
        if (!part.trimmed().isEmpty()) addresses << part.trimmed();
    return addresses.join(QLatin1Char(';'));
}

// Where the email goes, with the lines that say so when it does not go to the applicant:
// in UAT mode to the support mailbox and the credit union, in a single-application run to
// the support mailbox alone. Never to the applicant in either.
struct Recipient {
    QString text;
    bool redirected = false;
};

Recipient chooseRecipient(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                          const MemberEmailKind& kind, const QString& member) {
    Recipient r{app.addresses.applicantEmail.trimmed(), false};
    if (cycle.settings.UATMode) {
        QStringList parts{supportMailbox(cycle), cycle.settings.SenderAddress.trimmed()};
        parts.removeAll(QString());
        r = {parts.join(QLatin1Char(';')), true};
        session.ShowException(QString(kind.uatLine).replace(QStringLiteral("%N"), member) + r.text);
    }
    if (cycle.applicationIdOverride != 0) {
        r = {supportMailbox(cycle), true};
        session.ShowException(QString(kind.singleRunLine).replace(QStringLiteral("%N"), member) + r.text);
    }
    return r;
}

// The address test of the emails ("@", "." and no ","), and what the mail routine would
// refuse anyway: blanks, line breaks and other controls, and the characters that bracket
// or separate addresses. An applicant's own text must be one address; only a redirected
// recipient lists several, separated by ";".
bool isUsableRecipient(const Recipient& r) {
    if (!r.text.contains(QLatin1Char('@')) || !r.text.contains(QLatin1Char('.')) || r.text.contains(QLatin1Char(',')))
        return false;
    const QString forbidden = r.redirected ? QStringLiteral("<>\"()[]\\") : QStringLiteral("<>\"()[]\\;");
    for (QChar c : r.text)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F || forbidden.contains(c)) return false;
    return true;
}

bool insideUnitOfWork(UnitSession& session) {
    for (db::Connection* connection : session.connections.core())
        if (connection->isOpen() && connection->inTransaction()) return true;
    return false;
}

// Inside the import pass the email waits in the outbox until the application has
// committed, so a crash can never send it twice. A loan run by hand has no unit of work
// around it: the email takes the same road and the outbox is emptied at once (together
// with anything an earlier run left waiting there).
void deliver(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, const QueuedEmail& email) {
    const bool insidePass = insideUnitOfWork(session);
    if (!insidePass) EnsureImporterTables(session.connections.TarvAudt);
    QueueEmail(cycle, session, app, email);
    if (insidePass) return;
    EffectOutbox outbox(session.connections.TarvAudt);
    const QHash<QString, EffectOutbox::Performer> performers{
        {kEmailEffect, [&cycle, &session](const Effect& effect) { return SendQueuedEmail(cycle, session, effect); }}};
    const QHash<QString, EffectOutbox::Preparer> preparers{{kEmailEffect, [&cycle, &session](const Effect& effect) {
                                                                return PrepareQueuedEmail(cycle, session, effect);
                                                            }}};
    for (const Effect& effect : outbox.performPending(performers, cycle.clock().now(), preparers))
        session.ShowException(QStringLiteral("Gave up on the ") + effect.kind + QStringLiteral(" of application ") +
                              effect.applicationKey + QStringLiteral(" after ") + QString::number(effect.attempts) +
                              QStringLiteral(" attempts"));
}

// The filled-in body, or nothing when the email stops before it (its line reported).
std::optional<QString> fillBody(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                const MemberEmailKind& kind, const QString& templateName, const QString& member) {
    QString unreadable;
    const std::optional<QString> text = ReadTemplateFile(cycle.programFile(templateName), &unreadable);
    if (!text) {
        QString line = QString(kind.missingTemplateLine).replace(QStringLiteral("%N"), member).replace(QStringLiteral("%T"), templateName);
        if (!unreadable.isEmpty())
            line.replace(QStringLiteral("template not found."), QStringLiteral("template could not be read: ") + unreadable);
        session.ShowException(line);
        return std::nullopt;
    }
    return FillTemplate(
        *text, MemberEmailValues(app, cycle.settings, cycle.passDate(), cycle.config.uploadHosts, kind.withUploadLink));
}

// The steps the three emails share; returns the body when one was filled in.
std::optional<QString> sendMemberEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                       const MemberEmailKind& kind, const QString& templateName) {
    const QString member = QString::number(app.memberNumber);
    const Recipient recipient = chooseRecipient(cycle, session, app, kind, member);
    const QString unable = QString(kind.unableLine).replace(QStringLiteral("%N"), member);
    if (recipient.text.isEmpty()) {
        session.ShowException(unable + QStringLiteral(" no address found."));
        return std::nullopt;
    }
    if (!isUsableRecipient(recipient)) {
        session.ShowException(unable + QStringLiteral(" no valid address found."));
        return std::nullopt;
    }
    const std::optional<QString> body = fillBody(cycle, session, app, kind, templateName, member);
    if (!body) return std::nullopt;

    const QString failureLine = QString(kind.failureLine).replace(QStringLiteral("%N"), member);
    if (body->isEmpty()) {
        session.ShowException(failureLine);
        session.ShowException(QStringLiteral("The response was ") + templateName + QStringLiteral(" is empty"));
        return body;
    }
    const CycleSettings& s = cycle.settings;
    QueuedEmail email;
    email.to = recipient.text;
    email.subject = singleLine(kind.subject + s.cuname);
    email.replyAddress = s.SenderAddress;
    email.body = *body;
    email.smtpServer = s.WebHost;
    email.port = 25;
    email.senderAccount = s.WebSenderAddress;
    email.useSsl = false;
    email.failureLine = failureLine;
    deliver(cycle, session, app, email);
    return body;
}

// An unexpected failure is reported under the email's heading and ends only the email;
// a database that has gone away ends the application, which stays pending.
template <typename Work>
void guarded(UnitSession& session, const ApplicationState& app, const MemberEmailKind& kind, Work work) {
    try {
        work();
    } catch (const VeltError& e) {
        if (e.environmental()) throw;
        session.ShowException(kind.errorLine);
        session.ShowException(e.description() + QStringLiteral(" (") + QString::number(e.number()) + QLatin1Char(')') +
                              app.messageSuffix);
    } catch (const std::exception& e) {
        session.ShowException(kind.errorLine);
        session.ShowException(QString::fromUtf8(e.what()) + app.messageSuffix);
    }
}

}  // namespace

void SendJoinEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    guarded(session, app, kJoinEmail, [&] { sendMemberEmail(cycle, session, app, kJoinEmail, kJoinTemplate); });
}

void SendLoanEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    guarded(session, app, kLoanEmail, [&] {
        sendMemberEmail(cycle, session, app, kLoanEmail,
                        app.newMemberNumber > 0 ? kJoinAndLoanTemplate : kLoanTemplate);
    });
}

void SendFailEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    guarded(session, app, kFailEmail, [&] {
        const QString templateName = app.isJoinOnly() ? kJoinFailTemplate : kLoanFailTemplate;
        const std::optional<QString> body = sendMemberEmail(cycle, session, app, kFailEmail, templateName);
        if (!body) return;
        // Staff see on the member's record what the applicant was told, sent or not.
        CreateDiaryEntry(cycle, session, app, app.memberNumber, QStringLiteral("VELT"),
                         QStringLiteral("VELT sent the following fail email \r\n") + *body);
    });
}

}  // namespace autovelt::comms
