#include "comms/ImporterMail.h"

#include "app/Importer.h"

namespace autovelt {

MailContext mailContextOf(const Importer& importer) {
    MailContext context;
    context.cuname = importer.settings.cuname;
    context.settings.pickupFolder = importer.config.mailPickupFolder;
    return context;
}

}  // namespace autovelt
