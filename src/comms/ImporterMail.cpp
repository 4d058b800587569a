#include "comms/ImporterMail.h"

#include "state/Importer.h"

namespace autovelt {

MailContext mailContextOf(const Importer& importer) {
    MailContext context;
    context.cuname = importer.settings.cuname;
    context.settings.pickupFolder = importer.config.mailPickupFolder;
    context.settings.smtpServerOverride = importer.config.smtpServerOverride;
    context.settings.smtpPortOverride = importer.config.smtpPortOverride;
    context.settings.connectTimeoutSeconds = importer.config.mailTimeoutSeconds;
    context.settings.requireTls = importer.config.mailRequireTls;
    context.settings.sslOnConnect = importer.config.mailSslOnConnect;
    context.settings.caFile = importer.config.mailCaFile;
    context.transport = importer.mailTransport();
    return context;
}

}  // namespace autovelt
