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

void Importer::ShowException(const QString& prob) {
    if (heldLines_) heldLines_->push_back({true, withoutPasswords(prob)});
    else reporter_.showException(withoutPasswords(prob));
}

void Importer::ShowSuccess(const QString& stuff) {
    if (heldLines_) heldLines_->push_back({false, stuff});
    else reporter_.showSuccess(stuff);
}

void Importer::holdLines() {
    if (!heldLines_) heldLines_.emplace();
}

void Importer::releaseLines() {
    if (!heldLines_) return;
    const std::vector<HeldLine> lines = std::move(*heldLines_);
    heldLines_.reset();
    for (const HeldLine& line : lines) {
        if (line.problem) reporter_.showException(line.text);
        else reporter_.showSuccess(line.text);
    }
}

void Importer::dropHeldLines() {
    if (heldLines_) heldLines_->clear();
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
