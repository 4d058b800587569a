#pragma once

#include "comms/MailTransport.h"

#include <QString>

namespace autovelt {

// Writes each message as a complete .eml file into a folder, for demos, test installations
// and sites whose mail leaves by another route. Nothing is relayed, so the blind
// recipients are kept in a Bcc header for whatever picks the file up. Each file is written
// under a temporary name and renamed when complete, so a watcher never sees half a message.
// A missing folder is created for the owner alone; one that cannot be made is reported.
class PickupFolderTransport : public MailTransport {
public:
    explicit PickupFolderTransport(QString folder) : folder_(std::move(folder)) {}

    QString send(const MailMessage& message, const MailServer& server) override;

private:
    QString folder_;
};

}  // namespace autovelt
