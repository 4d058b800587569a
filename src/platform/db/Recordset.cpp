#include "platform/db/Recordset.h"

#include "common/Values.h"
#include "platform/db/Connection.h"
#include "platform/db/StoredValues.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace autovelt::inline platform::db {

namespace {

VeltError notFound(const QString& field) {
    return VeltError(3265, QStringLiteral("Recordset"),
                     QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal. (%1)")
                         .arg(field));
}

VeltError noCurrentRecord() {
    return VeltError(3021, QStringLiteral("Recordset"),
                     QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                    "Requested operation requires a current record."));
}

}  // namespace

int Recordset::indexOf(const QString& field) const {
    if (!columns_) throw notFound(field);
    const int index = columns_->find(field);
    if (index < 0) throw notFound(field);
    return index;
}

const Recordset::Row& Recordset::current() const {
    if (eof()) throw noCurrentRecord();
    return rows_[row_];
}

Recordset::Row& Recordset::currentForEdit() {
    if (!updatable_)
        throw VeltError(3251, QStringLiteral("Recordset"),
                        QStringLiteral("Current Recordset does not support updating. This may be a limitation of the provider, or of the selected locktype."));
    if (eof()) throw noCurrentRecord();
    return rows_[row_];
}

QVariant Recordset::value(const QString& field) const { return current().values[indexOf(field)]; }

QVariant Recordset::value(int index) const {
    const Row& row = current();
    if (index < 0 || index >= row.values.size()) throw notFound(QString::number(index));
    return row.values[index];
}

void Recordset::addNew() {
    if (!updatable_) { row_ = rows_.size(); (void)currentForEdit(); }
    Row row;
    row.values.resize(fieldCount());
    row.original = row.values;
    row.changed.fill(false, fieldCount());
    row.isNew = true;
    rows_.append(std::move(row));
    row_ = rows_.size() - 1;
}

void Recordset::setValue(const QString& field, const QVariant& value) {
    const int i = indexOf(field);
    Row& row = currentForEdit();
    row.values[i] = value;
    row.changed[i] = true;
}

QVariant Recordset::valueForWrite(int column, const QVariant& value) const {
    // An empty text is stored as an empty text: drivers bind a null QString as Null.
    if (value.typeId() == QMetaType::QString && value.toString().isNull()) {
        const QVariant empty(QString::fromLatin1(""));
        return connection_->engine() == Engine::Embedded
                   ? toStoredValue(empty, static_cast<ColumnKind>(columns_->kinds.value(column))) : empty;
    }
    if (connection_->engine() == Engine::Embedded)
        return toStoredValue(value, static_cast<ColumnKind>(columns_->kinds.value(column)));
    return value;
}

void Recordset::insertRow(Row& row) {
    const QStringList& names = columns_->names;
    QString columns, marks;
    QVariantList values;
    for (int i = 0; i < names.size(); ++i) {
        if (!row.changed[i]) continue;
        if (!values.isEmpty()) {
            columns += u',';
            marks += u',';
        }
        columns += connection_->quotedName(names[i], QSqlDriver::FieldName);
        marks += u'?';
        values << valueForWrite(i, row.values[i]);
    }
    const QString& table = connection_->quotedName(table_, QSqlDriver::TableName);
    QVariant id;
    connection_->executeBound(values.isEmpty() ? QStringLiteral("INSERT INTO ") + table + QStringLiteral(" DEFAULT VALUES")
                                               : QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + columns +
                                                     QStringLiteral(") VALUES (") + marks + u')',
                              values, &id);
    // An automatic key becomes visible on the row, as it would after a requery.
    if (id.isValid() && keyColumns_.size() == 1) {
        const int k = columns_->find(keyColumns_.first());
        if (k >= 0 && !row.changed[k]) row.values[k] = id;
    }
}

void Recordset::updateRow(Row& row) {
    const QStringList& names = columns_->names;
    QString assignments, conditions;
    QVariantList values, keys;
    for (int i = 0; i < names.size(); ++i) {
        if (!row.changed[i]) continue;
        if (!values.isEmpty()) assignments += u',';
        assignments += connection_->quotedName(names[i], QSqlDriver::FieldName) + QStringLiteral("=?");
        values << valueForWrite(i, row.values[i]);
    }
    if (values.isEmpty()) return;
    // The row is found again by its key, or by every original value when it has none.
    const QStringList& keyNames = keyColumns_.isEmpty() ? names : keyColumns_;
    for (const QString& key : keyNames) {
        const int i = columns_->find(key);
        if (i < 0) continue;
        if (!conditions.isEmpty()) conditions += QStringLiteral(" AND ");
        conditions += connection_->quotedName(names[i], QSqlDriver::FieldName);
        if (row.original[i].isNull()) { conditions += QStringLiteral(" IS NULL"); continue; }
        conditions += QStringLiteral("=?");
        keys << valueForWrite(i, row.original[i]);
    }
    const long long affected = connection_->executeBound(
        QStringLiteral("UPDATE ") + connection_->quotedName(table_, QSqlDriver::TableName) + QStringLiteral(" SET ") +
            assignments + QStringLiteral(" WHERE ") + conditions,
        values + keys);
    if (affected == 0)
        throw VeltError(-2147217864, QStringLiteral("Recordset"),
                        QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read."));
}

void Recordset::update() {
    Row& row = currentForEdit();
    if (row.isNew) insertRow(row);
    else updateRow(row);
    row.isNew = false;
    row.original = row.values;
    row.changed.fill(false);
}

std::optional<QDate> Recordset::date(const QString& field) const {
    const QVariant v = value(field);
    if (v.isNull()) return std::nullopt;
    if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime) {
        const QDate date = v.toDate();
        return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
    }
    return parseDayFirstDate(v.toString());
}

}  // namespace autovelt::platform::db
