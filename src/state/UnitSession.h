#pragma once

#include "state/Connections.h"
#include "state/RecordedResponses.h"
#include "state/Reporter.h"
#include "state/StagedFiles.h"

#include <QString>
#include <optional>
#include <vector>

namespace autovelt::inline state {

class CycleContext;

// What a batch of applications works through: its database connections (and with them
// the unit of work and its outbox), the report lines of the application under way, the
// agency answers kept for a re-run and the files staged until the commit.
class UnitSession {
public:
    UnitSession(const CycleContext& cycle, Reporter& reporter);

    Connections connections;

    // Report lines. Every password the installation knows is masked out of a problem line.
    void ShowException(const QString& prob);
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

    // Answers of requests that must not be made twice for one application.
    RecordedResponses& recordedResponses() { return recordedResponses_; }

    // Files of applications not yet committed ("staging" in the program's folder).
    StagedFiles& stagedFiles() { return stagedFiles_; }

private:
    struct HeldLine {
        bool problem;
        QString text;
    };

    const CycleContext& cycle_;
    Reporter& reporter_;
    std::optional<std::vector<HeldLine>> heldLines_;
    RecordedResponses recordedResponses_;
    StagedFiles stagedFiles_;
};

}  // namespace autovelt::state
