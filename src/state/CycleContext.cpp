#include "state/CycleContext.h"

#include "common/PrintableText.h"
#include "common/Values.h"

#include <QDir>

namespace autovelt::inline state {

CycleContext::CycleContext(QString programFolder, Clock& clock, MailTransport* mailTransport)
    : programFolder_(std::move(programFolder)), clock_(clock), mailTransport_(mailTransport) {}

QString CycleContext::programFile(const QString& name) const { return QDir(programFolder_).filePath(name); }

void CycleContext::Pause(double seconds) const {
    if (config.settlePauses) clock_.pause(seconds);
}

QString CycleContext::withoutPasswords(QString text) const {
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

QDate CycleContext::passDate() const { return parseDayFirstDate(PassDate).value_or(QDate()); }

}  // namespace autovelt::state
