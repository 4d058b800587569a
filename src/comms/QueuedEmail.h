#pragma once

// Emails to applicants are effects that cannot be undone: an application queues its
// emails in the outbox inside its unit of work, and they are sent once it has committed.
// The queued form holds everything SendEmail takes except the SMTP password, which is
// read from the configuration when the message is sent and never stored.

#include "state/EffectOutbox.h"

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline comms {

struct QueuedEmail {
    QString to;
    QString subject;
    QString replyAddress;
    QString body;
    QString smtpServer;
    quint16 port = 25;
    QString senderAccount;
    QString attachments;
    bool useSsl = false;
    // Reported when the message cannot be sent, followed by "The response was " and the
    // mail routine's answer; empty: a line naming the recipient instead.
    QString failureLine;
};

inline const QString kEmailEffect = QStringLiteral("email");

// Records the email for the current application.
void QueueEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, const QueuedEmail& email);

// The outbox's performer of queued emails: sends one and reports its result lines.
bool SendQueuedEmail(const CycleContext& cycle, UnitSession& session, const Effect& effect);
// Before the attempt is recorded: an email for the pickup folder is written there as a
// private temporary named after its effect (nothing to do for SMTP). False, with the lines
// reported, when it cannot be.
bool PrepareQueuedEmail(const CycleContext& cycle, UnitSession& session, const Effect& effect);
// After a stop during the attempt: a pickup email whose temporary is gone was delivered,
// one whose temporary is there was not; over SMTP nobody can tell.
EffectOutbox::Settled SettleQueuedEmail(const CycleContext& cycle, const Effect& effect);

QString EncodeQueuedEmail(const QueuedEmail& email);
QueuedEmail DecodeQueuedEmail(const QString& payload);

}  // namespace autovelt::comms
