#pragma once

#include "comms/MailTransport.h"

#include <QString>

namespace autovelt::inline comms {

// Writes each message as a complete .eml file into a folder, for demos, test installations
// and sites whose mail leaves by another route. Nothing is relayed, so the blind
// recipients are kept in a Bcc header for whatever picks the file up. Each file is written
// under a temporary name and renamed when complete, so a watcher never sees half a message.
// A missing folder is created for the owner alone; one that cannot be made is reported.
//
// A message from the outbox is delivered in two steps named after its effect, so that a
// run stopped while delivering can tell whether it was delivered even when whatever picks
// the files up has taken it already: prepare() writes it as a private temporary
// ".<name>.tmp" (never picked up), made durable with the batch's other files; deliver()
// renames it to "<time>-<name>.eml". A temporary still there was not delivered; one gone was.
class PickupFolderTransport : public MailTransport {
public:
    explicit PickupFolderTransport(QString folder) : folder_(std::move(folder)) {}

    QString send(const MailMessage& message, const MailServer& server) override;

    // "ok", or why the message cannot be written.
    QString prepare(const QString& name, const MailMessage& message);
    QString deliver(const QString& name);
    bool prepared(const QString& name) const;

private:
    QString temporaryPath(const QString& name) const;

    QString folder_;
};

}  // namespace autovelt::comms
