#pragma once

#include "common/VeltError.h"
#include "platform/db/Cursor.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>

namespace autovelt::inline platform::db {

class Connection;

// The columns of a query: names, their positions by lower-case name, and their kinds
// (ColumnKind, embedded engine). Made once per prepared statement and shared by every
// recordset it opens.
struct RecordsetColumns {
    QStringList names;
    QVector<int> kinds;
    QHash<QString, int> indexes;
    // The names as written, for lookups spelt the same (nearly all): no lower-casing then.
    // A name shadowed by a later one of the same letters leaves it, so both lookups agree.
    QHash<QString, int> exactIndexes;

    void add(const QString& name) {
        const QString lower = name.toLower();
        if (const auto shadowed = indexes.constFind(lower); shadowed != indexes.constEnd())
            exactIndexes.remove(names[shadowed.value()]);
        const int index = int(names.size());
        names << name;
        indexes.insert(lower, index);
        exactIndexes.insert(name, index);
    }
    int find(const QString& name) const {
        const auto exact = exactIndexes.constFind(name);
        return exact != exactIndexes.constEnd() ? exact.value() : indexes.value(name.toLower(), -1);
    }
};

// The rows of one query, held client-side. Read forward with eof()/moveNext(); fields are
// found by name (without case) or by position. A recordset opened with an updatable cursor
// on a single-table "SELECT ... FROM <table> ..." can add and change rows: addNew(),
// setValue(), update().
class Recordset {
public:
    Recordset() = default;

    bool isOpen() const { return open_; }
    bool eof() const { return !open_ || row_ >= rows_.size(); }
    bool bof() const { return !open_ || rows_.isEmpty(); }
    int recordCount() const { return static_cast<int>(rows_.size()); }
    void moveNext() { if (row_ < rows_.size()) ++row_; }
    void moveFirst() { row_ = 0; }
    void close() { open_ = false; rows_.clear(); }

    int fieldCount() const { return columns_ ? static_cast<int>(columns_->names.size()) : 0; }
    QString fieldName(int index) const { return columns_ ? columns_->names.value(index) : QString(); }
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    // The position of a field found by name (without case); -1 when there is none.
    int fieldIndex(const QString& name) const { return columns_ ? columns_->find(name) : -1; }

    // The value of a field of the current row; Null reads as an invalid/null QVariant.
    QVariant value(const QString& field) const;
    QVariant value(int index) const;
    // Text of a field, Null giving "".
    QString text(const QString& field) const { return value(field).toString(); }
    QString text(int index) const { return value(index).toString(); }
    bool isNull(const QString& field) const { return value(field).isNull(); }
    // A field as a date: a date column's value, or a text written as a date (day first);
    // nothing when it is Null or not a date.
    std::optional<QDate> date(const QString& field) const;

    void addNew();
    void setValue(const QString& field, const QVariant& value);
    void update();

private:
    friend class Connection;
    struct Row {
        QVector<QVariant> values;
        QVector<QVariant> original;  // updatable recordsets only
        QVector<bool> changed;       // updatable recordsets only
        bool isNew = false;
    };

    int indexOf(const QString& field) const;
    const Row& current() const;
    Row& currentForEdit();
    void insertRow(Row& row);
    void updateRow(Row& row);
    QVariant valueForWrite(int column, const QVariant& value) const;

    Connection* connection_ = nullptr;
    bool open_ = false;
    bool updatable_ = false;
    QString table_;
    QStringList keyColumns_;
    std::shared_ptr<const RecordsetColumns> columns_;
    QVector<Row> rows_;
    qsizetype row_ = 0;
};

}  // namespace autovelt::platform::db
