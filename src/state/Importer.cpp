#include "state/Importer.h"

#include "common/PrintableText.h"
#include "common/Values.h"

#include <QDir>

namespace autovelt {

Importer::Importer(QString programFolder, Reporter& reporter, Clock& clock, MailTransport* mailTransport)
    : programFolder_(std::move(programFolder)), reporter_(reporter), clock_(clock), mailTransport_(mailTransport),
      recordedResponses_(QDir(programFolder_).filePath(QStringLiteral("recorded-responses"))),
      stagedFiles_(QDir(programFolder_).filePath(QStringLiteral("staging"))) {}

void Importer::Pause(double seconds) {
    if (config.settlePauses) clock_.pause(seconds);
}

QString Importer::programFile(const QString& name) const { return QDir(programFolder_).filePath(name); }

void Importer::LoadInstallation() {
    config = InstallationConfig::load(programFolder_);
    startup = ReadStartupSettings(programFolder_);
    SetPassDateToToday();
    txtTeller = QStringLiteral("VELT");
}

QString Importer::withoutPasswords(QString text) const {
    const AgencyCredentials& agency = settings.agency;
    for (const QString& password : {config.smtpPassword, settings.WEBPW, startup.sqlPW, agency.CreditReportPassword,
                                    agency.IdentityCheckPassword}) {
        if (password.isEmpty()) continue;
        text = withoutSecret(text, password);
        // An agency's answer may quote the request it refused, where the password was escaped.
        text = withoutSecret(text, password.toHtmlEscaped());
    }
    return text;
}

QDate Importer::passDate() const { return parseDayFirstDate(PassDate).value_or(QDate()); }

void Importer::SetPassDateToToday() { PassDate = formatDate(clock_.now(), QStringLiteral("dd/mm/yy")); }

}  // namespace autovelt
