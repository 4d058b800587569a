#include "common/MemberNumberCode.h"
#include "common/VeltError.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

const MemberNumberCodeTable kRoundTable{{1000, 2000, 3000, 4000, 5000, 6000, 7000}};

TEST(MemberNumberCode, WorkedExamples) {
    struct Case { const char* number; const char* code; };
    const Case cases[] = {
        // 42: X = (2+50)²-89 = 2615; (2+50)²; f(4) f(2); then P(k)+X for k = 1..6.
        {"42", "2615" "2704" "3136" "2704" "3615" "4615" "5615" "6615" "7615" "8615"},
        // one digit: seven table numbers follow.
        {"7", "3755" "2500" "3844" "4755" "5755" "6755" "7755" "8755" "9755" "10755"},
        // eight digits: no table numbers at all.
        {"12345678", "4007" "4096" "2500" "2704" "2916" "3136" "3364" "3600" "3844" "4096"},
        // last digit 0: X = 48²-89.
        {"10", "2215" "2704" "2500" "2304" "3215" "4215" "5215" "6215" "7215" "8215"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeMemberNumber(QString::fromLatin1(c.number), kRoundTable), QString::fromLatin1(c.code)) << c.number;
    }
}

TEST(MemberNumberCode, ZeroValueGivesEmptyCode) {
    for (const char* text : {"", "0", "00000000", "abc", "  "}) {
        EXPECT_EQ(EncodeMemberNumber(QString::fromLatin1(text)), QString()) << text;
    }
}

TEST(MemberNumberCode, OneCodePerMember) {
    const QString code = EncodeMemberNumber(QStringLiteral("42"));
    EXPECT_EQ(EncodeMemberNumber(QStringLiteral("0042")), code);
    EXPECT_EQ(EncodeMemberNumber(QStringLiteral(" 42 ")), code);
    EXPECT_NE(EncodeMemberNumber(QStringLiteral("24")), code);
    EXPECT_NE(EncodeMemberNumber(QStringLiteral("420")), code);
}

TEST(MemberNumberCode, TableIsADeploymentValue) {
    EXPECT_NE(EncodeMemberNumber(QStringLiteral("42")), EncodeMemberNumber(QStringLiteral("42"), kRoundTable));
    // The table only supplies the padding, so eight-digit numbers do not depend on it.
    EXPECT_EQ(EncodeMemberNumber(QStringLiteral("99999999")), EncodeMemberNumber(QStringLiteral("99999999"), kRoundTable));
    for (int p : kDefaultMemberNumberCodeTable.p) {
        EXPECT_GE(p, 1000);
        EXPECT_LE(p, 9999);
    }
}

TEST(MemberNumberCode, CodesAreDigitsOnly) {
    for (const char* number : {"1", "99999999", "12345", "80000000"}) {
        const QString code = EncodeMemberNumber(QString::fromLatin1(number));
        ASSERT_FALSE(code.isEmpty());
        for (QChar c : code) EXPECT_TRUE(c >= u'0' && c <= u'9') << number;
    }
}

TEST(MemberNumberCode, NotAMemberNumberIsAnError) {
    for (const char* text : {"123456789", "12a", "-5", "1.5", "1 2"}) {
        try {
            EncodeMemberNumber(QString::fromLatin1(text));
            ADD_FAILURE() << "no error for " << text;
        } catch (const VeltError& e) {
            EXPECT_EQ(e.number(), 5) << text;
        }
    }
}

}  // namespace
