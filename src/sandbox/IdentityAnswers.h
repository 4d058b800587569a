#pragma once

// The identity check's answers, in the agency's response shape, for each persona.

#include "sandbox/IdentityRequest.h"
#include "sandbox/Personas.h"
#include "sandbox/SandboxAnswer.h"

#include <QDateTime>

namespace autovelt::sandbox {

// The answer to a sound request; `sequence` numbers the answers of this run (it makes each
// reference unique).
SandboxAnswer identityAnswer(const IdentityRequest& request, IdentityPersona persona, int slowSeconds, const QDateTime& now,
                             int sequence);

// The refusal of a request that is not sound: HTTP 200, an error and no results.
SandboxAnswer identityRefusal(const IdentityRequest& request, const QDateTime& now, int sequence);

}  // namespace autovelt::sandbox
