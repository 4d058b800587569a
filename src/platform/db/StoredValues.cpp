#include "platform/db/StoredValues.h"

#include "common/Values.h"

#include <cstdio>

namespace autovelt::inline platform::db {

ColumnKind columnKindFromDeclaredType(const QString& declaredType) {
    const QString t = declaredType.trimmed().toUpper();
    if (t.isEmpty()) return ColumnKind::Other;
    if (t.startsWith(QLatin1String("BOOL")) || t == QLatin1String("BIT") || t == QLatin1String("YESNO"))
        return ColumnKind::Boolean;
    if (t.startsWith(QLatin1String("DATETIME")) || t.startsWith(QLatin1String("TIMESTAMP")))
        return ColumnKind::DateTime;
    if (t.startsWith(QLatin1String("DATE"))) return ColumnKind::Date;
    if (t.startsWith(QLatin1String("CURRENCY")) || t.startsWith(QLatin1String("MONEY")))
        return ColumnKind::Currency;
    if (t.contains(QLatin1String("INT"))) return ColumnKind::Integer;
    if (t.startsWith(QLatin1String("REAL")) || t.startsWith(QLatin1String("DOUBLE")) ||
        t.startsWith(QLatin1String("FLOAT")) || t.startsWith(QLatin1String("NUMERIC")) ||
        t.startsWith(QLatin1String("DECIMAL")))
        return ColumnKind::Real;
    if (t.contains(QLatin1String("CHAR")) || t.startsWith(QLatin1String("TEXT")) ||
        t.startsWith(QLatin1String("MEMO")))
        return ColumnKind::Text;
    return ColumnKind::Other;
}

QString storedDateText(const QDateTime& value) { return storedDateText(value.date(), value.time()); }

QString storedDateText(const QDate& date, const QTime& time) {
    // Written by hand for the years of four digits every stored date has: every date the
    // importer writes or looks up passes through here.
    if (date.isValid() && time.isValid() && date.year() >= 1000 && date.year() <= 9999) {
        char text[20];
        const int length = time == QTime(0, 0)
                               ? std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day())
                               : std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(),
                                               date.day(), time.hour(), time.minute(), time.second());
        return QString::fromLatin1(text, length);
    }
    if (!date.isValid() || !time.isValid()) return QString();
    if (time == QTime(0, 0)) return date.toString(QStringLiteral("yyyy-MM-dd"));
    return date.toString(QStringLiteral("yyyy-MM-dd")) + time.toString(QStringLiteral(" HH:mm:ss"));
}

namespace {

bool isNullOrEmptyText(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return true;
    return v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty();
}

QVariant storedBoolean(const QVariant& value) {
    if (value.isNull() || !value.isValid()) return QVariant();
    if (value.typeId() == QMetaType::QString) {
        const QString s = value.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return 1;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || s.isEmpty()) return 0;
        return leadingNumber(s) != 0 ? 1 : 0;
    }
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    return value.toDouble() != 0 ? 1 : 0;
}

std::optional<QDateTime> readDateTime(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QDate: return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QDateTime: return value.toDateTime();
    default: break;
    }
    const QString text = value.toString().trimmed();
    QDateTime iso = QDateTime::fromString(text, Qt::ISODate);
    if (!iso.isValid()) iso = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (iso.isValid()) return iso;
    const QDate isoDate = QDate::fromString(text, Qt::ISODate);
    if (isoDate.isValid()) return QDateTime(isoDate, QTime(0, 0));
    return parseDayFirstDateTime(text);
}

}  // namespace

QVariant toStoredValue(const QVariant& value, ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Boolean:
        return storedBoolean(value);
    case ColumnKind::Date:
    case ColumnKind::DateTime: {
        if (isNullOrEmptyText(value)) return QVariant();
        const auto dt = readDateTime(value);
        // A text that is no date is kept as typed rather than lost.
        return dt ? QVariant(storedDateText(*dt)) : value;
    }
    case ColumnKind::Currency:
        if (isNullOrEmptyText(value)) return QVariant();
        return Currency::fromDouble(value.typeId() == QMetaType::QString ? leadingNumber(value.toString())
                                                                       : value.toDouble())
            .toDouble();
    case ColumnKind::Integer:
    case ColumnKind::Real:
        if (isNullOrEmptyText(value)) return QVariant();
        if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
        return value;
    default:
        return value;
    }
}

QVariant fromStoredValue(const QVariant& stored, ColumnKind kind) {
    if (stored.isNull() || !stored.isValid()) return QVariant();
    switch (kind) {
    case ColumnKind::Boolean:
        return QVariant(stored.toLongLong() != 0);
    case ColumnKind::Date:
    case ColumnKind::DateTime: {
        const auto dt = readDateTime(stored);
        if (!dt) return stored;
        if (dt->time() == QTime(0, 0)) return QVariant(dt->date());
        return QVariant(*dt);
    }
    default:
        return stored;
    }
}

}  // namespace autovelt::platform::db
