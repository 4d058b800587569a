#include "state/Connections.h"

namespace autovelt {

void Connections::closeAll() {
    // A batch still open here was not finished: closing a session undoes it.
    for (db::Connection* c : core())
        if (c->isOpen() && c->inTransaction()) c->rollbackTransaction();
    // Those sharing TarvMain's session first, then TarvMain itself.
    for (db::Connection* c : {&TarvID, &TarvAudt, &TarvTran, &TarvMain, &OnlineConnection}) c->close();
}

}  // namespace autovelt
