#include "import/MemberMatching.h"

#include "state/Importer.h"
#include "comms/AuditTrail.h"
#include "common/NameCaps.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "import/ExistingMemberChecks.h"
#include "import/MemberNumbers.h"
#include "import/Refusal.h"

#include <optional>

namespace autovelt {

namespace {

struct MatchRule {
    QString query;
    QString singleMatchText;   // follows "... we have them under <n>"
    QString multipleMatchText; // followed by the count
};

db::Recordset openMembers(Importer& importer, const QString& jetQuery) {
    return importer.connections.TarvMain.openRecordset(jetQuery, db::clientReadOnlyCursor());
}

void reportAlreadyAMember(Importer& importer, const QString& matchText) {
    ApplicationState& app = importer.app;
    importer.ShowException(QStringLiteral("Member thought they were a new member, but we have them under ") +
                           QString::number(app.memberNumber) + matchText + app.messageSuffix);
    if (app.isJoinOnly())
        AddWebLogEntry(importer, QStringLiteral("Member applied for membership but they are already an existing member"),
                       QStringLiteral("JOIN"), QStringLiteral("NOTNEW"), QString::number(app.memberNumber));
    else
        AddWebLogEntry(importer,
                       QStringLiteral("Member applied to join and borrow but they are already an existing member"),
                       QStringLiteral("JOINBORROW"), QStringLiteral("NOTNEW"), QString::number(app.memberNumber));
}

MemberMatch refuseAmbiguousMatch(Importer& importer, const QString& multipleMatchText, int count) {
    RefuseApplication(importer, {multipleMatchText + QString::number(count) + QStringLiteral(" records so application is being skipped.")});
    return {.refused = true};
}

// Nothing when the rule found no member; else what it decided (a match, or a refusal).
std::optional<MemberMatch> applyRule(Importer& importer, const MatchRule& rule) {
    db::Recordset members = openMembers(importer, rule.query);
    if (members.eof()) return std::nullopt;
    if (members.recordCount() > 1) return refuseAmbiguousMatch(importer, rule.multipleMatchText, members.recordCount());
    importer.app.memberNumber = members.value(QStringLiteral("MemberNo")).toLongLong();
    reportAlreadyAMember(importer, rule.singleMatchText);
    return CheckExistingMemberDetails(importer, members);
}

MatchRule byNationalInsuranceNumber(const Importer& importer) {
    const QString number = importer.app.cleanedNINumber;
    return {QStringLiteral("SELECT * FROM MemberMain WHERE NINumber='") + sqlTextBody(number) + QStringLiteral("' ;"),
            QStringLiteral(" as match made on NINO of ") + number + QLatin1Char('.'),
            QStringLiteral("Member thought they were a new member, but we have matched NINO to ")};
}

MatchRule byNameAndDateOfBirth(const Importer& importer) {
    const auto& field = importer.app.field;
    const QString initial = field[4].left(1).toUpper();
    QString surname = field[6];
    if (importer.settings.MixedCase) surname = FirstLettersCaps(surname);
    const QDate born = parseDayFirstDate(field[7]).value_or(QDate());
    return {QStringLiteral("SELECT * FROM MemberMain WHERE Surname='") + sqlTextBody(surname) +
                QStringLiteral("' AND Forename LIKE ") + sqlLikeStartsWith(initial) + QStringLiteral(" AND DOB=#") +
                formatDate(born, QStringLiteral("mm/dd/yyyy")) + QStringLiteral("# ;"),
            QStringLiteral(" as match made on Name and DoB."),
            QStringLiteral("Member thought they were a new member, but we have matched Name and DoB to ")};
}

// Nothing when the number is no use: it matches no member and is not one the credit
// union could have allocated, so the applicant is taken as new (and, when new, gets a
// number of ours).
std::optional<MemberMatch> matchByGivenNumber(Importer& importer, long given) {
    db::Recordset member =
        openMembers(importer, QStringLiteral("SELECT * FROM MemberMain WHERE MemberNo=") + QString::number(given) + QStringLiteral(" ;"));
    if (member.eof() && !WithinAllocatedNumbers(importer, given)) {
        importer.ShowException(QStringLiteral("Member number ") + QString::number(given) +
                               QStringLiteral(" given on the application matches no member and was never allocated - "
                                              "treated as a new applicant.") +
                               importer.app.messageSuffix);
        return std::nullopt;
    }
    importer.app.memberNumber = given;
    if (member.eof()) return MemberMatch{};
    return CheckExistingMemberDetails(importer, member);
}

}  // namespace

long GivenMemberNumber(const ApplicationState& app) {
    return static_cast<long>(roundHalfEven(leadingNumber(app.field[1])));
}

MemberMatch MatchApplicant(Importer& importer) {
    const long given = GivenMemberNumber(importer.app);
    if (given != 0)
        if (const std::optional<MemberMatch> match = matchByGivenNumber(importer, given)) return *match;
    if (!importer.app.cleanedNINumber.isEmpty())
        if (const std::optional<MemberMatch> match = applyRule(importer, byNationalInsuranceNumber(importer))) return *match;
    return applyRule(importer, byNameAndDateOfBirth(importer)).value_or(MemberMatch{});
}

}  // namespace autovelt
