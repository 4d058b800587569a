#include "import/MemberMatching.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "comms/AuditTrail.h"
#include "common/NameCaps.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "import/ExistingMemberChecks.h"
#include "import/MemberNumbers.h"
#include "import/Refusal.h"

#include <optional>

namespace autovelt::inline import {

namespace {

struct MatchRule {
    QString query;
    QString singleMatchText;   // follows "... we have them under <n>"
    QString multipleMatchText; // followed by the count
};

db::Recordset openMembers(UnitSession& session, const QString& jetQuery) {
    return session.connections.TarvMain.openRecordset(jetQuery, db::clientReadOnlyCursor());
}

void reportAlreadyAMember(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                          long memberNumber, const QString& matchText) {
    session.ShowException(QStringLiteral("Member thought they were a new member, but we have them under ") +
                          QString::number(memberNumber) + matchText + app.messageSuffix);
    if (app.isJoinOnly())
        AddWebLogEntry(cycle, session, app,
                       QStringLiteral("Member applied for membership but they are already an existing member"),
                       QStringLiteral("JOIN"), QStringLiteral("NOTNEW"), QString::number(memberNumber));
    else
        AddWebLogEntry(cycle, session, app,
                       QStringLiteral("Member applied to join and borrow but they are already an existing member"),
                       QStringLiteral("JOINBORROW"), QStringLiteral("NOTNEW"), QString::number(memberNumber));
}

MemberMatch ambiguousMatch(const QString& multipleMatchText, int count) {
    return {.refusal = Refusal{multipleMatchText + QString::number(count) +
                               QStringLiteral(" records so application is being skipped.")}};
}

// Nothing when the rule found no member; else what it decided (a match, or a refusal).
std::optional<MemberMatch> applyRule(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const MatchRule& rule) {
    db::Recordset members = openMembers(session, rule.query);
    if (members.eof()) return std::nullopt;
    if (members.recordCount() > 1) return ambiguousMatch(rule.multipleMatchText, members.recordCount());
    const long memberNumber = members.value(QStringLiteral("MemberNo")).toLongLong();
    reportAlreadyAMember(cycle, session, app, memberNumber, rule.singleMatchText);
    return CheckExistingMemberDetails(session, app, memberNumber, members);
}

MatchRule byNationalInsuranceNumber(const ApplicationState& app) {
    const QString number = app.cleanedNINumber;
    return {QStringLiteral("SELECT * FROM MemberMain WHERE NINumber='") + sqlTextBody(number) + QStringLiteral("' ;"),
            QStringLiteral(" as match made on NINO of ") + number + QLatin1Char('.'),
            QStringLiteral("Member thought they were a new member, but we have matched NINO to ")};
}

MatchRule byNameAndDateOfBirth(const CycleContext& cycle, const ApplicationState& app) {
    const auto& field = app.field;
    const QString initial = field[tw::Forename].left(1).toUpper();
    QString surname = field[tw::Surname];
    if (cycle.settings.MixedCase) surname = FirstLettersCaps(surname);
    const QDate born = app.dateOfBirth().value_or(QDate());
    return {QStringLiteral("SELECT * FROM MemberMain WHERE Surname='") + sqlTextBody(surname) +
                QStringLiteral("' AND Forename LIKE ") + sqlLikeStartsWith(initial) + QStringLiteral(" AND DOB=#") +
                formatDate(born, QStringLiteral("mm/dd/yyyy")) + QStringLiteral("# ;"),
            QStringLiteral(" as match made on Name and DoB."),
            QStringLiteral("Member thought they were a new member, but we have matched Name and DoB to ")};
}

// Nothing when the number is no use: it matches no member and is not one the credit
// union could have allocated, so the applicant is taken as new (and, when new, gets a
// number of ours).
std::optional<MemberMatch> matchByGivenNumber(UnitSession& session, const ApplicationState& app, long given) {
    db::Recordset member = openMembers(session, QStringLiteral("SELECT * FROM MemberMain WHERE MemberNo=") +
                                                    QString::number(given) + QStringLiteral(" ;"));
    if (member.eof() && !WithinAllocatedNumbers(session, given)) {
        session.ShowException(QStringLiteral("Member number ") + QString::number(given) +
                              QStringLiteral(" given on the application matches no member and was never allocated - "
                                             "treated as a new applicant.") +
                              app.messageSuffix);
        return std::nullopt;
    }
    if (member.eof()) return MemberMatch{.memberNumber = given};
    return CheckExistingMemberDetails(session, app, given, member);
}

}  // namespace

MemberMatch MatchApplicant(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    const long given = app.givenMemberNumber();
    if (given != 0)
        if (const std::optional<MemberMatch> match = matchByGivenNumber(session, app, given)) return *match;
    if (!app.cleanedNINumber.isEmpty())
        if (const std::optional<MemberMatch> match = applyRule(cycle, session, app, byNationalInsuranceNumber(app)))
            return *match;
    return applyRule(cycle, session, app, byNameAndDateOfBirth(cycle, app)).value_or(MemberMatch{});
}

}  // namespace autovelt::import
