#include "import/ApplicationIntake.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "common/OnlineDecoding.h"
#include "common/Values.h"
#include "platform/db/Recordset.h"

#include <QCryptographicHash>
#include <functional>
#include <optional>

namespace autovelt::inline import {

namespace {

constexpr int kLastField = 120;

bool holdsCodeMarker(const QString& value) {
    return value.contains(QLatin1Char('#')) || value.contains(QLatin1Char('^'));
}

// Columns read by the general rule: short values are plain, long ones encoded, except
// field_29 and field_91 (never encoded) and field_105 (an encoded number). A short
// field_105 is plain like any short value: no encoded number is that short.
QString readByRule(int position, const QString& stored, const OnlineCodeTables& tables) {
    if (stored.isEmpty()) return stored;
    if (stored.size() <= 10 || position == tw::AgencyXml || position == tw::DependantsBirthDates) return stored;
    if (position == tw::UploadKey) return DecodeOnlineNumber(stored, tables);
    return DecodeOnlineField(stored, tables);
}

// field_1: ten characters or fewer cannot be an encoded number, so the applicant is new.
QString readGivenMemberNumber(const QString& stored, const OnlineCodeTables& tables) {
    if (stored.size() <= 10) return QStringLiteral("0");
    return DecodeOnlineNumber(stored, tables);
}

QString cutTrimmed(const QString& value, int width) { return value.trimmed().left(width).trimmed(); }

QString withoutApostrophes(QString value) { return value.remove(QLatin1Char('\'')); }

void cleanFields(std::array<QString, 121>& field) {
    field[tw::Title] = cutTrimmed(field[tw::Title], 10);
    field[tw::Forename] = CleanPersonName(field[tw::Forename]);
    field[tw::MiddleName] = withoutApostrophes(cutTrimmed(field[tw::MiddleName], 50));
    field[tw::Surname] = CleanPersonName(field[tw::Surname]);
    field[tw::Sex] = field[tw::Sex].toUpper();
    field[tw::MembershipAskedFor] = field[tw::MembershipAskedFor].toUpper();
    field[tw::UserField1] = cutTrimmed(field[tw::UserField1], 50);
    field[tw::UserField2] = cutTrimmed(field[tw::UserField2], 50);
    field[tw::ResidentialStatus] = withoutApostrophes(cutTrimmed(field[tw::ResidentialStatus], 30));
}

}  // namespace

// The key and a fingerprint of every value the website wrote (not the imported flags, which
// the importer writes): a row deleted on the website and its key used again for another
// applicant is another application.
QString ApplicationIdentityKey(const db::Recordset& row) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (int i = 0; i < row.fieldCount(); ++i) {
        if (i == kImportedFlagColumn || i == kImportedDateColumn) continue;
        hash.addData(row.text(i).toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    }
    return QString::number(row.value(0).toLongLong()) + QLatin1Char('-') +
           QString::fromLatin1(hash.result().toHex().left(24));
}

QString FieldIdOfApplicationKey(const QString& applicationKey) { return applicationKey.section(QLatin1Char('-'), 0, 0); }

QString MessageSuffixFor(const QString& fieldId) {
    return QStringLiteral(" (table_w field_id=") + fieldId + QLatin1Char(')');
}

QString CleanNINumber(const QString& value) {
    if (value.isEmpty()) return value;
    QString number = value.toUpper();
    for (QChar c : {u' ', u'-', u'_', u'\\', u'/'}) number.remove(c);
    if (number.size() != 9 || isNumeric(number)) return QString();
    return number;
}

QString CleanPersonName(const QString& value) {
    QString name = cutTrimmed(value, 50);
    // UTF-8 "’" read one byte per character, as the website's text arrives.
    name.replace(QStringLiteral("O\u00E2\u20AC\u2122"), QStringLiteral("O"));
    name.replace(QStringLiteral("O\\'"), QStringLiteral("O"));
    for (QChar c : {u'\\', u'/', u'#', u'\''}) name.remove(c);
    return name;
}

ApplicationRead ReadApplicationRow(const CycleContext& cycle, const db::Recordset& row) {
    Application app;
    const OnlineCodeTables& tables = cycle.config.codeTables;
    app.fieldId = QString::number(row.value(0).toLongLong());
    app.identityKey = ApplicationIdentityKey(row);
    app.messageSuffix = MessageSuffixFor(app.fieldId);

    // A value that cannot be decoded is raised only once every other value is read, so the
    // application can still be reported and marked in full.
    std::optional<VeltError> unreadable;
    const auto decoded = [&](const std::function<QString()>& read) {
        try {
            return read();
        } catch (const VeltError& error) {
            if (!unreadable) unreadable = error;
            return QString();
        }
    };
    const int columns = std::min(row.fieldCount() - 1, kLastField);
    if (columns >= 2) {
        app.rawField2 = row.text(tw::NationalInsuranceNumber);
        const QString number = holdsCodeMarker(app.rawField2) ? DecodeOnlineField(app.rawField2, tables) : app.rawField2;
        app.cleanedNINumber = CleanNINumber(number);
    }
    if (columns >= 1)
        app.field[tw::GivenMemberNumber] =
            decoded([&] { return readGivenMemberNumber(row.text(tw::GivenMemberNumber), tables); });
    app.field[tw::NationalInsuranceNumber] = app.cleanedNINumber;
    for (int n = 3; n <= columns; ++n) app.field[n] = decoded([&] { return readByRule(n, row.text(n), tables); });
    if (columns >= tw::Note) app.noteText = row.text(tw::Note);
    if (columns >= tw::UploadKey) app.rawField105 = row.text(tw::UploadKey);
    cleanFields(app.field);
    return {std::move(app), std::move(unreadable)};
}

std::optional<Refusal> IncompleteApplicationRefusal(const Application& app) {
    if (!app.dateOfBirth().has_value())
        return Refusal{QStringLiteral("VELT Application has blank DOB - record skipped.")};
    if (app.field[tw::Surname].isEmpty() || isNumeric(app.field[tw::Surname]))
        return Refusal{QStringLiteral("VELT Application has no valid Surname - record skipped.")};
    return std::nullopt;
}

}  // namespace autovelt::import
