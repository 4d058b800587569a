#include "platform/db/Connection.h"

#include "common/PrintableText.h"
#include "common/SqlQuote.h"
#include "platform/db/StatementDialect.h"
#include "platform/db/SqlLiterals.h"
#include "platform/db/StatementCache.h"
#include "platform/db/StoredValues.h"
#include "platform/db/TextComparison.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <sqlite3.h>

namespace autovelt::inline platform::db {

namespace {

constexpr long kGenericError = -2147467259;  // 0x80004005, "unspecified error"

QString nextConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("autovelt-%1").arg(counter.fetchAndAddRelaxed(1));
}

// Declared column types of an executed embedded-engine query, read from the statement.
QVector<int> embeddedColumnKinds(const QSqlQuery& query, int columns) {
    QVector<int> kinds(columns, static_cast<int>(ColumnKind::Other));
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0) return kinds;
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    if (!stmt) return kinds;
    for (int i = 0; i < columns && i < sqlite3_column_count(stmt); ++i) {
        const char* declared = sqlite3_column_decltype(stmt, i);
        if (declared) kinds[i] = static_cast<int>(columnKindFromDeclaredType(QString::fromUtf8(declared)));
    }
    return kinds;
}

// The engine's own handle of an embedded session.
sqlite3* sessionHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

const VeltError closedConnection() {
    return VeltError(3704, QStringLiteral("Connection"), QStringLiteral("Operation is not allowed when the object is closed.")).markEnvironmental();
}

// The single table of "SELECT ... FROM <table> [WHERE ...]"; empty for joins and the like.
QString singleTableOf(const QString& statement) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*SELECT\\s.+?\\sFROM\\s+\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?\\s*(?:$|;|WHERE\\s|ORDER\\s)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(statement);
    return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

Connection::Connection() : name_(nextConnectionName()) {}

Connection::~Connection() { releaseDatabase(); }

bool Connection::isOpen() const { return db_.isValid() && db_.isOpen(); }

bool Connection::sharesSessionWith(const Connection& other) const {
    return isOpen() && other.isOpen() && db_.connectionName() == other.db_.connectionName();
}

void Connection::close() {
    // The session's statements go before it; a borrowed session is the host's to close.
    if (statements_ && !borrowed_) statements_->clear();
    statements_.reset();
    if (borrowed_) db_ = QSqlDatabase();
    else if (db_.isValid() && db_.isOpen()) db_.close();
    borrowed_ = false;
    inTransaction_ = false;
    keyColumns_.clear();
    quotedColumns_.clear();
    quotedTables_.clear();
}

void Connection::releaseDatabase() {
    close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(name_)) QSqlDatabase::removeDatabase(name_);
}

void Connection::openWithin(Connection& host, const QString& schemaName, const QString& connectionString,
                            const EngineSettings& settings) {
    const ConnectionTarget target = resolveConnectionString(connectionString, settings);
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    if (target.engine != Engine::Embedded || host.engine() != Engine::Embedded || !host.isOpen() ||
        !plainName.match(schemaName).hasMatch()) {
        open(connectionString, settings);
        return;
    }
    releaseDatabase();
    connectionString_ = connectionString;
    target_ = target;
    if (!QFileInfo(target_.filePath).isFile())
        throw VeltError(kGenericError, QStringLiteral("Connection"),
                        QStringLiteral("Could not find file '%1'.").arg(target_.filePath));
    db_ = host.db_;
    statements_ = host.statements_;
    borrowed_ = true;
    readOnly_ = host.readOnly_;
    schema_ = schemaName;
    try {
        run(QStringLiteral("ATTACH DATABASE %1 AS \"%2\"").arg(sqlText(target_.filePath), schemaName));
    } catch (const VeltError& error) {
        throw unreadable(error);
    }
    ensureReadable();
    // Only with a rollback journal does one commit reach every attached file atomically. The
    // commit truncates the journal and syncs it (FULL), so a committed batch never comes back
    // as a hot journal after a power cut. The journal is kept, empty, rather than deleted: a
    // file deleted at every commit makes the file system search past it for every file the
    // importer creates next (member folders, details files, emails).
    configureEmbeddedJournal(QStringLiteral("main"), QStringLiteral("TRUNCATE"));
    configureEmbeddedJournal(schemaName, QStringLiteral("TRUNCATE"));
}

