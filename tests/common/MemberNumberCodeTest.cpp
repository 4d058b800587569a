#include "common/MemberNumberCode.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

const MemberNumberCodeTable kRoundTable{{1000, 2000, 3000, 4000, 5000, 6000, 7000}};

// expected: the code, "" for a member number of value 0, nullptr where error 5 is raised.
TEST(MemberNumberCode, CodesOfWorkedExamplesBlanksAndErrors) {
    const struct { const char* number; const char* code; } cases[] = {
        // 42: X = (2+50)²-89 = 2615; (2+50)²; f(4) f(2); then P(k)+X for k = 1..6. Leading zeros give the same code.
        {"0042", "2615" "2704" "3136" "2704" "3615" "4615" "5615" "6615" "7615" "8615"},
        {"7", "3755" "2500" "3844" "4755" "5755" "6755" "7755" "8755" "9755" "10755"},  // one digit: seven table numbers follow
        {"12345678", "4007" "4096" "2500" "2704" "2916" "3136" "3364" "3600" "3844" "4096"},  // eight digits: no table numbers
        {"10", "2215" "2704" "2500" "2304" "3215" "4215" "5215" "6215" "7215" "8215"},  // last digit 0: X = 48²-89
        {"", ""}, {"00000000", ""}, {"abc", ""}, {"123456789", nullptr}, {"12a", nullptr}, {"-5", nullptr},
    };
    for (const auto& c : cases) {
        QString code;
        const QString error = test::ErrorOf([&] { code = EncodeMemberNumber(QString::fromLatin1(c.number), kRoundTable); });
        EXPECT_EQ(error.section(' ', 0, 0) + ' ' + code, c.code ? "no " + QString::fromLatin1(c.code) : "5 ") << c.number;
    }
    // The table is the installation's: the default one gives another code.
    EXPECT_NE(EncodeMemberNumber(QStringLiteral("42")), EncodeMemberNumber(QStringLiteral("42"), kRoundTable));
}

}  // namespace
