#pragma once

#include "state/StartupSettings.h"

#include <QString>

namespace autovelt::inline state {

// The connection string of one core banking database. An empty name becomes "TarvMain";
// with an SQL Server subset the name itself takes the prefix (the caller sees the change).
QString BuildConnectionString(QString& name, const StartupSettings& settings, const QString& programFolder);

// The online database's string, built from ControlSwitches (the database name is the user).
QString BuildOnlineConnectionString(const QString& webip, const QString& webun, const QString& webpw);

}  // namespace autovelt::state
