#include "import/ExistingMemberChecks.h"

#include "state/ApplicationState.h"
#include "state/UnitSession.h"
#include "common/Values.h"
#include "import/Refusal.h"
#include "platform/db/Recordset.h"

namespace autovelt::inline import {

namespace {

QString comparable(const QString& value) { return value.trimmed().toUpper(); }

QString comparableSurname(QString value) { return comparable(value.remove(QLatin1Char('\''))); }

class Checks {
public:
    Checks(UnitSession& session, const ApplicationState& app, long memberNumber, const db::Recordset& member)
        : session_(session), app_(app), member_(member), field_(app.field), n_(QString::number(memberNumber)) {}

    // Each returns the refusal, or nothing when the check lets the application on (a title
    // or middle name that differs is only noted).
    std::optional<Refusal> nationalInsuranceNumber();
    std::optional<Refusal> dateOfBirth();
    std::optional<Refusal> title();
    std::optional<Refusal> forename();
    std::optional<Refusal> middleName();
    std::optional<Refusal> surname();
    std::optional<Refusal> status();
    std::optional<Refusal> email();
    std::optional<Refusal> pendingLoan();
    bool identityConfirmed();
    bool rejoin() const { return rejoin_; }

private:
    // Read once: the e-mail check and the identity confirmation both compare with it.
    const QString& heldEmail();

    QString held(const char* column) const { return member_.text(QLatin1String(column)); }
    void fyi(const QString& line) {
        session_.ShowException(QStringLiteral("FYI Member ") + n_ + line + app_.messageSuffix);
    }
    // A refusal of an existing member's application: no failure email, the notes kept.
    static Refusal skip(const QString& problem, const QString& notes) {
        return {.problem = problem, .failEmail = false, .notes = notes};
    }
    Refusal skipForDeviation(const QString& what, const QString& given, const QString& heldValue,
                             const QString& notes) {
        return skip(QStringLiteral("Member ") + n_ + QStringLiteral(" specified ") + what + QStringLiteral(" as ") + given +
                        QStringLiteral(" whereas we hold ") + heldValue + QStringLiteral(" so application is being skipped."),
                    notes);
    }
    QString fyiDeviation(const QString& what, const QString& given, const QString& heldValue) {
        return QStringLiteral(" specified ") + what + QStringLiteral(" as ") + given + QStringLiteral(" whereas we hold ") +
               heldValue + QLatin1Char('.');
    }

