#pragma once

#include "comms/MailTransport.h"

#include <QList>
#include <QString>

namespace autovelt::testing {

// Stands in for the mail transport: keeps every message with the server it was meant for
// and answers with a chosen result ("ok" unless told otherwise). Put it in
// MailContext::transport.
class RecordingMailTransport : public MailTransport {
public:
    struct Sent {
        MailMessage message;
        MailServer server;
    };

    QString send(const MailMessage& message, const MailServer& server) override {
        sent.append({message, server});
        return result;
    }

    QList<Sent> sent;
    QString result = QStringLiteral("ok");
};

}  // namespace autovelt::testing
