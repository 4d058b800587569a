#pragma once

// The credit search's answers, in the agency's SOAP response shape, for each persona.

#include "sandbox/CreditRequest.h"
#include "sandbox/Personas.h"
#include "sandbox/SandboxAnswer.h"

#include <QDateTime>

namespace autovelt::sandbox {

// The answer to a sound request.
SandboxAnswer creditAnswer(const CreditRequest& request, CreditPersona persona, const QString& ns, int slowSeconds,
                           const QDateTime& now);

// A SOAP fault, HTTP 500: `code` such as "soap:Client", `text` the faultstring, `detailCode`
// the agency's own error number in the detail block.
SandboxAnswer creditFault(const QString& ns, const QString& code, const QString& text, const QString& detailCode);

}  // namespace autovelt::sandbox
