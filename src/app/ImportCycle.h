#pragma once

#include "app/CycleTimer.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace autovelt {

class Importer;
struct CycleRecord;

// The start/stop switch and the timer-driven cycle of the main window. While started,
// every fifth tick runs one cycle: settings reload, import pass, connection close-down.
// The first cycle runs five ticks of 10 ms after Start; afterwards the interval is 59 s.
class ImportCycle {
public:
    static constexpr int kStartInterval = 10;
    static constexpr int kCycleInterval = 59000;
    static constexpr int kTicksPerCycle = 5;

    ImportCycle(Importer& importer, CycleTimer& timer);

    // The import pass the cycle runs (cmdMembers_Click); the cycle's own tests count passes.
    void setImportPass(std::function<void()> pass) { importPass_ = std::move(pass); }
    // Told when the buttons should change (started or stopped).
    void setStateListener(std::function<void()> listener) { stateListener_ = std::move(listener); }

    // The start/stop button.
    void cmdAutoOnOff_Click();
    // One timer tick.
    void Timer1_Timer();
    // One whole cycle, as a tick that reached its count runs it.
    void RunCycle();
    // The "Manual import" button, usable while stopped: the pass opens its own connections,
    // and they are closed afterwards so the next cycle reloads every setting.
    void ManualImport();
    // The "Loan" button, usable while stopped. The loan pass runs only inside the import of
    // an application (its unit of work, member match and checks), so a loan run by hand
    // imports the one application named, as an "id.txt" asks for: pending or not, and its
    // website row is left as it is.
    void ManualLoan(long applicationId);

    bool started() const { return caption_ == QLatin1String("&Stop"); }
    const QString& startStopCaption() const { return caption_; }
    bool commandButtonsEnabled() const { return buttonsEnabled_; }
    int tickCount() const { return TickCount; }
    // True when the window may close now: only while stopped.
    bool canClose() const { return !started(); }
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
    void EndImportCycle();
    void notePendingApplications(CycleRecord& record);
    void keepRecord(const CycleRecord& record);
    void forgetNextCycle();
    void notify() { if (stateListener_) stateListener_(); }

    Importer& im_;
    CycleTimer& timer_;
    std::function<void()> importPass_;
    std::function<void()> stateListener_;
    QString caption_ = QStringLiteral("&Start");
    bool buttonsEnabled_ = true;
    qint16 TickCount = 0;
    bool lastCycleImported_ = false;
    QDateTime lastCycleEnded_;
};

}  // namespace autovelt
