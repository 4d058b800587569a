#pragma once

#include "app/CycleRecord.h"
#include "app/CycleTimer.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace autovelt::inline state { class Importer; }

namespace autovelt::inline app {

// Where the cycle is. The switch is on in Waiting and Running; a pass runs in Running and
// Stopping (a manual run, or a cycle switched off while its pass ran: the pass ends as
// usual, then the cycle is Stopped).
enum class CycleState { Stopped, Waiting, Running, Stopping };

// Runs the work of one pass and then calls `done` on the caller's thread. The headless
// runner and the tests run it at once; the main window runs the work on a worker thread,
// so the pass's connections are opened, used and closed there.
using PassRunner = std::function<void(std::function<void()> work, std::function<void()> done)>;

// The start/stop switch and the timer-driven cycle of the main window. While started,
// every fifth tick runs one cycle: settings reload, import pass, connection close-down.
// The first cycle runs five ticks of 10 ms after Start; afterwards the interval is 59 s.
// The switch, the timer and the state belong to the caller's thread; only the work of a
// pass goes to the pass runner.
class ImportCycle {
public:
    static constexpr int kStartInterval = 10;
    static constexpr int kCycleInterval = 59000;
    static constexpr int kTicksPerCycle = 5;

    ImportCycle(Importer& importer, CycleTimer& timer);

    void setPassRunner(PassRunner runner) { passRunner_ = std::move(runner); }

    // The import pass the cycle runs (RunImportPass), given the application a loan run by
    // hand names (0 for none); the cycle's own tests count passes.
    void setImportPass(std::function<void(long applicationId)> pass) { importPass_ = std::move(pass); }
    // Told when the buttons should change (started or stopped).
    void setStateListener(std::function<void()> listener) { stateListener_ = std::move(listener); }

    // The start/stop button.
    void switchOnOff();
    // One timer tick.
    void OnTimerTick();
    // One whole cycle, as a tick that reached its count runs it.
    void RunCycle();
    // The "Manual import" button, usable while stopped: the pass opens its own connections,
    // and they are closed afterwards so the next cycle reloads every setting.
    void ManualImport();
    // The "Loan" button, usable while stopped. The loan pass runs only inside the import of
    // an application (its unit of work, member match and checks), so a loan run by hand
    // imports the one application named, handed to the pass as an "id.txt" would name it:
    // pending or not, and its website row is left as it is. No "id.txt" is written, and one
    // a user placed is left for the next pass.
    void ManualLoan(long applicationId);

    CycleState state() const { return state_; }
    bool started() const { return state_ == CycleState::Waiting || state_ == CycleState::Running; }
    bool passRunning() const { return state_ == CycleState::Running || state_ == CycleState::Stopping; }
    QString startStopCaption() const { return started() ? QStringLiteral("&Stop") : QStringLiteral("&Start"); }
    // The manual buttons work only while stopped with no pass running.
    bool commandButtonsEnabled() const { return state_ == CycleState::Stopped; }
    int tickCount() const { return TickCount; }
    // True when the window may close now: only while stopped with no pass running.
    bool canClose() const { return state_ == CycleState::Stopped; }
    // Closes the connections before the program ends.
    void Shutdown();
    // True when the last cycle ran its import pass (settings loaded).
    bool lastCycleImported() const { return lastCycleImported_; }
    // How the last cycle ended, as the exit code of --once.
    int lastCycleExitStatus() const;
    // When the last cycle ended (invalid before the first), and when the next one is due
    // (invalid while stopped or before the first cycle ended).
    const QDateTime& lastCycleEnded() const { return lastCycleEnded_; }
    QDateTime nextCycleDue() const;

private:
    void runCycleWork();
    void runManualPass(long applicationId);
    void EndImportCycle();
    void passEnded();
    void notePendingApplications(CycleRecord& record);
    void keepRecord(const CycleRecord& record);
    void forgetNextCycle();
    void notify() { if (stateListener_) stateListener_(); }

    Importer& im_;
    CycleTimer& timer_;
    std::function<void(long applicationId)> importPass_;
    std::function<void()> stateListener_;
    PassRunner passRunner_;
    CycleState state_ = CycleState::Stopped;
    qint16 TickCount = 0;
    // Written by the pass's work, read once the pass has ended.
    bool lastCycleImported_ = false;
    CycleRecord record_;
    QDateTime lastCycleEnded_;
};

}  // namespace autovelt::app
