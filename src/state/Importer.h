#pragma once

#include "state/ApplicationState.h"
#include "state/Clock.h"
#include "state/CycleSettings.h"
#include "state/InstallationConfig.h"
#include "state/Reporter.h"
#include "state/StartupSettings.h"
#include "state/Connections.h"
#include "state/RecordedResponses.h"
#include "state/StagedFiles.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <optional>
#include <vector>

namespace autovelt {

class MailTransport;


// The importer's working state: what the main window held as window-level variables and
// the shared module as globals. One object per running importer; the windows and the
// headless runner only show it and press its buttons.
class Importer {
public:
    // A mail transport given here (by the tests) takes every message instead of SMTP or
    // the pickup folder.
    Importer(QString programFolder, Reporter& reporter, Clock& clock, MailTransport* mailTransport = nullptr);

    // Report lines. Every password the installation knows is masked out of a problem line,
    // whatever error text it quotes (a database's, a server's, the agency's answer).
    void ShowException(const QString& prob);
    QString withoutPasswords(QString text) const;
    void ShowSuccess(const QString& stuff);

    // The lines of the application under way are held until it ends, so an application
    // run again (after its agency request was answered) reports each line once: the lines
    // of the run that was undone are dropped.
    void holdLines();
    void releaseLines();
    void dropHeldLines();
    Reporter& reporter() { return reporter_; }

    // The pass's progress: the step of the current application.
    void ShowStep(const QString& step) {
        progress.step = step;
        reporter_.showProgress(progress);
    }
    PassProgress progress;
    Clock& clock() { return clock_; }

    // Delays the cycle; skipped when the installation turns the settle pauses off.
    void Pause(double seconds);

    // A file in the program's folder.
    QString programFile(const QString& name) const;
    const QString& programFolder() const { return programFolder_; }

    // Reads "autovelt.ini" and the registry/"t2sql.ini" settings, sets the processing date
    // and the teller, as the window did when it loaded.
    void LoadInstallation();

    // The processing date, as the "dd/mm/yy" text the window showed and as a date.
    QString PassDate;
    QDate passDate() const;
    void SetPassDateToToday();

    QString txtTeller = QStringLiteral("VELT");
    QString lblTellername = QStringLiteral("Web importer");

    InstallationConfig config;
    StartupSettings startup;
    CycleSettings settings;
    Connections connections;

    bool SkipImport = false;
    // False for a tool that must leave the installation as it found it (--status): the
    // settings load reports its problems without writing importer log files.
    bool writesImporterLogs = true;
    // A dry run (--dry-run): one whole pass whose unit of work is never committed. Nothing
    // reaches a peer (no agency request, no FTP transfer, no email, no online change) and no
    // file is written; staff see what the next cycle would do.
    bool dryRun = false;

    // The application being imported and its id override from "id.txt" (0 = none).
    ApplicationState app;
    long applicationIdOverride = 0;

    MailTransport* mailTransport() const { return mailTransport_; }

    // Answers of requests that must not be made twice for one application.
    RecordedResponses& recordedResponses() { return recordedResponses_; }

    // Files of applications not yet committed ("staging" in the program's folder).
    StagedFiles& stagedFiles() { return stagedFiles_; }

    // How the last import pass ended.
    // LeftPending: the pass went through every application, but one or more failed and
    // were left pending for the next cycle.
    enum class PassEnd { NotRun, Completed, LeftPending, StoppedOnFailure, StoppedOnRequest };
    PassEnd lastPassEnd = PassEnd::NotRun;

    // Set by a signal or the window: the pass stops at its next safe point.
    std::atomic<bool> stopRequested{false};

private:
    struct HeldLine {
        bool problem;
        QString text;
    };

    QString programFolder_;
    std::optional<std::vector<HeldLine>> heldLines_;
    Reporter& reporter_;
    Clock& clock_;
    MailTransport* mailTransport_;
    RecordedResponses recordedResponses_;
    StagedFiles stagedFiles_;
};

}  // namespace autovelt