void Connection::run(const QString& statement) {
    traceStatement(statement);
    QSqlQuery query(db_);
    if (!query.exec(statement)) throw errorFrom(query.lastError());
}

// Synchronous commits: a committed application survives a crash or a power cut. A deleted
// journal is only gone for good once its folder is synced too (EXTRA).
void Connection::configureEmbeddedJournal(const QString& schema, const QString& mode) {
    if (readOnly_) return;  // a reader leaves the files as they are
    const QString synchronous = mode == QLatin1String("DELETE") ? QStringLiteral("EXTRA") : QStringLiteral("FULL");
    QSqlQuery pragma(db_);
    for (const QString& statement : {QStringLiteral("PRAGMA \"%1\".journal_mode=%2").arg(schema, mode),
                                     QStringLiteral("PRAGMA \"%1\".synchronous=%2").arg(schema, synchronous)}) {
        traceStatement(statement);
        pragma.exec(statement);
    }
}

void Connection::beginTransaction() {
    if (inTransaction_) return;
    if (target_.engine == Engine::Embedded) run(QStringLiteral("BEGIN IMMEDIATE"));
    else if (!db_.transaction()) throw lastError(QStringLiteral("Could not start a transaction"));
    inTransaction_ = true;
}

void Connection::commitTransaction() {
    if (!inTransaction_) return;
    if (target_.engine == Engine::Embedded) run(QStringLiteral("COMMIT"));
    else if (!db_.commit()) throw lastError(QStringLiteral("Could not commit the transaction"));
    inTransaction_ = false;
}

void Connection::rollbackTransaction() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    if (target_.engine == Engine::Embedded) run(QStringLiteral("ROLLBACK"));
    else if (!db_.rollback()) throw lastError(QStringLiteral("Could not roll the transaction back"));
}

void Connection::savepoint(const QString& name) {
    run(target_.engine == Engine::SqlServer ? QStringLiteral("SAVE TRANSACTION ") + name
                                            : QStringLiteral("SAVEPOINT ") + name);
}

void Connection::releaseSavepoint(const QString& name) {
    // SQL Server has no release: its savepoints end with the transaction.
    if (target_.engine != Engine::SqlServer) run(QStringLiteral("RELEASE SAVEPOINT ") + name);
}

void Connection::rollbackToSavepoint(const QString& name) {
    if (target_.engine == Engine::SqlServer) {
        run(QStringLiteral("ROLLBACK TRANSACTION ") + name);
        return;
    }
    run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name);
    run(QStringLiteral("RELEASE SAVEPOINT ") + name);
}

const QString& Connection::quotedName(const QString& name, QSqlDriver::IdentifierType type) {
    QHash<QString, QString>& quoted = type == QSqlDriver::TableName ? quotedTables_ : quotedColumns_;
    auto found = quoted.constFind(name);
    if (found == quoted.constEnd()) found = quoted.insert(name, db_.driver()->escapeIdentifier(name, type));
    return *found;
}

QString Connection::nameForNewTable(const QString& table) const {
    return borrowed_ ? QStringLiteral("\"%1\".%2").arg(schema_, table) : table;
}

const QStringList& Connection::keyColumnsOf(const QString& table) {
    const QString key = table.toLower();
    auto found = keyColumns_.find(key);
    if (found != keyColumns_.end()) return *found;
    QStringList columns;
    const QSqlIndex primary = db_.primaryIndex(table);
    for (int i = 0; i < primary.count(); ++i) columns << primary.fieldName(i);
    return *keyColumns_.insert(key, columns);
}

void Connection::open(const QString& connectionString, const EngineSettings& settings) {
    releaseDatabase();
    connectionString_ = connectionString;
    target_ = resolveConnectionString(connectionString, settings);
    switch (target_.engine) {
    case Engine::Embedded: readOnly_ = settings.readOnly; openEmbedded(readOnly_); break;
    case Engine::SqlServer: openSqlServer(); break;
    case Engine::MySql: openMySql(settings); break;
    }
}

