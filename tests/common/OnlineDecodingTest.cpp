#include "common/OnlineDecoding.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>

using namespace autovelt;

namespace {

// Hand-built text values: 10 free characters, P, Q, 4 free, the groups, a trailer.
QString fieldValue(const QString& p, const QString& q, const QStringList& groups, int trailer = 10) {
    return QStringLiteral("0123456789") + p + q + QStringLiteral("0000") + groups.join(QString()) + QString(trailer, u'7');
}

// c = (G - (j + 97) - D) / (j + 3), rounded half to even; D = Q - P. Errors give empty text.
TEST(OnlineDecodingField, HandBuiltValuesAndErrors) {
    const struct { const char* name; QString value; QString plain; } cases[] = {
        {"one character", fieldValue("1000", "1000", {"0358"}), "A"},  // 65·4 + 98
        {"shift D = Q - P", fieldValue("1000", "1100", {"0458"}), "A"}, {"negative shift", fieldValue("1100", "1000", {"0258"}), "A"},
        {"second group uses j = 2", fieldValue("1000", "1000", {"0358", "0429"}), "AB"},  // 66·5 + 99
        {"65.5 rounds to even", fieldValue("1000", "1000", {"0360"}), "B"},
        {"66.5 rounds to even", fieldValue("1000", "1000", {"0364"}), "B"},
        {"code 0 is a character", fieldValue("1000", "1000", {"0098"}), QString(QChar(0))},
        {"ANSI 128 is the euro sign", fieldValue("1000", "1000", {"0610"}), QStringLiteral("\u20AC")},
        {"default table symbols", QStringLiteral("0123456789R!!!R!!!0000!TQk7777777777"), "A"},
        {"length 42: 2.5 characters round to 2", fieldValue("1000", "1000", {"0358", "0429"}, 12), "AB"},
        {"29 characters", QString(29, u'1'), ""}, {"P not a number", fieldValue("1x00", "1000", {"0358"}), ""},
        {"code above 255", fieldValue("1000", "1000", {"9999"}), ""}, {"negative code", fieldValue("1000", "1000", {"0000"}), ""},
        {"16-bit overflow of Q - P", fieldValue("-3e4", "03e4", {"0358"}), ""},
        {"256 characters", fieldValue("1000", "1000", QStringList(256, QStringLiteral("0358"))), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeOnlineField(c.value), c.plain) << c.name;
}

// Tables whose two halves differ, so that which ten positions apply can be seen: a value
// of one character uses positions 2 to 11, turning B..K into 1..9,0.
TEST(OnlineDecodingField, OnlyTheWindowOfTenSymbolsIsSubstituted) {
    const OnlineCodeTables split{QStringLiteral("01234567890123456789"), QStringLiteral("ABCDEFGHIJKLMNOPQRST")};
    // P = Q = "BKKK" (1000), group "KDFI" (0358); 'A' and 'T' fall outside the window.
    const QString value = QStringLiteral("AAAAAAAAAA") + "BKKK" + "BKKK" + "KKKK" + "KDFI" + "TTTTTTTTTT";
    EXPECT_EQ(DecodeOnlineField(value, split), QStringLiteral("A"));
    for (const char* first : {"A", "L"})  // the first group character outside the window is left as it is
        EXPECT_EQ(DecodeOnlineField(QString(value).replace(22, 1, QLatin1String(first)), split), QString()) << first;
    EXPECT_EQ(DecodeOnlineField(value), QString()) << "the default tables know none of these symbols";
    EXPECT_EQ(DecodeOnlineField(fieldValue("1000", "1000", {"0358"}), OnlineCodeTables{"0123", "abcd"}), QString()) << "tables too short";
}

// Encoded numbers: 4 free digits, B (the count), then one group per digit. A value marked as
// text ("#", "^", ")") or empty gives empty text; a malformed number raises its error.
TEST(OnlineDecodingNumber, HandBuiltValuesAndErrors) {
    const struct { const char* name; QString value; const char* number; long error; } cases[] = {
        // B = 3136 -> √ 56 -> 4 digits; groups 2304, 2304, 3136, 2700 -> 0, 0, 4, 2 (2700 + 4 = 52²).
        {"leading zeros go", "1234" "3136" "2304" "2304" "3136" "2700", "42", 0},
        {"count 4.5 rounds to even", "1234" "3249" "2304" "2304" "3136" "2700", "42", 0},
        {"digit 0.5 rounds to even", "1234" "2500" "2401", "0", 0},  // √2401 = 49 -> 0.5 -> 0
        {"empty", "", "", 0}, {"#", "#", "", 0}, {"^ inside", "1234^3136", "", 0}, {") inside", "1234)3136", "", 0},
        {"group not a number", "1234" "3136" "2304" "23x4" "3136" "2700", nullptr, 13},
        {"a group missing", "1234" "3136" "2304", nullptr, 13},
        {"count above 255", "1234" "01e9", nullptr, 6}, {"root of a negative number", "1234" "-100", nullptr, 5},
        // eleven nines: B = 4900 (√ 70 -> 11), first group 4356 (66²), then 4347 + 9 each.
        {"decoded number beyond 32 bits", QStringLiteral("1234" "4900" "4356") + QStringLiteral("4347").repeated(10), nullptr, 6},
    };
    const std::map<long, QString> descriptions{{5, "Invalid procedure call or argument"}, {6, "Overflow"}, {13, "Type mismatch"}};
    for (const auto& c : cases) {
        QString result;
        const QString error = test::ErrorOf([&] { result = DecodeOnlineNumber(c.value); });
        EXPECT_EQ(error + '|' + result, c.error ? QString::number(c.error) + ' ' + descriptions.at(c.error) + '|' : "no error|" + QString(c.number))
            << c.name;
    }
}

}  // namespace
