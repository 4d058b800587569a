#include "platform/db/Connection.h"

#include "platform/db/JetToSqlite.h"
#include "platform/db/StoredValues.h"

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

namespace autovelt::db {

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

void Connection::close() {
    if (db_.isValid() && db_.isOpen()) db_.close();
}

void Connection::releaseDatabase() {
    close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(name_)) QSqlDatabase::removeDatabase(name_);
}

void Connection::open(const QString& connectionString, const EngineSettings& settings) {
    releaseDatabase();
    connectionString_ = connectionString;
    target_ = resolveConnectionString(connectionString, settings);
    switch (target_.engine) {
    case Engine::Embedded: openEmbedded(); break;
    case Engine::SqlServer: openSqlServer(); break;
    case Engine::MySql: openMySql(settings); break;
    }
}

void Connection::openEmbedded() {
    // A missing file is an error, as it was for the file databases: never create one here.
    if (!QFileInfo(target_.filePath).isFile())
        throw VeltError(kGenericError, QStringLiteral("Connection"),
                        QStringLiteral("Could not find file '%1'.").arg(target_.filePath));
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setDatabaseName(target_.filePath);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!db_.open()) throw lastError(QStringLiteral("Unable to open the database"));
    // Write-ahead logging: one flush per commit instead of several, and every commit still
    // reaches the disk before the statement returns (synchronous FULL), so a row the
    // importer has written survives a crash or a power cut.
    QSqlQuery pragma(db_);
    pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
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

bool Connection::tryOpenMySql(bool useTls, int timeoutSeconds) {
    releaseDatabase();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name_);
    db_.setHostName(target_.server);
    db_.setPort(target_.port);
    db_.setDatabaseName(target_.database);
    db_.setUserName(target_.user);
    db_.setPassword(target_.password);
    QString options = QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1").arg(timeoutSeconds);
    // Naming a cipher list makes the client ask for TLS.
    if (useTls) options += QLatin1String(";SSL_CIPHER=HIGH");
    db_.setConnectOptions(options);
    return db_.open();
}

void Connection::openMySql(const EngineSettings& settings) {
    const QString tls = settings.mysqlTls.toLower();
    bool opened = false;
    if (tls == QLatin1String("off")) {
        opened = tryOpenMySql(false, settings.connectTimeoutSeconds);
    } else {
        opened = tryOpenMySql(true, settings.connectTimeoutSeconds);
        // A server that offers no TLS is still used unless the installation requires TLS.
        if (!opened && tls != QLatin1String("required") &&
            db_.lastError().text().contains(QLatin1String("SSL"), Qt::CaseInsensitive))
            opened = tryOpenMySql(false, settings.connectTimeoutSeconds);
    }
    if (!opened) throw lastError(QStringLiteral("Unable to connect to the online database"));
    if (tls == QLatin1String("required") && !sessionUsesTls()) {
        db_.close();
        throw VeltError(2026, QStringLiteral("Connection"),
                        QStringLiteral("The online database server did not agree to an encrypted (TLS) connection"));
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
    return target_.engine == Engine::Embedded ? translateJetToSqlite(statement) : statement;
}

VeltError Connection::errorFrom(const QSqlError& error) const {
    bool numeric = false;
    long number = error.nativeErrorCode().toLong(&numeric);
    if (!numeric || number == 0) number = kGenericError;
    QString description = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    if (!target_.password.isEmpty()) description.replace(target_.password, QLatin1String("********"));
    return VeltError(number, QStringLiteral("Connection"), description);
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
    if (!isOpen()) throw VeltError(3704, QStringLiteral("Connection"), QStringLiteral("Operation is not allowed when the object is closed."));
    QSqlQuery query(db_);
    if (!query.exec(prepareStatement(statement))) throw errorFrom(query.lastError());
    const long long affected = query.numRowsAffected();
    insertedKey = affected > 0 ? query.lastInsertId() : QVariant();
    return affected;
}

Recordset Connection::openRecordset(const QString& statement, const CursorOptions& cursor) {
    if (!isOpen()) throw VeltError(3704, QStringLiteral("Connection"), QStringLiteral("Operation is not allowed when the object is closed."));
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(prepareStatement(statement))) throw errorFrom(query.lastError());

    Recordset rs;
    rs.connection_ = this;
    rs.open_ = true;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        rs.names_ << record.fieldName(i);
        rs.indexes_.insert(record.fieldName(i).toLower(), i);
    }
    rs.kinds_ = target_.engine == Engine::Embedded ? embeddedColumnKinds(query, record.count())
                                                   : QVector<int>(record.count(), static_cast<int>(ColumnKind::Other));
    while (query.next()) {
        Recordset::Row row;
        row.values.resize(record.count());
        for (int i = 0; i < record.count(); ++i)
            row.values[i] = fromStoredValue(query.value(i), static_cast<ColumnKind>(rs.kinds_[i]));
        row.original = row.values;
        row.changed.fill(false, record.count());
        rs.rows_.append(std::move(row));
    }
    if (cursor.updatable()) {
        rs.table_ = singleTableOf(statement);
        rs.updatable_ = !rs.table_.isEmpty();
        if (rs.updatable_) {
            const QSqlIndex primary = db_.primaryIndex(rs.table_);
            for (int i = 0; i < primary.count(); ++i) rs.keyColumns_ << primary.fieldName(i);
        }
    }
    return rs;
}

bool Connection::columnExists(const QString& table, const QString& column) {
    if (!isOpen()) throw VeltError(3704, QStringLiteral("Connection"), QStringLiteral("Operation is not allowed when the object is closed."));
    for (const QString& name : db_.tables(QSql::Tables)) {
        if (name.compare(table, Qt::CaseInsensitive) != 0) continue;
        return db_.record(name).indexOf(column) >= 0;
    }
    return false;
}

}  // namespace autovelt::db
