#pragma once

// An installation with one online application (a table_w row and its table_ad rows, written
// as the website writes them) and members in the core banking database, for the address
// import. The application state is set as the import pass sets it before the addresses.

#include "app/ControlSettings.h"
#include "common/SqlQuote.h"
#include "import/Addresses.h"
#include "support/OnlineEncoder.h"
#include "support/TestInstallation.h"
#include "support/WebApplication.h"

#include <QMap>
#include <gtest/gtest.h>

namespace autovelt::test {

// 5 March 2024: day and month both 12 or less, so a date in the wrong order would show.
inline const QDateTime kPassTime(QDate(2024, 3, 5), QTime(10, 15, 0));

inline const QString kKey = QStringLiteral("AB123456C");
inline const QString kSuffix = QStringLiteral(" (table_w field_id=41)");

// Positions of a table_ad row, as the website fills them.
using AdValues = QMap<int, QString>;

class AddressTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.appendConfig(testing::markedCodeTablesIni());
        inst.clock().set(kPassTime);
        im().SetPassDateToToday();
        LoadControlSettings(im());
        ASSERT_FALSE(im().SkipImport) << problems().join('\n').toStdString();
        ASSERT_EQ(im().config.codeTables.symbols, testing::kMarkedCodeTables.symbols);
        inst.reporter().clear();
    }

    Importer& im() { return inst.importer(); }
    ApplicationState& app() { return im().app; }
    QStringList problems() { return inst.reporter().problems(); }

    // A text value as the website stores it: encoded, with at least one marker symbol.
    static QString encoded(const QString& plain) { return testing::encodedWithMarker(plain, 1); }

    // The application: its table_w row, and the state the pass holds before the addresses.
    // A member number of 0 is not allowed here; newMember says whether the pass allocated it.
    void application(long memberNumber, bool newMember, const QString& rawKey = kKey,
                     const QString& secondKey = QString()) {
        inst.exec(QStringLiteral("online"),
                  QStringLiteral("INSERT INTO table_w (field_id, field_1, field_2, field_3, field_4, field_6, field_7, field_8, "
                                 "field_103, field_105, field_107, field_110) "
                                 "VALUES (41, '0', %1, 'Mr', 'John', 'Smith', '15/04/1985', 'M', %2, %3, 'N', '1')")
                      .arg(sqlText(rawKey), sqlText(encoded(QStringLiteral("john.web@example.com"))), sqlText(secondKey)));
        ApplicationState& a = app();
        a = ApplicationState{};
        a.fieldId = QStringLiteral("41");
        a.messageSuffix = kSuffix;
        a.rawField2 = rawKey;
        a.field[2] = kKey;
        a.field[3] = QStringLiteral("Mr");
        a.field[4] = QStringLiteral("John");
        a.field[6] = QStringLiteral("Smith");
        a.field[11] = QStringLiteral("A");
        a.field[103] = QStringLiteral("john.web@example.com");
        a.rawField105 = secondKey;
        a.memberNumber = memberNumber;
        a.newMemberNumber = newMember ? memberNumber : 0;
    }

    // One table_ad row; address texts (positions 7 to 19) are stored encoded.
    void address(const QString& type, AdValues values, const QString& key = kKey, const QString& state = QStringLiteral("I"),
                 const QString& processed = QStringLiteral("N")) {
        values[2] = key;
        values[3] = type;
        values[20] = state;
        values[21] = processed;
        QStringList columns{QStringLiteral("field_id")}, literals{QString::number(++nextAddressId_)};
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            const bool text = it.key() >= 7 && it.key() <= 19 && !it.value().isEmpty();
            columns << QStringLiteral("field_") + QString::number(it.key());
            literals << sqlText(text ? encoded(it.value()) : it.value());
        }
        inst.exec(QStringLiteral("online"), QStringLiteral("INSERT INTO table_ad (%1) VALUES (%2)")
                                                .arg(columns.join(QLatin1Char(',')), literals.join(QLatin1Char(','))));
    }

    void member(long number, const QString& forename, const QString& surname, const QString& status = QStringLiteral("A")) {
        inst.exec(QStringLiteral("TarvMain"),
                  QStringLiteral("INSERT INTO MemberMain (MemberNo, MemberStatus, Forename, Surname) VALUES (%1, %2, %3, %4)")
                      .arg(number)
                      .arg(sqlText(status), sqlText(forename), sqlText(surname)));
    }

    // A stored MemberAddress row; columns are (name, value) pairs after the key.
    void storedAddress(long number, const QString& type, const QMap<QString, QString>& columns) {
        QStringList names{QStringLiteral("MemberNo"), QStringLiteral("AddressType")};
        QStringList literals{QString::number(number), sqlText(type)};
        for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
            names << it.key();
            literals << sqlText(it.value());
        }
        inst.exec(QStringLiteral("TarvMain"), QStringLiteral("INSERT INTO MemberAddress (%1) VALUES (%2)")
                                                  .arg(names.join(QLatin1Char(',')), literals.join(QLatin1Char(','))));
    }

    // A column of a member's address row ("<null>" for Null, "<none>" when there is no row).
    QString stored(long number, const QString& type, const QString& column) {
        const QString where = QStringLiteral(" FROM MemberAddress WHERE MemberNo=%1 AND AddressType=%2").arg(number).arg(sqlText(type));
        if (inst.count(QStringLiteral("TarvMain"), QStringLiteral("SELECT *") + where) == 0) return QStringLiteral("<none>");
        const QVariant v = inst.scalar(QStringLiteral("TarvMain"), QStringLiteral("SELECT ") + column + where);
        return v.isNull() ? QStringLiteral("<null>") : v.toString();
    }

    QStringList lines(long number, const QString& type) {
        QStringList out;
        for (const char* c : {"Line1", "Line2", "Line3", "Line4", "Line5", "Postcode"}) out << stored(number, type, QLatin1String(c));
        return out;
    }

    QStringList addressTypes(long number) {
        return inst.values(QStringLiteral("TarvMain"),
                           QStringLiteral("SELECT AddressType FROM MemberAddress WHERE MemberNo=%1 ORDER BY AddressType").arg(number));
    }

    int rows(const QString& database, const QString& query) { return inst.count(database, query); }

    TestInstallation inst;

private:
    int nextAddressId_ = 0;
};

}  // namespace autovelt::test
