#pragma once

// The agency sandbox program (autovelt-agency-sandbox) run for a test: started on free
// loopback ports in a private temporary folder (its certificates and the requests it
// receives live there), stopped by the destructor. Answers are chosen by the applicant's
// surname; see the README's sandbox section for the list.

#include "state/InstallationConfig.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace autovelt::test {

// One request as the sandbox received it; the contents of password elements are masked
// as "********".
struct AgencyRequest {
    QString path;
    QString soapAction;
    QString body;
};

class AgencySandbox {
public:
    // Starts the program; throws std::runtime_error with the program's own words when it
    // does not come up.
    AgencySandbox();
    ~AgencySandbox();
    AgencySandbox(const AgencySandbox&) = delete;
    AgencySandbox& operator=(const AgencySandbox&) = delete;

    QString host() const;       // "127.0.0.1:PORT", HTTPS
    QString caFile() const;
    QString callReportNamespace() const;
    QString identityUrl() const;  // the HTTPS URL of the identity check
    QString creditUrl() const;    // the HTTPS URL of the credit search

    // The requests received so far, in order of arrival.
    QList<AgencyRequest> requests() const;
    void clearRequests();

    // The "[agency]" section of an autovelt.ini pointing every host at the sandbox.
    QString iniSection() const;
    // The same settings as the importer reads them from that section.
    AgencyService service() const;

private:
    QString recordFolder() const;

    QTemporaryDir folder_;
    QProcess process_;
    quint16 httpsPort_ = 0;
};

}  // namespace autovelt::test
