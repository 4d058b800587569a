#pragma once

#include "comms/MailTransport.h"

#include <QList>

namespace autovelt::testing {

// Stands in for MailContext::transport: keeps every message with its server and answers
// with a chosen result.
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
