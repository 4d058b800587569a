#pragma once

#include "platform/db/Recordset.h"

#include <QHash>
#include <QSqlError>
#include <QString>
#include <QVariantList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace autovelt::inline platform::db {

// The prepared statements of one embedded-engine session, by their text, each prepared once
// and run again with other values; the columns of a query are read once per statement, not
// per run. The session's connections share it. Values are bound and read as the Qt driver
// binds and reads them, so the rows are the same whichever road a statement takes.
class StatementCache {
public:
    explicit StatementCache(sqlite3* session) : session_(session) {}
    ~StatementCache();
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // Runs a statement with its values; the rows of a query go to `rows` (when given) with
    // the statement's columns. Returns false with the engine's error.
    struct Result {
        long long affected = 0;
        QVariant insertedKey;
        std::shared_ptr<const RecordsetColumns> columns;
    };
    bool run(const QString& text, const QVariantList& values, Result& result, QVector<QVector<QVariant>>* rows,
             QSqlError& error);
    // Finalizes every statement (before the session closes).
    void clear();

private:
    struct Statement {
        sqlite3_stmt* handle = nullptr;
        std::shared_ptr<const RecordsetColumns> columns;
    };
    Statement* statementFor(const QString& text, QSqlError& error);
    QSqlError lastError(const QString& driverText) const;

    sqlite3* session_;
    QHash<QString, Statement> statements_;
};

}  // namespace autovelt::platform::db
