// The website's encoding (tests/support/OnlineEncoder) against the importer's decoding: deployed tables and UTF-8 text,
// and numbers with leading zeros up to the 32-bit limit. (Texts of every ANSI character and length: the
// fuzz_online_round_trip target, whose seeds hold the longest text.)

#include "support/OnlineEncoder.h"
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
