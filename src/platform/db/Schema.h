#pragma once

#include "platform/db/Connection.h"

#include <QString>

namespace autovelt::inline platform {

// True when the table exists on the connection and has the column. A missing table gives
// False without error; other failures of the schema query reach the caller.
inline bool ColumnExists(const QString& table, const QString& column, db::Connection& connection) {
    return connection.columnExists(table, column);
}

}  // namespace autovelt::platform