void Connection::openEmbedded(bool readOnly) {
    // A missing file is an error, as it was for the file databases: never create one here.
    if (!QFileInfo(target_.filePath).isFile())
        throw VeltError(kGenericError, QStringLiteral("Connection"),
                        QStringLiteral("Could not find file '%1'.").arg(target_.filePath));
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setDatabaseName(target_.filePath);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000") +
                          (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!db_.open()) throw lastError(QStringLiteral("Unable to open the database")).markEnvironmental();
    traceStatement(QStringLiteral("-- open ") + target_.filePath);
    RegisterTextComparison(db_);
    if (sqlite3* session = sessionHandle(db_)) statements_ = std::make_shared<StatementCache>(session);
    schema_ = QStringLiteral("main");
    // Write-ahead logging for a database on its own: one flush per commit.
    configureEmbeddedJournal(schema_, QStringLiteral("WAL"));
    // The engine reads the file only when asked: a file that is no database, or one it
    // cannot read, is found here rather than taken for an empty database later.
    ensureReadable();
}

void Connection::ensureReadable() {
    QSqlQuery probe(db_);
    const QString statement = target_.engine == Engine::Embedded
                                  ? QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_master").arg(schema_)
                                  : QStringLiteral("SELECT 1");
    if (!probe.exec(statement)) throw unreadable(errorFrom(probe.lastError()));
}

VeltError Connection::unreadable(const VeltError& error) const {
    const QString name = target_.engine == Engine::Embedded ? QFileInfo(target_.filePath).fileName() : target_.database;
    VeltError described(error.number(), error.source(),
                        QStringLiteral("Unable to read the database %1: %2").arg(name, error.description()));
    return described.markEnvironmental();
}

void Connection::openSqlServer() {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
    db_.setDatabaseName(target_.odbcConnectString);
    if (!target_.trusted) {
        db_.setUserName(target_.user);
        db_.setPassword(target_.password);
    }
    db_.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15;SQL_ATTR_CONNECTION_TIMEOUT=15"));
    if (!db_.open()) throw lastError(QStringLiteral("Unable to connect to SQL Server"));
}

// Where the system keeps the certificates it trusts, for a server the installation names no
// CA file for.
static const QString kSystemCertificateFolder = QStringLiteral("/etc/ssl/certs");

bool Connection::tryOpenMySql(bool useTls, const EngineSettings& settings) {
    releaseDatabase();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name_);
    db_.setHostName(target_.server);
    db_.setPort(target_.port);
    db_.setDatabaseName(target_.database);
    db_.setUserName(target_.user);
    db_.setPassword(target_.password);
    QString options = QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1;MYSQL_OPT_READ_TIMEOUT=%2;MYSQL_OPT_WRITE_TIMEOUT=%3")
                          .arg(settings.connectTimeoutSeconds)
                          .arg(settings.mysqlReadTimeoutSeconds)
                          .arg(settings.mysqlWriteTimeoutSeconds);
    // Naming the certificates to trust makes the client ask for TLS and check that the
    // server's certificate chains to them. This driver offers no way to have the host name
    // checked as well.
    if (useTls)
        options += settings.mysqlCaFile.isEmpty() ? QStringLiteral(";SSL_CIPHER=HIGH;SSL_CAPATH=") + kSystemCertificateFolder
                                                  : QStringLiteral(";SSL_CIPHER=HIGH;SSL_CA=") + settings.mysqlCaFile;
    db_.setConnectOptions(options);
    return db_.open();
}

// The client library's words for a server that offers no TLS at all, as opposed to one
// whose certificate failed.
static bool serverOffersNoTls(const QSqlError& error) {
    const QString text = error.text();
    return text.contains(QLatin1String("SSL"), Qt::CaseInsensitive) &&
           text.contains(QLatin1String("not support"), Qt::CaseInsensitive);
}

void Connection::openMySql(const EngineSettings& settings) {
    const QString tls = settings.mysqlTls.toLower();
    bool opened = false;
    if (tls == QLatin1String("off")) {
        opened = tryOpenMySql(false, settings);
    } else {
        opened = tryOpenMySql(true, settings);
        // Only `auto` uses a server that offers no TLS, and only that: a certificate that
        // does not verify is never a reason to go on in clear.
        if (!opened && tls == QLatin1String("auto") && serverOffersNoTls(db_.lastError())) opened = tryOpenMySql(false, settings);
    }
    if (!opened) throw lastError(QStringLiteral("Unable to connect to the online database"));
    if (tls == QLatin1String("required") && !sessionUsesTls()) {
        db_.close();
        throw VeltError(2026, QStringLiteral("Connection"),
                        QStringLiteral("The online database server did not agree to an encrypted (TLS) connection; "
                                       "[online] tls = auto in autovelt.ini allows one without"));
    }
    // Text literals are quoted by doubling apostrophes only; backslashes must stay plain.
    // Without that mode a value ending in a backslash could end its literal early, so a
    // session that cannot be put in it is not used at all.
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES')")) ||
        !q.exec(QStringLiteral("SELECT @@SESSION.sql_mode")) || !q.next() ||
        !q.value(0).toString().contains(QLatin1String("NO_BACKSLASH_ESCAPES"))) {
        const VeltError error = q.lastError().type() != QSqlError::NoError
                                    ? errorFrom(q.lastError())
                                    : VeltError(kGenericError, QStringLiteral("Connection"),
                                                QStringLiteral("The online database session refused plain backslashes (NO_BACKSLASH_ESCAPES)"));
        db_.close();
        throw error;
    }
}

