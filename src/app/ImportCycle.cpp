#include "app/ImportCycle.h"

#include "app/CommandLine.h"
#include "assessment/AgencyTrace.h"

#include "app/ControlSettings.h"
#include "common/VeltError.h"
#include "pipeline/ImportPass.h"
#include "state/Importer.h"

#include <QCoreApplication>

namespace autovelt::inline app {

ImportCycle::ImportCycle(Importer& importer, CycleTimer& timer)
    : im_(importer), timer_(timer), importPass_([this](long applicationId) { autovelt::RunImportPass(im_, applicationId); }),
      passRunner_([](const std::function<void()>& work, const std::function<void()>& done) {
          work();
          done();
      }) {
    timer_.setInterval(kStartInterval);
    timer_.setEnabled(false);
    timer_.setTickHandler([this] { OnTimerTick(); });
}

void ImportCycle::switchOnOff() {
    // A running pass owns the importer's state until it ends.
    if (!passRunning()) im_.SkipImport = false;
    switch (state_) {
    case CycleState::Stopped:
        TickCount = 0;
        timer_.setEnabled(true);
        state_ = CycleState::Waiting;
        break;
    case CycleState::Stopping:
        // The timer is re-armed when the pass ends.
        TickCount = 0;
        state_ = CycleState::Running;
        break;
    case CycleState::Waiting:
    case CycleState::Running:
        timer_.setEnabled(false);
        timer_.setInterval(kStartInterval);
        // A running pass records at its end that no cycle is due.
        if (state_ == CycleState::Waiting) forgetNextCycle();
        state_ = state_ == CycleState::Waiting ? CycleState::Stopped : CycleState::Stopping;
        break;
    }
    notify();
}

void ImportCycle::OnTimerTick() {
    // The counter is 16-bit, as it always was; it is reset long before it could overflow.
    TickCount = static_cast<qint16>(TickCount + 1);
    if (TickCount < kTicksPerCycle) return;
    timer_.setEnabled(false);
    timer_.setInterval(kCycleInterval);
    RunCycle();
}

void ImportCycle::RunCycle() {
    if (passRunning()) return;
    TickCount = 0;
    // --once runs a cycle with the switch off; it ends Stopped again.
    state_ = started() ? CycleState::Running : CycleState::Stopping;
    notify();
    passRunner_([this] { runCycleWork(); }, [this] { EndImportCycle(); });
}

// The cycle's work, on the pass runner's thread: everything that touches the connections.
void ImportCycle::runCycleWork() {
    im_.Pause(1.0);
    im_.SetPassDateToToday();
    im_.reporter().clear();
    record_ = CycleRecord::read(im_.programFolder());
    record_.started = im_.clock().now();
    record_.ended = record_.nextCycle = {};
    record_.exitStatus = -1;
    record_.processId = QCoreApplication::applicationPid();
    keepRecord(record_);
    RemoveExpiredAgencyCopies(im_.cycle(), im_.session());
    LoadControlSettings(im_);
    lastCycleImported_ = !im_.SkipImport;
    if (!im_.SkipImport) {
        notePendingApplications(record_);
        importPass_(0);
    }
    im_.connections.closeAll();
}

int ImportCycle::lastCycleExitStatus() const {
    if (!lastCycleImported_) return ExitSettingsStopped;
    switch (im_.lastPassEnd) {
    case Importer::PassEnd::StoppedOnFailure:
    case Importer::PassEnd::LeftPending: return ExitPassStopped;
    case Importer::PassEnd::StoppedOnRequest: return ExitStoppedOnRequest;
    default: return ExitOk;
    }
}

void ImportCycle::notePendingApplications(CycleRecord& record) {
    try {
        const PendingApplications pending = ReadPendingApplications(im_.connections.OnlineConnection);
        record.notePending(record.started, pending.lowestId, pending.highestId);
    } catch (const VeltError&) {
        // The pass meets the same online database at once and reports what is wrong with it.
    }
}

void ImportCycle::keepRecord(const CycleRecord& record) {
    QString error;
    if (!record.write(im_.programFolder(), &error))
        im_.ShowException(QStringLiteral("Unable to record the state of the cycle for --status in ") +
                          CycleRecord::filePath(im_.programFolder()) + QStringLiteral(": ") + error);
}

void ImportCycle::ManualImport() { runManualPass(0); }

void ImportCycle::ManualLoan(long applicationId) {
    if (state_ != CycleState::Stopped || applicationId <= 0) return;
    runManualPass(applicationId);
}

void ImportCycle::runManualPass(long applicationId) {
    if (state_ != CycleState::Stopped) return;
    state_ = CycleState::Stopping;
    notify();
    passRunner_(
        [this, applicationId] {
            // Outside a cycle the pass needs the settings and connections a cycle would open.
            if (!im_.connections.OnlineConnection.isOpen()) LoadControlSettings(im_);
            if (!im_.SkipImport) importPass_(applicationId);
            im_.connections.closeAll();
            im_.SkipImport = false;
        },
        [this] { passEnded(); });
}

// Back on the switch's thread once the cycle's work is done.
void ImportCycle::EndImportCycle() {
    lastCycleEnded_ = im_.clock().now();
    passEnded();
    record_.ended = lastCycleEnded_;
    record_.exitStatus = lastCycleExitStatus();
    record_.nextCycle = nextCycleDue();
    keepRecord(record_);
}

void ImportCycle::passEnded() {
    state_ = started() ? CycleState::Waiting : CycleState::Stopped;
    if (started() && !timer_.enabled()) {
        timer_.setEnabled(true);
        im_.SkipImport = false;
    }
    notify();
}

QDateTime ImportCycle::nextCycleDue() const {
    if (!started() || !lastCycleEnded_.isValid()) return {};
    return lastCycleEnded_.addMSecs(qint64(kCycleInterval) * kTicksPerCycle);
}

void ImportCycle::Shutdown() { im_.connections.closeAll(); }

// Stopped, no cycle is due any more.
void ImportCycle::forgetNextCycle() {
    CycleRecord record = CycleRecord::read(im_.programFolder());
    if (!record.nextCycle.isValid()) return;
    record.nextCycle = {};
    keepRecord(record);
}

}  // namespace autovelt::app