    UnitSession& session_;
    const ApplicationState& app_;
    const db::Recordset& member_;
    const std::array<QString, 121>& field_;
    QString n_;
    bool rejoin_ = false;
    std::optional<QString> heldEmail_;
};

std::optional<Refusal> Checks::nationalInsuranceNumber() {
    const QString heldNumber = held("NINumber");
    const QString given = app_.cleanedNINumber;
    if (heldNumber.trimmed().isEmpty() || given.isEmpty() || comparable(heldNumber) == given) return std::nullopt;
    return skipForDeviation(QStringLiteral("NINO"), given, heldNumber, QStringLiteral("VELT application skipped due to NINO deviation"));
}

std::optional<Refusal> Checks::dateOfBirth() {
    const QDate heldDate = member_.value(QStringLiteral("DOB")).toDate();
    const QDate given = app_.dateOfBirth().value_or(QDate());
    // A member without a date of birth on record has nothing to contradict.
    if (!heldDate.isValid() || dateDiffDays(heldDate, given) == 0) return std::nullopt;
    return skipForDeviation(QStringLiteral("DOB"), field_[tw::DateOfBirth],
                            formatDate(heldDate, QStringLiteral("dd/mm/yyyy")),
                            QStringLiteral("VELT application skipped due to DoB deviation"));
}

std::optional<Refusal> Checks::title() {
    if (comparable(field_[tw::Title]) != comparable(held("Title")))
        fyi(fyiDeviation(QStringLiteral("Title"), field_[tw::Title], held("Title")));
    return std::nullopt;
}

std::optional<Refusal> Checks::forename() {
    if (comparable(field_[tw::Forename]) == comparable(held("Forename"))) return std::nullopt;
    return skipForDeviation(QStringLiteral("Forename"), field_[tw::Forename], held("Forename"),
                            QStringLiteral("VELT application skipped due to Forename deviation"));
}

std::optional<Refusal> Checks::middleName() {
    if (comparable(field_[tw::MiddleName]) != comparable(held("MidName")))
        fyi(fyiDeviation(QStringLiteral("Midname"), field_[tw::MiddleName], held("MidName")));
    return std::nullopt;
}

std::optional<Refusal> Checks::surname() {
    if (comparableSurname(field_[tw::Surname]) == comparableSurname(held("Surname"))) return std::nullopt;
    if (comparable(held("Sex")) == QLatin1String("F")) {
        fyi(fyiDeviation(QStringLiteral("Surname"), field_[tw::Surname], held("Surname")));
        return std::nullopt;
    }
    return skipForDeviation(QStringLiteral("Surname"), field_[tw::Surname], held("Surname"),
                            QStringLiteral("VELT application skipped due to Surname deviation on non female member"));
}

std::optional<Refusal> Checks::status() {
    const QString current = comparable(held("MemberStatus"));
    const QString prefix = QStringLiteral("Member ") + n_ + QStringLiteral(" current status is ");
    if (current == QLatin1String("B"))
        return skip(prefix + QStringLiteral("[B]ad debtor so application is being skipped."),
                    QStringLiteral("VELT application skipped as member is marked as bad debtor"));
    if (current == QLatin1String("D"))
        return skip(prefix + QStringLiteral("[D]eceased so application is being skipped."),
                    QStringLiteral("VELT application skipped as member is marked as deceased"));
    if (current == QLatin1String("J"))
        return skip(prefix + QStringLiteral("[J]uvenile so application is being skipped."),
                    QStringLiteral("VELT application skipped as member is marked as juvenile"));
    if (current == QLatin1String("G") || current == QLatin1String("L") || current == QLatin1String("Z")) {
        const QString shown = current == QLatin1String("L") ? QStringLiteral("[L]eft") : current;
        fyi(QStringLiteral(" current status is ") + shown + QStringLiteral(" but being reinstated as ") +
            app_.membershipStatus() + QLatin1Char('.'));
        rejoin_ = true;
    }
    return std::nullopt;
}

const QString& Checks::heldEmail() {
    if (!heldEmail_) {
        const db::Recordset rs = session_.connections.TarvMain.openRecordset(
            QStringLiteral("SELECT EmailAddress FROM MemberAddress WHERE MemberNo=") + n_ +
                QStringLiteral(" AND AddressType='HOME' ;"),
            db::clientReadOnlyCursor());
        heldEmail_ = rs.eof() ? QString() : rs.text(QStringLiteral("EmailAddress"));
    }
    return *heldEmail_;
}

std::optional<Refusal> Checks::email() {
    if (field_[tw::Email].isEmpty()) return std::nullopt;
    const QString heldAddress = heldEmail();
    if (heldAddress.trimmed().isEmpty() || comparable(heldAddress) == comparable(field_[tw::Email]))
        return std::nullopt;
    return skipForDeviation(QStringLiteral("email"), field_[tw::Email], heldAddress,
                            QStringLiteral("VELT application skipped due to email address deviation"));
}

std::optional<Refusal> Checks::pendingLoan() {
    if (app_.isJoinOnly()) return std::nullopt;
    db::Recordset rs = session_.connections.TarvTran.openRecordset(
        QStringLiteral("SELECT ID, LoanNumber FROM LoanAllocation WHERE MemberNo=") + n_ +
            QStringLiteral(" AND Posted=False ;"),
        db::clientReadOnlyCursor());
    if (rs.eof()) return std::nullopt;
    return skip(QStringLiteral("Skipped ln app for member ") + n_ + QStringLiteral(" as they already have a pending app - ") +
                    rs.text(QStringLiteral("LoanNumber")) + QLatin1Char('.'),
                QStringLiteral("VELT application skipped due to pending loan application"));
}

// Something only the member is likely to know: the National Insurance number or the
// e-mail address (on the application or its home address row) the member has with us.
bool Checks::identityConfirmed() {
    const QString heldNumber = comparable(held("NINumber"));
    if (!heldNumber.isEmpty() && heldNumber == app_.cleanedNINumber) return true;
    const QString heldAddress = comparable(heldEmail());
    if (heldAddress.isEmpty()) return false;
    return comparable(field_[tw::Email]) == heldAddress || comparable(app_.addresses.applicantEmail) == heldAddress;
}

}  // namespace

MemberMatch CheckExistingMemberDetails(UnitSession& session, const ApplicationState& app, long memberNumber,
                                       const db::Recordset& member) {
    Checks checks(session, app, memberNumber, member);
    const bool unconfirmed = !checks.identityConfirmed();
    // The checks run in this order, and the first that refuses ends them: the lines of
    // the checks before it have been reported, none after it.
    std::optional<Refusal> refusal;
    for (auto check : {&Checks::nationalInsuranceNumber, &Checks::dateOfBirth, &Checks::title, &Checks::forename,
                       &Checks::middleName, &Checks::surname, &Checks::status, &Checks::email, &Checks::pendingLoan})
        if ((refusal = (checks.*check)())) break;
    return {.memberNumber = memberNumber, .refusal = refusal, .rejoin = checks.rejoin(), .unconfirmed = unconfirmed};
}

}  // namespace autovelt::import
