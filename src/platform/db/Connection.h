#pragma once

#include "platform/db/ConnectionTarget.h"
#include "platform/db/Cursor.h"
#include "platform/db/Recordset.h"
#include "platform/db/StatementTrace.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QStringList>
#include <QString>
#include <memory>

namespace autovelt::inline platform::db {

class StatementCache;

// One database connection, opened from a connection string. Every statement is adapted for
// the connection's engine before it is sent (adaptStatement): callers write the
// file-database dialect and never translate. Failures raise VeltError with a number and a
// description that never contains the password.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const QString& connectionString, const EngineSettings& settings = {});
    // Opens the database named by the string inside the host's session when both are
    // embedded files (attached under the given schema name), so that one transaction of the
    // host covers this database too; any other pair is opened on its own.
    void openWithin(Connection& host, const QString& schemaName, const QString& connectionString,
                    const EngineSettings& settings = {});
    void close();
    bool isOpen() const;
    // True when both connections send their statements through one session.
    bool sharesSessionWith(const Connection& other) const;

    // Transactions of the session. Savepoints nest inside an open transaction; a rolled
    // back savepoint undoes its writes and leaves the transaction open.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inTransaction() const { return inTransaction_; }
    void savepoint(const QString& name);
    void releaseSavepoint(const QString& name);
    void rollbackToSavepoint(const QString& name);

    // The string the connection was opened with; empty when it never was.
    const QString& connectionString() const { return connectionString_; }
    Engine engine() const { return target_.engine; }
    // A MySQL session: whether it is encrypted (TLS).
    bool encrypted() { return target_.engine == Engine::MySql && sessionUsesTls(); }

    // Runs a statement; returns the number of rows affected.
    long long execute(const QString& statement);
    // The same for an INSERT, also giving the key the engine assigned to the new row
    // (invalid when the engine's driver cannot say, as over ODBC).
    long long execute(const QString& statement, QVariant& insertedKey);

    // Runs a query and returns its rows.
    Recordset openRecordset(const QString& statement, const CursorOptions& cursor = {});

    // The name to give a new table so that it is made in this connection's own database,
    // also when the session is shared.
    QString nameForNewTable(const QString& table) const;

    // True when the table exists and has the column (names compared without case).
    bool columnExists(const QString& table, const QString& column);

    // Sends every statement to the trace too (the benchmark's replay); kept across reopening.
    void setTrace(StatementTrace* trace) { trace_ = trace; }

    // Internals shared with Recordset.
    void traceStatement(const QString& text, const QVariantList& bound = {}) const {
        if (trace_) trace_->statement(db_.connectionName(), text, bound);
    }
    QSqlDatabase& database() { return db_; }
    // The key columns of a table, read once per session.
    const QStringList& keyColumnsOf(const QString& table);
    // A table or column name quoted as the engine's driver quotes it, worked out once per name.
    const QString& quotedName(const QString& name, QSqlDriver::IdentifierType type);
    // The statement as this connection's engine is sent it.
    QString prepareStatement(const QString& statement) const;
    // Runs a statement with "?" for its values, bound in order; returns the rows affected.
    long long executeBound(const QString& statement, const QVariantList& values, QVariant* insertedKey = nullptr);
    VeltError lastError(const QString& fallback) const;
    VeltError errorFrom(const class QSqlError& error) const;

private:
    // Closes the connection and forgets the driver's connection of this name.
    void releaseDatabase();
    void openEmbedded(bool readOnly);
    void openSqlServer();
    void openMySql(const EngineSettings& settings);
    bool tryOpenMySql(bool useTls, const EngineSettings& settings);
    bool sessionUsesTls();
    void configureEmbeddedJournal(const QString& schema, const QString& mode);
    void run(const QString& statement);
    bool embeddedColumnExists(const QString& table, const QString& column);
    // Raises VeltError, naming the database, when a trivial query fails.
    void ensureReadable();
    // The error, described as a database that cannot be read and marked as one of the surroundings.
    VeltError unreadable(const VeltError& error) const;

    QString name_;
    QString schema_ = QStringLiteral("main");  // embedded engine: this database's schema in the session
    bool borrowed_ = false;                    // the session belongs to another connection
    bool readOnly_ = false;                    // embedded files opened for reading only
    StatementTrace* trace_ = nullptr;
    bool inTransaction_ = false;
    QHash<QString, QStringList> keyColumns_;
    QHash<QString, QString> quotedColumns_, quotedTables_;
    QString connectionString_;
    ConnectionTarget target_;
    QSqlDatabase db_;
    // Embedded engine: statements prepared once and run again with other values; one per
    // session, shared by the connections attached to it.
    std::shared_ptr<StatementCache> statements_;
};

}  // namespace autovelt::platform::db