bool Connection::sessionUsesTls() {
    // The client library may fall back to a plain connection; the session says what it got.
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SHOW SESSION STATUS LIKE 'Ssl_cipher'")) || !q.next()) return false;
    return !q.value(1).toString().isEmpty();
}

QString Connection::prepareStatement(const QString& statement) const {
    return adaptStatement(target_.engine, statement);
}

// Codes that speak of the surroundings (locks, disk, lost connections), not of a statement.
static bool isEnvironmentCode(Engine engine, long code, QSqlError::ErrorType type) {
    // The embedded driver files statement errors as connection errors too: its codes decide.
    if (engine != Engine::Embedded && type == QSqlError::ConnectionError) return true;
    switch (engine) {
    case Engine::Embedded:
        switch (code & 0xff) {
        case SQLITE_BUSY: case SQLITE_LOCKED: case SQLITE_NOMEM: case SQLITE_READONLY: case SQLITE_IOERR:
        case SQLITE_CORRUPT: case SQLITE_FULL: case SQLITE_CANTOPEN: case SQLITE_PROTOCOL: case SQLITE_NOTADB:
            return true;
        default:
            return false;
        }
    case Engine::MySql:
        // Server gone or unreachable, lock wait, deadlock, disk or table full, read-only.
        return (code >= 2000 && code < 2100) || code == 1205 || code == 1213 || code == 1021 || code == 1114 ||
               code == 1036 || code == 1290 || code == 1040 || code == 1053;
    case Engine::SqlServer:
        // ODBC reports by state; communication failures arrive as connection errors above.
        return code == 1205 || code == 1222 || code == 9002 || code == 1105;
    }
    return false;
}

VeltError Connection::errorFrom(const QSqlError& error) const {
    bool numeric = false;
    const long nativeCode = error.nativeErrorCode().toLong(&numeric);
    const long number = numeric && nativeCode != 0 ? nativeCode : kGenericError;
    const QString description =
        withoutSecret(error.databaseText().isEmpty() ? error.driverText() : error.databaseText(), target_.password);
    VeltError result(number, QStringLiteral("Connection"), description);
    if (isEnvironmentCode(target_.engine, numeric ? nativeCode : 0, error.type())) result.markEnvironmental();
    return result;
}

VeltError Connection::lastError(const QString& fallback) const {
    const QSqlError error = db_.isValid() ? db_.lastError() : QSqlError();
    if (error.type() == QSqlError::NoError) return VeltError(kGenericError, QStringLiteral("Connection"), fallback);
    return errorFrom(error);
}

long long Connection::execute(const QString& statement) {
    QVariant ignored;
    return execute(statement, ignored);
}

long long Connection::execute(const QString& statement, QVariant& insertedKey) {
    if (!isOpen()) throw closedConnection();
    const QString prepared = prepareStatement(statement);
    if (statements_) {
        // The values are bound, so statements that differ only in them are prepared once.
        const LiftedStatement lifted = liftLiterals(prepared);
        traceStatement(lifted.text, lifted.values);
        StatementCache::Result result;
        QSqlError error;
        if (!statements_->run(lifted.text, lifted.values, result, nullptr, error)) throw errorFrom(error);
        insertedKey = result.affected > 0 ? result.insertedKey : QVariant();
        return result.affected;
    }
    QSqlQuery query(db_);
    traceStatement(prepared);
    if (!query.exec(prepared)) throw errorFrom(query.lastError());
    const long long affected = query.numRowsAffected();
    insertedKey = affected > 0 ? query.lastInsertId() : QVariant();
    return affected;
}

