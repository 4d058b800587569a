#include "import/AddressRow.h"

#include "common/NameCaps.h"
#include "common/Values.h"
#include "platform/db/Recordset.h"

#include <cmath>
#include <exception>

namespace autovelt::inline import {

namespace {

constexpr int kWidth = 50;

QString columnName(int position) { return QStringLiteral("field_") + QString::number(position); }

// The second key is an encoded number. A value that does not decode identifies nothing,
// and must not stop the import of an otherwise good application.
QString decodedSecondKey(const QString& stored, const OnlineCodeTables& tables) {
    try {
        return DecodeOnlineNumber(stored, tables);
    } catch (const std::exception&) {
        return QString();
    }
}

QString decodedValue(int position, const QString& stored, const OnlineCodeTables& tables) {
    if (position == ad::SecondKey) return decodedSecondKey(stored, tables);
    if (stored.isEmpty()) return stored;
    if (!stored.contains(QLatin1Char('#')) && !stored.contains(QLatin1Char('^'))) return stored;
    return DecodeOnlineField(stored, tables);
}

QString cleanedValue(int position, QString value, bool mixedCase) {
    value = value.trimmed();
    if (position >= ad::Building && position <= ad::Line5)
        value = mixedCase ? ProperCase(value) : value.toUpper();
    if (position == ad::Type) value = value.toUpper().remove(QLatin1Char('_'));
    if (position == ad::Postcode) value = value.toUpper().left(30);
    return value.left(kWidth);
}

// Building and street share a line; an empty part leaves no stray blank.
QString buildingAndStreet(const AddressRow& row) {
    QString joined = (row[ad::Building] + QLatin1Char(' ') + row[ad::Street1]).trimmed();
    return joined.left(kWidth);
}

}  // namespace

bool AddressRow::hasNoAddress() const {
    return slot[ad::Building].isEmpty() && slot[ad::Flat].isEmpty() && slot[ad::Street1].isEmpty() &&
           slot[ad::Postcode].isEmpty();
}

StoredAddressRow ReadStoredAddressRow(const db::Recordset& rows) {
    static const std::array<QString, ad::Last + 1> kNames = [] {
        std::array<QString, ad::Last + 1> names{};
        for (int position = ad::Key; position <= ad::Last; ++position) names[size_t(position)] = columnName(position);
        return names;
    }();
    StoredAddressRow stored;
    for (int position = ad::Key; position <= ad::Last; ++position)
        if (const int index = rows.fieldIndex(kNames[size_t(position)]); index >= 0) stored[size_t(position)] = rows.text(index);
    return stored;
}

AddressRow LoadAddressRow(const StoredAddressRow& stored, bool mixedCase, const OnlineCodeTables& tables) {
    AddressRow row;
    for (int position = ad::Key; position <= ad::Last; ++position) {
        if (!stored[position]) continue;
        row[position] = cleanedValue(position, decodedValue(position, *stored[position], tables), mixedCase);
    }
    return row;
}

std::array<QString, 4> ComposeAddressLines(const AddressRow& row) {
    const QString& building = row[ad::Building];
    if (!row[ad::Flat].isEmpty())
        return {buildingAndStreet(row), row[ad::Flat], row[ad::Street2], row[ad::Town]};
    if (isNumeric(building) || building.size() < 6)
        return {buildingAndStreet(row), row[ad::Street2], row[ad::Town], row[ad::County]};
    return {building, row[ad::Street1], row[ad::Street2], row[ad::Town]};
}

std::array<QString, 13> AddressSlots(const AddressRow& row) {
    static constexpr int kPositions[] = {ad::Building, ad::Flat,      ad::Street1, ad::Street2,
                                         ad::Town,     ad::County,    ad::Line5,   ad::Postcode,
                                         ad::Telephone, ad::Mobile,   ad::Email,   ad::Date};
    std::array<QString, 13> texts{};
    for (int i = 0; i < 12; ++i) texts[i + 1] = row[kPositions[i]];
    return texts;
}

long LinkedMemberNumber(const AddressRow& row) {
    const std::optional<double> value = numericValue(row[ad::SortCode]);
    if (!value || std::trunc(*value) != *value || std::fabs(*value) > 999999999999.0) return 0;
    return static_cast<long>(*value);
}

}  // namespace autovelt::import
