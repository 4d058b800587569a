#include "state/Connections.h"

namespace autovelt {

void Connections::closeAll() {
    // A batch still open here was not finished: closing a session undoes it.
    for (db::Connection* c : core())
        if (c->isOpen() && c->inTransaction()) c->rollbackTransaction();
    for (db::Connection* c : {&TarvMain, &TarvTran, &TarvAudt, &TarvID, &OnlineConnection})
        if (c->isOpen()) c->close();
}

}  // namespace autovelt