long long Connection::executeBound(const QString& statement, const QVariantList& values, QVariant* insertedKey) {
    if (!isOpen()) throw closedConnection();
    traceStatement(statement, values);
    if (statements_) {
        StatementCache::Result result;
        QSqlError error;
        if (!statements_->run(statement, values, result, nullptr, error)) throw errorFrom(error);
        if (insertedKey) *insertedKey = result.insertedKey;
        return result.affected;
    }
    QSqlQuery q(db_);
    q.prepare(statement);
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) throw errorFrom(q.lastError());
    if (insertedKey) *insertedKey = q.lastInsertId();
    return q.numRowsAffected();
}

Recordset Connection::openRecordset(const QString& statement, const CursorOptions& cursor) {
    if (!isOpen()) throw closedConnection();
    const QString prepared = prepareStatement(statement);
    Recordset rs;
    rs.connection_ = this;
    rs.open_ = true;
    QVector<QVector<QVariant>> rows;
    if (statements_) {
        const LiftedStatement lifted = liftLiterals(prepared);
        traceStatement(lifted.text, lifted.values);
        StatementCache::Result result;
        QSqlError error;
        if (!statements_->run(lifted.text, lifted.values, result, &rows, error)) throw errorFrom(error);
        rs.columns_ = result.columns;
    } else {
        QSqlQuery query(db_);
        query.setForwardOnly(true);
        traceStatement(prepared);
        if (!query.exec(prepared)) throw errorFrom(query.lastError());
        auto columns = std::make_shared<RecordsetColumns>();
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) columns->add(record.fieldName(i));
        columns->kinds = target_.engine == Engine::Embedded ? embeddedColumnKinds(query, record.count())
                                                            : QVector<int>(record.count(), static_cast<int>(ColumnKind::Other));
        while (query.next()) {
            QVector<QVariant> row(record.count());
            for (int i = 0; i < record.count(); ++i)
                row[i] = fromStoredValue(query.value(i), static_cast<ColumnKind>(columns->kinds[i]));
            rows.append(std::move(row));
        }
        rs.columns_ = columns;
    }
    if (cursor.updatable()) {
        rs.table_ = singleTableOf(statement);
        rs.updatable_ = !rs.table_.isEmpty();
        if (rs.updatable_) rs.keyColumns_ = keyColumnsOf(rs.table_);
    }
    rs.rows_.reserve(rows.size());
    for (QVector<QVariant>& values : rows) {
        Recordset::Row row;
        row.values = std::move(values);
        // Only a row that may be changed keeps what it was read as.
        if (rs.updatable_) {
            row.original = row.values;
            row.changed.fill(false, row.values.size());
        }
        rs.rows_.append(std::move(row));
    }
    return rs;
}

bool Connection::columnExists(const QString& table, const QString& column) {
    if (!isOpen()) throw VeltError(3704, QStringLiteral("Connection"), QStringLiteral("Operation is not allowed when the object is closed.")).markEnvironmental();
    if (target_.engine == Engine::Embedded) return embeddedColumnExists(table, column);
    for (const QString& name : db_.tables(QSql::Tables)) {
        if (name.compare(table, Qt::CaseInsensitive) != 0) continue;
        const QSqlRecord record = db_.record(name);
        if (record.indexOf(column) >= 0) return true;
        if (record.isEmpty()) ensureReadable();  // a table has columns: it was not read
        return false;
    }
    // The driver answers an unreadable database (locked, damaged, out of space) with no
    // tables at all; a missing table is only reported as missing when the database reads.
    ensureReadable();
    return false;
}

// Looks only in this connection's own database of the session, as a separate file would.
bool Connection::embeddedColumnExists(const QString& table, const QString& column) {
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("SELECT name FROM \"%1\".sqlite_master WHERE type IN ('table','view') AND lower(name)=lower(%2)")
                        .arg(schema_, sqlText(table))))
        throw errorFrom(query.lastError());
    if (!query.next()) return false;
    const QString actual = query.value(0).toString();
    QSqlQuery columns(db_);
    if (!columns.exec(QStringLiteral("PRAGMA \"%1\".table_info(%2)").arg(schema_, sqlText(actual))))
        throw errorFrom(columns.lastError());
    while (columns.next())
        if (columns.value(1).toString().compare(column, Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace autovelt::platform::db
