#include "comms/ImporterMail.h"

#include "state/CycleContext.h"

namespace autovelt::inline comms {

MailContext mailContextOf(const CycleContext& cycle) {
    MailContext context;
    context.cuname = cycle.settings.cuname;
    context.settings.pickupFolder = cycle.config.mailPickupFolder;
    context.settings.smtpServerOverride = cycle.config.smtpServerOverride;
    context.settings.smtpPortOverride = cycle.config.smtpPortOverride;
    context.settings.connectTimeoutSeconds = cycle.config.mailTimeoutSeconds;
    context.settings.requireTls = cycle.config.mailRequireTls;
    context.settings.sslOnConnect = cycle.config.mailSslOnConnect;
    context.settings.caFile = cycle.config.mailCaFile;
    context.transport = cycle.mailTransport();
    return context;
}

}  // namespace autovelt::comms
