#include "state/Importer.h"

#include "common/SqlDialect.h"
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

QString Importer::sql(const QString& jetStatement) const {
    return TranslateSQL(jetStatement, sqlServer());
}

QDate Importer::passDate() const { return parseDayFirstDate(PassDate).value_or(QDate()); }

void Importer::SetPassDateToToday() { PassDate = formatDate(clock_.now(), QStringLiteral("dd/mm/yy")); }

}  // namespace autovelt
