#pragma once

#include "state/Clock.h"
#include "state/CycleSettings.h"
#include "state/InstallationConfig.h"
#include "state/StartupSettings.h"

#include <QDate>
#include <QString>

namespace autovelt::inline comms { class MailTransport; }

namespace autovelt::inline state {

// What every step of a cycle reads and none changes: the installation's folder and
// configuration, the settings read when the cycle started, the processing date, the
// clock and how the run was asked for. The importer sets it up before a pass; the steps
// are given it read-only.
class CycleContext {
public:
    // A mail transport given here (by the tests) takes every message instead of SMTP or
    // the pickup folder.
    CycleContext(QString programFolder, Clock& clock, MailTransport* mailTransport);

    // A file in the program's folder.
    QString programFile(const QString& name) const;
    const QString& programFolder() const { return programFolder_; }

    Clock& clock() const { return clock_; }
    // Delays the cycle; skipped when the installation turns the settle pauses off.
    void Pause(double seconds) const;

    MailTransport* mailTransport() const { return mailTransport_; }

    // The text with every password the installation knows masked out, whatever error
    // text it quotes (a database's, a server's, the agency's answer).
    QString withoutPasswords(QString text) const;

    // The processing date, as the "dd/mm/yy" text the window showed and as a date.
    QString PassDate;
    QDate passDate() const;

    QString txtTeller = QStringLiteral("VELT");
    QString lblTellername = QStringLiteral("Web importer");

    InstallationConfig config;
    StartupSettings startup;
    CycleSettings settings;

    // False for a tool that must leave the installation as it found it (--status): the
    // settings load reports its problems without writing importer log files.
    bool writesImporterLogs = true;
    // A dry run (--dry-run): one whole pass whose unit of work is never committed. Nothing
    // reaches a peer (no agency request, no FTP transfer, no email, no online change) and no
    // file is written; staff see what the next cycle would do.
    bool dryRun = false;
    // The one application staff asked for through "id.txt" (0 = none).
    long applicationIdOverride = 0;

private:
    QString programFolder_;
    Clock& clock_;
    MailTransport* mailTransport_;
};

}  // namespace autovelt::state
