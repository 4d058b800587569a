#include "assessment/IdentityCheckAnswer.h"

#include "assessment/AgencyExchange.h"
#include "assessment/IdentityCheckRequest.h"

namespace autovelt::inline assessment {

namespace {

// The agency's reference is an attribute value of up to 30 characters; it ends at its
// closing quote.
QString referenceOf(const QString& answer) {
    const qsizetype at = answer.indexOf(QLatin1String("PID="));
    if (at < 0) return {};
    QString pid = answer.mid(at + 5, 30);
    const qsizetype quote = pid.indexOf(QLatin1Char('"'));
    return quote < 0 ? pid : pid.left(quote);
}

bool countsAny(const QString& answer, const QString& element) {
    return answer.contains(QLatin1Char('<') + element + QLatin1Char('>')) &&
           !answer.contains(QLatin1Char('<') + element + QStringLiteral(">0<"));
}

bool bankAnomaly(const QString& answer) {
    if (answer.contains(QLatin1String("<BankAccountPremiumIdentityMatch>false</BankAccountPremiumIdentityMatch>")) ||
        answer.contains(QLatin1String("Validation Failure INVALID - Account Number")) ||
        answer.contains(QLatin1String("<BankAccountClosedWarning>true")))
        return true;
    const qsizetype enhanced = answer.indexOf(QLatin1String("<BankcheckEnhanced>"));
    return enhanced >= 0 && answer.indexOf(QLatin1String("<RESULT>F"), enhanced) >= 0;
}

}  // namespace

IdentityAnswer ReadIdentityAnswer(const QString& answer) {
    IdentityAnswer read;
    read.hasResult = answer.contains(QLatin1String("<IdentityResult>"));
    read.result = read.hasResult ? TextBetween(answer, QStringLiteral("<IdentityResult>"), QStringLiteral("</IdentityResult>"))
                                 : QStringLiteral("Fail");
    read.score = TextBetween(answer, QStringLiteral("<IdentityScore>"), QStringLiteral("</IdentityScore>"));
    read.pid = referenceOf(answer);
    return read;
}

IdentityDowngrade DowngradeOf(const QString& answer, bool bankDetailsSent, const QString& applicationName) {
    if (bankDetailsSent && bankAnomaly(answer)) return IdentityDowngrade::BankDetails;
    if (!answer.contains(QLatin1String("<matchlevel>IndividualReport</matchlevel>")))
        return IdentityDowngrade::InsufficientDetail;
    if (ScreensWatchlists(applicationName)) {
        if (countsAny(answer, QStringLiteral("CountOfPEPs"))) return IdentityDowngrade::PepMatch;
        if (countsAny(answer, QStringLiteral("CountOfSanctions"))) return IdentityDowngrade::SanctionsMatch;
    }
    return IdentityDowngrade::None;
}

std::optional<QString> RefusalText(const QString& answer) {
    if (answer.contains(QLatin1String("<Errors>"))) return TextBetween(answer, QStringLiteral("<Errors>"), QStringLiteral("</Errors>"));
    if (answer.contains(QLatin1String("Error:"))) return answer;
    return std::nullopt;
}

QString FiledIdentityAnswer(QString answer) {
    return answer.replace(QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
                          QLatin1String("<?xml version=\"1.0\" encoding=\"utf-8\"?><?xml-stylesheet type=\"text/xsl\" "
                                        "href=\"CallValidate535.xslt\"?>"));
}

}  // namespace autovelt::assessment
