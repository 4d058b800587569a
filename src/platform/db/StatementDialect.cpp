#include "platform/db/StatementDialect.h"

#include "common/SqlDialect.h"
#include "platform/db/JetToSqlite.h"

namespace autovelt::inline platform::db {

QString adaptStatement(Engine engine, const QString& statement) {
    switch (engine) {
    case Engine::Embedded: return translateJetToSqlite(statement);
    case Engine::SqlServer: return TranslateSQL(statement, true);
    case Engine::MySql: return statement;
    }
    return statement;
}

}  // namespace autovelt::platform::db
