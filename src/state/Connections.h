#pragma once

#include "platform/db/Connection.h"

#include <array>

namespace autovelt::inline state {

// The five connections of one cycle.
struct Connections {
    db::Connection TarvMain;
    db::Connection TarvTran;
    db::Connection TarvAudt;
    db::Connection TarvID;
    db::Connection OnlineConnection;

    std::array<db::Connection*, 4> core() { return {&TarvMain, &TarvTran, &TarvAudt, &TarvID}; }
    // Closes the four core connections: those sharing TarvMain's session first. An open
    // batch is undone.
    void closeCore();
    void closeAll();
};

}  // namespace autovelt::state
