// The website's encoding (tests/support/OnlineEncoder) against the importer's decoding,
// over many generated values.

#include "support/OnlineEncoder.h"
#include "common/AnsiCodePage.h"
#include "common/OnlineDecoding.h"
#include "common/VeltError.h"

#include <gtest/gtest.h>

#include <random>

using namespace autovelt;
using namespace autovelt::testing;

namespace {

const SymbolUse kAllSymbolUses[] = {SymbolUse::None, SymbolUse::Some, SymbolUse::All};

void expectFieldRoundTrip(const QString& plain, uint32_t seed, const OnlineCodeTables& tables = OnlineCodeTables()) {
    for (SymbolUse use : kAllSymbolUses) {
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

TEST(OnlineRoundTrip, EveryPrintableAsciiCharacterAtManyPositions) {
    expectFieldRoundTrip(QStringLiteral("O''Hara d'Arcy-Smith, Flat 3, No #5 ' "), 1);
    QString printable;
    for (char16_t c = 32; c <= 126; ++c) printable += QChar(c);
    for (int start = 0; start < printable.size(); ++start) {
        const QString chunk = (printable + printable).mid(start, 20);
        expectFieldRoundTrip(chunk, uint32_t(start));
    }
    // All 95 in one value: high codes first keeps every group within four digits.
    QString descending = printable;
    std::reverse(descending.begin(), descending.end());
    expectFieldRoundTrip(descending, 7);
}

TEST(OnlineRoundTrip, EveryAnsiCode) {
    for (int start = 0; start < 256; start += 16) {
        QString chunk;
        for (int code = start; code < start + 16; ++code) chunk += ansiCharacter(code);
        expectFieldRoundTrip(chunk, uint32_t(start));
    }
}

TEST(OnlineRoundTrip, GeneratedTextsOfEveryLengthUpTo79) {
    std::mt19937 rng(20210102);
    for (int length = 0; length <= 79; ++length) {
        for (int sample = 0; sample < 5; ++sample) {
            expectFieldRoundTrip(randomText(rng, length, 32, 122), uint32_t(length * 10 + sample));
        }
    }
}

TEST(OnlineRoundTrip, LongTextsUpToTheLimitOf255Characters) {
    expectFieldRoundTrip(QString(255, u' '), 1);
    expectFieldRoundTrip(QString(255, u'&'), 2);
    std::mt19937 rng(42);
    expectFieldRoundTrip(randomText(rng, 255, 32, 38), 3);
    expectFieldRoundTrip(randomText(rng, 80, u'a', u'z'), 4);
    expectFieldRoundTrip(randomText(rng, 150, u'0', u'9'), 5);
}

TEST(OnlineRoundTrip, DeployedTablesOfAnotherShape) {
    const OnlineCodeTables deployed{QStringLiteral("92740516389274051638"), QStringLiteral("#^)~@%*+=?#^)~@%*+=?")};
    for (uint32_t seed = 0; seed < 20; ++seed) expectFieldRoundTrip(QStringLiteral("Mary O'Neil"), seed, deployed);
    // With these tables every digit has a marker symbol, so a value written wholly in
    // symbols is recognisably text-encoded and never read as a number.
    const QString encoded = encodeOnlineField(QStringLiteral("42"), 3, SymbolUse::All, deployed);
    EXPECT_EQ(DecodeOnlineNumber(encoded), QString());
}

TEST(OnlineRoundTrip, Utf8AsTheWebsiteSendsIt) {
    EXPECT_EQ(DecodeOnlineField(encodeOnlineFieldUtf8(QStringLiteral("O\u2019Neil"), 1)),
              QStringLiteral("O\u00E2\u20AC\u2122Neil"));
    EXPECT_EQ(DecodeOnlineField(encodeOnlineFieldUtf8(QStringLiteral("plain"), 2)), QStringLiteral("plain"));
}

TEST(OnlineRoundTrip, NumbersWithLeadingZeros) {
    struct Case { const char* digits; const char* decoded; };
    const Case cases[] = {
        {"0", "0"}, {"0042", "42"}, {"00000000", "0"}, {"2147483647", "2147483647"},
        {"0000000000000000002147483647", "2147483647"}, {"00000001", "1"}, {"99999999", "99999999"},
    };
    for (const auto& c : cases) {
        const QString digits = QString::fromLatin1(c.digits);
        if (digits.size() > 26) {
            EXPECT_THROW(encodeOnlineNumber(digits, 1), OnlineEncodingError) << c.digits;
            continue;
        }
        for (uint32_t seed = 0; seed < 10; ++seed) {
            EXPECT_EQ(DecodeOnlineNumber(encodeOnlineNumber(digits, seed)), QString::fromLatin1(c.decoded)) << c.digits;
        }
    }
}

TEST(OnlineRoundTrip, GeneratedNumbers) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> value(0, std::numeric_limits<int32_t>::max());
    std::uniform_int_distribution<int> zeros(0, 16);
    for (uint32_t seed = 0; seed < 2000; ++seed) {
        const int32_t number = seed < 100 ? int32_t(seed) : value(rng);
        const QString digits = QString(zeros(rng), u'0') + QString::number(number);
        const QString encoded = encodeOnlineNumber(digits, seed);
        ASSERT_EQ(encoded.size(), 8 + 4 * digits.size());
        ASSERT_EQ(DecodeOnlineNumber(encoded), QString::number(number)) << digits.toStdString();
    }
}

TEST(OnlineEncoder, IsDeterministicPerSeedAndVariesAcrossSeeds) {
    const QString plain = QStringLiteral("Smith");
    EXPECT_EQ(encodeOnlineField(plain, 9), encodeOnlineField(plain, 9));
    EXPECT_NE(encodeOnlineField(plain, 9), encodeOnlineField(plain, 10));
    EXPECT_EQ(encodeOnlineNumber(42, 9), encodeOnlineNumber(42, 9));
    EXPECT_NE(encodeOnlineNumber(42, 9), encodeOnlineNumber(42, 10));
}

TEST(OnlineEncoder, SymbolUseControlsTheCharactersWritten) {
    const OnlineCodeTables tables;
    const QString none = encodeOnlineField(QStringLiteral("Smith"), 4, SymbolUse::None);
    for (QChar c : none) EXPECT_TRUE(c.isDigit());
    const QString all = encodeOnlineField(QStringLiteral("Smith"), 4, SymbolUse::All);
    for (QChar c : all) EXPECT_TRUE(tables.symbols.contains(c)) << all.toStdString();
    const QString number = encodeOnlineNumber(QStringLiteral("12345"), 4);
    for (QChar c : number) EXPECT_TRUE(c.isDigit());
}

TEST(OnlineEncoder, RefusesValuesWithoutAnEncodedForm) {
    EXPECT_THROW(encodeOnlineField(QStringLiteral("\u4E2D"), 1), OnlineEncodingError);
    EXPECT_THROW(encodeOnlineField(QString(256, u' '), 1), OnlineEncodingError);
    EXPECT_THROW(encodeOnlineField(QString(200, u'z'), 1), OnlineEncodingError);
    EXPECT_THROW(encodeOnlineNumber(QString(), 1), OnlineEncodingError);
    EXPECT_THROW(encodeOnlineNumber(QStringLiteral("12a"), 1), OnlineEncodingError);
    EXPECT_THROW(encodeOnlineNumber(QString(27, u'1'), 1), OnlineEncodingError);
}

}  // namespace
