#pragma once

#include "comms/MailTransport.h"

namespace autovelt {

// Delivers over SMTP with libcurl.
//
// - useSsl: port 465 speaks TLS from the first byte (smtps); any other port must offer
//   STARTTLS, or the send fails rather than going out in clear. requireTls asks the same of
//   every port. Either way the server's certificate is verified.
// - Otherwise the session is encrypted whenever the server offers STARTTLS, so a login
//   never crosses the network in clear where it need not; as the server's identity was
//   never asked for, its certificate is not verified then (a self-signed one still
//   encrypts), and a server that offers no STARTTLS is used as it is.
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

}  // namespace autovelt
