#include "common/MemberNumberCode.h"

#include "common/Values.h"
#include "common/VeltError.h"

namespace autovelt::inline common {

namespace {

constexpr int kMaxMemberNumberDigits = 8;

VeltError notAMemberNumber() {
    return VeltError(5, QStringLiteral("EncodeMemberNumber"), QStringLiteral("Invalid procedure call or argument"));
}

// The member number's digits without blanks or leading zeros.
QString canonicalDigits(const QString& memberNumber) {
    QString digits = memberNumber.trimmed();
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') throw notAMemberNumber();
    }
    while (digits.startsWith(u'0')) digits.remove(0, 1);
    if (digits.isEmpty() || digits.size() > kMaxMemberNumberDigits) throw notAMemberNumber();
    return digits;
}

// (value of the character + its character code)², for one decimal digit character.
long long square(QChar digit) {
    const long long base = (digit.unicode() - u'0') + digit.unicode();
    return base * base;
}

// (L + character code of the first character of L written as text)².
long long lengthTerm(int length) {
    const long long base = length + QString::number(length).front().unicode();
    return base * base;
}

}  // namespace

QString EncodeMemberNumber(const QString& memberNumber, const MemberNumberCodeTable& table) {
    if (leadingNumber(memberNumber) == 0.0) return QString();
    const QString digits = canonicalDigits(memberNumber);
    const int length = int(digits.size());
    const long long x = square(digits.back()) - 89;
    QString code = QString::number(x) + QString::number(lengthTerm(length));
    for (QChar c : digits) code += QString::number(square(c));
    for (int k = 0; k < kMaxMemberNumberDigits - length; ++k) code += QString::number(table.p[std::size_t(k)] + x);
    return code;
}

}  // namespace autovelt::common
