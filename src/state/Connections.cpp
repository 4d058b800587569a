#include "state/Connections.h"

namespace autovelt::inline state {

void Connections::closeCore() {
    // A batch still open here was not finished: closing a session undoes it.
    for (db::Connection* c : core())
        if (c->isOpen() && c->inTransaction()) c->rollbackTransaction();
    for (db::Connection* c : {&TarvID, &TarvAudt, &TarvTran, &TarvMain}) c->close();
}

void Connections::closeAll() {
    closeCore();
    OnlineConnection.close();
}

}  // namespace autovelt::state
