#pragma once

#include "platform/db/ConnectionTarget.h"
#include "platform/db/Cursor.h"
#include "platform/db/Recordset.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>

namespace autovelt::db {

// One database connection, opened from a connection string. Statements reach the engine
// as the caller wrote them, except on the embedded engine, where file-database statements
// are rewritten so they run unchanged from the caller's view. Failures raise VeltError
// with a number and a description that never contains the password.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const QString& connectionString, const EngineSettings& settings = {});
    void close();
    bool isOpen() const;

    // The string the connection was opened with; empty when it never was.
    const QString& connectionString() const { return connectionString_; }
    Engine engine() const { return target_.engine; }

    // Runs a statement; returns the number of rows affected.
    long long execute(const QString& statement);
    // The same for an INSERT, also giving the key the engine assigned to the new row
    // (invalid when the engine's driver cannot say, as over ODBC).
    long long execute(const QString& statement, QVariant& insertedKey);

    // Runs a query and returns its rows.
    Recordset openRecordset(const QString& statement, const CursorOptions& cursor = {});

    // True when the table exists and has the column (names compared without case).
    bool columnExists(const QString& table, const QString& column);

    // Internals shared with Recordset.
    QSqlDatabase& database() { return db_; }
    QString prepareStatement(const QString& statement) const;
    VeltError lastError(const QString& fallback) const;
    VeltError errorFrom(const class QSqlError& error) const;

private:
    // Closes the connection and forgets the driver's connection of this name.
    void releaseDatabase();
    void openEmbedded();
    void openSqlServer();
    void openMySql(const EngineSettings& settings);
    bool tryOpenMySql(bool useTls, int timeoutSeconds);
    bool sessionUsesTls();

    QString name_;
    QString connectionString_;
    ConnectionTarget target_;
    QSqlDatabase db_;
};

}  // namespace autovelt::db
