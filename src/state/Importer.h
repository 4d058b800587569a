#pragma once

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <atomic>

namespace autovelt::inline comms { class MailTransport; }

namespace autovelt::inline state {

// A running importer: what the main window held as window-level variables and the shared
// module as globals. One object per running importer; the windows and the headless runner
// only show it and press its buttons.
//
// Only the cycle and the pass hold the whole importer. They hand each step the parts it
// works with: the cycle's context read-only, the batch's session, and the application
// under way or the values taken from it.
class Importer : public CycleContext, public UnitSession {
public:
    Importer(QString programFolder, Reporter& reporter, Clock& clock, MailTransport* mailTransport = nullptr);

    const CycleContext& cycle() const { return *this; }
    UnitSession& session() { return *this; }

    // Reads "autovelt.ini" and the registry/"t2sql.ini" settings, sets the processing date
    // and the teller, as the window did when it loaded.
    void LoadInstallation();
    void SetPassDateToToday();

    bool SkipImport = false;

    // The application being imported.
    ApplicationState app;

    // How the last import pass ended.
    // LeftPending: the pass went through every application, but one or more failed and
    // were left pending for the next cycle.
    enum class PassEnd { NotRun, Completed, LeftPending, StoppedOnFailure, StoppedOnRequest };
    PassEnd lastPassEnd = PassEnd::NotRun;

    // Set by a signal or the window: the pass stops at its next safe point.
    std::atomic<bool> stopRequested{false};
};

}  // namespace autovelt::state
