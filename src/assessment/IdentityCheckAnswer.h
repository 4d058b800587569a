#pragma once

// Reading the agency's answer to an identity check. The answer is read by the texts it
// holds, as the agency documents them, so an answer that is not even XML (a failure to
// reach the agency, a broken reply) is read the same way and simply holds no result.

#include <QString>
#include <optional>

namespace autovelt::inline assessment {

struct IdentityAnswer {
    bool hasResult = false;  // the answer holds "<IdentityResult>"
    QString result;          // "Pass", "Fail", ...; "Fail" when the answer holds no result
    QString score;           // the identity score, empty when the answer holds none
    QString pid;             // the agency's reference of the check
};
IdentityAnswer ReadIdentityAnswer(const QString& answer);

// Why a passed check is failed all the same; the first reason that applies, in this order.
enum class IdentityDowngrade { None, BankDetails, InsufficientDetail, PepMatch, SanctionsMatch };
IdentityDowngrade DowngradeOf(const QString& answer, bool bankDetailsSent, const QString& applicationName);

// What a refusal says: the content of "<Errors>", or the whole answer when it reports an
// "Error:" of its own; nothing when it says neither.
std::optional<QString> RefusalText(const QString& answer);

// The answer as it is filed for the member: its declaration names the agency's style sheet.
QString FiledIdentityAnswer(QString answer);

}  // namespace autovelt::assessment
