#pragma once

#include "common/MemberNumberCode.h"
#include "common/OnlineDecoding.h"
#include "platform/db/ConnectionTarget.h"
#include "state/CreditUnionProfile.h"

#include <QString>
#include <QStringList>
#include <array>

namespace autovelt::inline state {

// The credit reference agency's credentials of one credit union (or the test set).
// User names and the identity-check items are stored encoded, as the website encodes
// its values; they are decoded when a cycle loads them.
struct AgencyCredentialSet {
    QString CreditReportCompany;
    QString CreditReportUserName;  // encoded
    QString CreditReportPassword;
    QString IdentityCheckCompany;      // encoded
    QString IdentityCheckUserName;     // encoded
    QString IdentityCheckPassword;     // encoded
    QString IdentityCheckApplication;  // encoded
    bool present = false;
};

// Where and how the credit reference agency is reached. Host names may carry a port
// ("host:8443"); the paths of the two services are fixed by the agency.
struct AgencyService {
    QString callReportLiveHost;
    QString callReportTestHost;
    QString callValidateLiveHost;
    QString callValidateTestHost;
    QString callReport7Namespace;  // the namespace URN the agency publishes with the credit search
    QString caFile;                // certificates to trust instead of the system's (empty: the system's)
    int connectTimeoutSeconds = 15;
    int timeoutSeconds = 90;       // the whole exchange, so a silent agency never holds a cycle
    // Request traces and kept answers hold personal data: anything older is removed at the
    // start of a cycle (they go as soon as their application has committed otherwise).
    int traceRetentionDays = 30;
};

enum class FtpTls { Required, Auto, Off };

// One of the two web hosts a credit union's site may live on.
struct WebHostEntry {
    QString suffix;         // last three characters of ControlSwitches.webip that select it
    QString name;           // used as SMTP server and FTP host
    QString senderAddress;  // its do-not-reply address
};

// Deployment values of one installation, read from "autovelt.ini" in the program's folder.
// Nothing here is a secret of the code: hosts, accounts and passwords live only in the file.
// Every key is checked as it is read; a file that cannot be read, an unknown key or a value
// that is not valid gives one line in `problems` (naming the key, and the value unless the
// key holds a password), and a cycle with problems does nothing.
class InstallationConfig {
public:
    static InstallationConfig load(const QString& homeFolder);

    QString filePath;
    QStringList problems;

    db::EngineSettings engine;
    WebHostEntry hostOne;  // chosen when the web address ends in its suffix
    WebHostEntry hostTwo;  // chosen otherwise
    // Web servers whose FTP service needs active mode (ControlSwitches.webip compared
    // exactly); every other server is reached in passive mode.
    QStringList ftpActiveAddresses;
    int ftpPort = 21;
    // Uploaded documents larger than this stay in the queue for a person.
    int maxDocumentMb = 50;
    // A document transfer slower than ftpLowSpeedBytes a second for ftpLowSpeedSeconds is given up.
    int ftpLowSpeedBytes = 1024;
    int ftpLowSpeedSeconds = 60;
    // TLS to the website's FTP server: Required refuses a server without it, Auto uses it
    // when offered; the server's certificate is verified whenever it is used.
    FtpTls ftpTls = FtpTls::Required;
    QString ftpCaFile;  // certificates to trust for the FTP server (empty: the system's)
    // The hosts of the applicants' upload page named in their emails, chosen by the last
    // three characters of ControlSwitches.webip: ".33" the first, "120" the second, ".81"
    // the third. Unset: the emails carry no link.
    std::array<QString, 3> uploadHosts;
    AgencyService agency;
    QString defaultSenderAddress = QStringLiteral("donotreply@localhost");
    QString supportMailbox;
    QString smtpPassword;
    QString mailPickupFolder;
    QString smtpServerOverride;  // used instead of the web host as SMTP server
    int smtpPortOverride = 0;
    int mailTimeoutSeconds = 30;
    bool mailRequireTls = true;     // never log in or send without TLS
    bool mailSslOnConnect = false;  // TLS from the first byte (port 465 unless smtp_port is set)
    QString mailCaFile;             // certificates to trust for the mail server (empty: the system's)
    bool settlePauses = false;  // the one-second and half-second pauses of a cycle (off unless set)
    // How many applications one transaction of the core databases holds at most.
    int batchApplications = 200;
    // How long an application may wait before --status calls the importer unhealthy.
    int staleMinutes = 60;
    // The highest APR a credit union may charge; a loan product above it is flagged to staff.
    double rateCapApr = 42.6;
    // The [profile] flags written for this installation (and the older single-search list).
    CreditUnionProfileOverrides profile;
    OnlineCodeTables codeTables;            // shared with the website that encodes the rows
    MemberNumberCodeTable memberCodeTable;  // of the member reference code

    AgencyCredentialSet agencyCredentials(const QString& fsaRefNo, bool uatMode) const;

private:
    QString agencyFile_;
};

}  // namespace autovelt::state
