#pragma once

#include "comms/MailTransport.h"

namespace autovelt::inline comms {

// Delivers over SMTP with libcurl.
//
// - sslOnConnect: TLS from the first byte (smtps) on any port. useSsl: the same on port 465;
//   any other port must offer STARTTLS. requireTls (the default) asks STARTTLS of every
//   port. Either way a server that offers no TLS gets neither the password nor the message.
// - Only with requireTls off is the session encrypted merely when the server offers
//   STARTTLS, and a server that offers none is used in clear.
// - Whenever TLS is used the server's certificate and host name are verified, against the
//   system's certificates or the configured CA file; a failure names the setting to look at.
// - Authentication is offered only when an account is given, and only when the server
//   advertises AUTH: a relay that accepts mail from us without logging in (a local relay, a
//   test server on loopback) is used as it is; a server that does want a login refuses the
//   sender, which comes back as the error text.
// - The connect timeout covers everything up to the start of the message data (greeting,
//   EHLO, login, sender and recipients); during the data a silence of that length aborts,
//   and the whole exchange never lasts longer than the total timeout.
// - The error text is libcurl's ("Timeout was reached: ...") with the server's last
//   refusal when there was one; the password is blanked out of it in any case.
class SmtpTransport : public MailTransport {
public:
    QString send(const MailMessage& message, const MailServer& server) override;
};

}  // namespace autovelt::comms
