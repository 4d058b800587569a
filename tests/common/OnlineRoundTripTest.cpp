// The website's encoding (tests/support/OnlineEncoder) against the importer's decoding, over many generated values.

#include "support/OnlineEncoder.h"
#include "common/AnsiCodePage.h"
#include "common/OnlineDecoding.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <random>

using namespace autovelt;
using namespace autovelt::testing;

namespace {

void expectFieldRoundTrip(const QString& plain, uint32_t seed, const OnlineCodeTables& tables = OnlineCodeTables()) {
    for (SymbolUse use : {SymbolUse::None, SymbolUse::Some, SymbolUse::All}) {
        const QString encoded = encodeOnlineField(plain, seed, use, tables);
        ASSERT_EQ(encoded.size(), 32 + 4 * plain.size());
        EXPECT_EQ(DecodeOnlineField(encoded, tables), plain)
            << "seed " << seed << " use " << int(use) << " encoded " << encoded.toStdString();
    }
}

QString randomText(std::mt19937& rng, int length, char16_t low, char16_t high) {
    std::uniform_int_distribution<int> pick(low, high);
    QString text;
    for (int i = 0; i < length; ++i) text += QChar(char16_t(pick(rng)));
    return text;
}

// Every printable ASCII character at many positions, every ANSI code, every length up to 79
// and long texts up to the limit of 255 characters.
TEST(OnlineRoundTrip, TextsOfEveryCharacterAndLength) {
    QStringList texts{QStringLiteral("O''Hara d'Arcy-Smith, Flat 3, No #5 ' "), QString(255, u' '), QString(255, u'&')};
    QString printable;
    for (char16_t c = 32; c <= 126; ++c) printable += QChar(c);
    for (int start = 0; start < printable.size(); ++start) texts << (printable + printable).mid(start, 20);
    QString descending = printable;  // all 95 in one value: high codes first keep every group to four digits
    std::reverse(descending.begin(), descending.end());
    texts << descending;
    for (int start = 0; start < 256; start += 16) {
        QString chunk;
        for (int code = start; code < start + 16; ++code) chunk += ansiCharacter(code);
        texts << chunk;
    }
    std::mt19937 rng(20210102);
    for (int length = 0; length <= 79; ++length)
        for (int sample = 0; sample < 5; ++sample) texts << randomText(rng, length, 32, 122);
    texts << randomText(rng, 255, 32, 38) << randomText(rng, 80, u'a', u'z') << randomText(rng, 150, u'0', u'9');
    for (int i = 0; i < texts.size(); ++i) expectFieldRoundTrip(texts[i], uint32_t(i));
}

TEST(OnlineRoundTrip, DeployedTablesOfAnotherShapeAndUtf8) {
    const OnlineCodeTables deployed{QStringLiteral("92740516389274051638"), QStringLiteral("#^)~@%*+=?#^)~@%*+=?")};
    for (uint32_t seed = 0; seed < 20; ++seed) expectFieldRoundTrip(QStringLiteral("Mary O'Neil"), seed, deployed);
    // Here every digit has a marker symbol: a value wholly in symbols is text, never a number.
    EXPECT_EQ(DecodeOnlineNumber(encodeOnlineField(QStringLiteral("42"), 3, SymbolUse::All, deployed)), QString());
    // The website sends UTF-8 bytes, each read as one ANSI character.
    EXPECT_EQ(DecodeOnlineField(encodeOnlineFieldUtf8(QStringLiteral("O\u2019Neil"), 1)), QStringLiteral("O\u00E2\u20AC\u2122Neil"));
}

TEST(OnlineRoundTrip, NumbersWithLeadingZeros) {
    QStringList digits{"0", "00000000", "2147483647", "99999999"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> value(0, std::numeric_limits<int32_t>::max());
    std::uniform_int_distribution<int> zeros(0, 16);
    for (int32_t n = 0; n < 100; ++n) digits << QString(zeros(rng), u'0') + QString::number(n);
    for (int i = 0; i < 1900; ++i) digits << QString(zeros(rng), u'0') + QString::number(value(rng));
    for (int i = 0; i < digits.size(); ++i) {
        const QString encoded = encodeOnlineNumber(digits[i], uint32_t(i));
        ASSERT_EQ(encoded.size(), 8 + 4 * digits[i].size());
        ASSERT_EQ(DecodeOnlineNumber(encoded), QString::number(digits[i].toLongLong())) << digits[i].toStdString();
    }
}

}  // namespace
