#pragma once

#include "comms/SupportingDocuments.h"

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline pipeline {

// The website's member_docs table as the document download's queue.
class OnlineDocumentQueue : public DocumentQueue {
public:
    explicit OnlineDocumentQueue(db::Connection& online) : online_(online) {}

    QList<QueuedDocument> queued() override;
    void remove(qlonglong id) override;

private:
    db::Connection& online_;
};

}  // namespace autovelt::pipeline
