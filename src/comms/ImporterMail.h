#pragma once

#include "comms/SendEmail.h"

namespace autovelt::inline state { class CycleContext; }

namespace autovelt::inline comms {

// The mail context of this installation as a cycle sees it: the credit union's name for
// From and Reply-To, and the pickup folder when the configuration names one. Every mail
// the importer sends is built with it, so they all leave the same way.
MailContext mailContextOf(const CycleContext& cycle);

}  // namespace autovelt::comms
