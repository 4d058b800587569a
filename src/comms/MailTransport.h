#pragma once

#include "comms/MailMessage.h"

#include <QString>

namespace autovelt::inline comms {

// Hands a finished message on: to an SMTP server, into a pickup folder, or, in tests, into
// a list. The result is "ok" when the message was accepted, otherwise a text for the
// problems list; it never contains the server password.
class MailTransport {
public:
    virtual ~MailTransport() = default;
    virtual QString send(const MailMessage& message, const MailServer& server) = 0;
};

}  // namespace autovelt::comms
