#include "platform/db/StatementCache.h"

#include "platform/db/StoredValues.h"

#include <QDateTime>
#include <QTime>
#include <sqlite3.h>

namespace autovelt::inline platform::db {

namespace {

// More distinct statements than a pass uses: past it the cache starts again.
constexpr int kMostStatements = 400;

// A null the Qt driver binds as Null: a null variant, text, bytes, date or time.
bool isNullValue(const QVariant& v) {
    if (v.isNull()) return true;
    switch (v.typeId()) {
    case QMetaType::QString: return static_cast<const QString*>(v.constData())->isNull();
    case QMetaType::QByteArray: return static_cast<const QByteArray*>(v.constData())->isNull();
    case QMetaType::QDateTime: return !static_cast<const QDateTime*>(v.constData())->isValid();
    case QMetaType::QDate: return !static_cast<const QDate*>(v.constData())->isValid();
    case QMetaType::QTime: return !static_cast<const QTime*>(v.constData())->isValid();
    default: return false;
    }
}

// Text crosses in UTF-8, the files' own encoding: the engine's UTF-16 conversion, a
// character at a time, costs more than the query.
int bindText(sqlite3_stmt* stmt, int i, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text(stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

int bindValue(sqlite3_stmt* stmt, int i, const QVariant& v) {
    if (isNullValue(v)) return sqlite3_bind_null(stmt, i);
    switch (v.typeId()) {
    case QMetaType::QByteArray: {
        const QByteArray bytes = v.toByteArray();
        return sqlite3_bind_blob(stmt, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool: return sqlite3_bind_int(stmt, i, v.toInt());
    case QMetaType::Double: return sqlite3_bind_double(stmt, i, v.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong: return sqlite3_bind_int64(stmt, i, v.toLongLong());
    case QMetaType::QDateTime: return bindText(stmt, i, v.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QTime: return bindText(stmt, i, v.toTime().toString(QStringLiteral("hh:mm:ss.zzz")));
    case QMetaType::QString: return bindText(stmt, i, *static_cast<const QString*>(v.constData()));
    default: return bindText(stmt, i, v.toString());
    }
}

QVariant storedValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)), sqlite3_column_bytes(stmt, i));
    case SQLITE_INTEGER: return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_NULL: return QVariant();
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)), sqlite3_column_bytes(stmt, i));
    }
}

// Names as the Qt driver gives them: without quotes or a table qualifier.
std::shared_ptr<const RecordsetColumns> columnsOf(sqlite3_stmt* stmt) {
    auto columns = std::make_shared<RecordsetColumns>();
    const int count = sqlite3_column_count(stmt);
    for (int i = 0; i < count; ++i) {
        QString name = QString::fromUtf8(sqlite3_column_name(stmt, i)).remove(u'"');
        name = name.mid(name.lastIndexOf(u'.') + 1);
        const char* declared = sqlite3_column_decltype(stmt, i);
        columns->add(name);
        columns->kinds << static_cast<int>(declared ? columnKindFromDeclaredType(QString::fromUtf8(declared)) : ColumnKind::Other);
    }
    return columns;
}

}  // namespace

StatementCache::~StatementCache() { clear(); }

void StatementCache::clear() {
    for (Statement& statement : statements_) sqlite3_finalize(statement.handle);
    statements_.clear();
}

QSqlError StatementCache::lastError(const QString& driverText) const {
    return QSqlError(driverText, QString::fromUtf8(sqlite3_errmsg(session_)), QSqlError::StatementError,
                     QString::number(sqlite3_extended_errcode(session_)));
}

StatementCache::Statement* StatementCache::statementFor(const QString& text, QSqlError& error) {
    auto found = statements_.find(text);
    if (found != statements_.end()) return &found.value();
    if (statements_.size() >= kMostStatements) clear();
    sqlite3_stmt* handle = nullptr;
    const QByteArray utf8 = text.toUtf8();
    if (sqlite3_prepare_v3(session_, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &handle, nullptr) != SQLITE_OK) {
        error = lastError(QStringLiteral("Unable to execute statement"));
        sqlite3_finalize(handle);
        return nullptr;
    }
    if (!handle) {  // nothing but blanks: nothing to run
        error = QSqlError(QStringLiteral("Unable to execute statement"), QStringLiteral("not an error"),
                          QSqlError::StatementError, QStringLiteral("21"));
        return nullptr;
    }
    return &statements_.insert(text, Statement{handle, columnsOf(handle)}).value();
}

bool StatementCache::run(const QString& text, const QVariantList& values, Result& result,
                         QVector<QVector<QVariant>>* rows, QSqlError& error) {
    Statement* statement = statementFor(text, error);
    if (!statement) return false;
    sqlite3_stmt* stmt = statement->handle;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (sqlite3_bind_parameter_count(stmt) != values.size()) {
        error = QSqlError(QStringLiteral("Parameter count mismatch"), QString(), QSqlError::StatementError);
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        if (bindValue(stmt, i + 1, values[i]) != SQLITE_OK) {
            error = lastError(QStringLiteral("Unable to bind parameters"));
            return false;
        }
    }
    // A schema change since the statement was prepared may change its columns.
    if (statement->columns->names.size() != sqlite3_column_count(stmt)) statement->columns = columnsOf(stmt);
    result.columns = statement->columns;
    const int count = sqlite3_column_count(stmt);
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (!rows) continue;
        QVector<QVariant> row(count);
        for (int i = 0; i < count; ++i)
            row[i] = fromStoredValue(storedValue(stmt, i), static_cast<ColumnKind>(statement->columns->kinds[i]));
        rows->append(std::move(row));
    }
    if (step != SQLITE_DONE) {
        error = lastError(QStringLiteral("Unable to fetch row"));
        sqlite3_reset(stmt);
        return false;
    }
    result.affected = sqlite3_changes(session_);
    const sqlite3_int64 key = sqlite3_last_insert_rowid(session_);
    result.insertedKey = key ? QVariant(static_cast<qlonglong>(key)) : QVariant();
    sqlite3_reset(stmt);  // no lock is held past the statement
    return true;
}

}  // namespace autovelt::platform::db
