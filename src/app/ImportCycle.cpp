#include "app/ImportCycle.h"

#include "app/CommandLine.h"
#include "assessment/AgencyTrace.h"

#include "app/ControlSettings.h"
#include "app/CycleRecord.h"
#include "common/VeltError.h"
#include "common/PrivateFiles.h"
#include "import/ImportPass.h"
#include "state/Importer.h"

#include <QCoreApplication>
#include <QFile>

namespace autovelt {

ImportCycle::ImportCycle(Importer& importer, CycleTimer& timer)
    : im_(importer), timer_(timer), importPass_([this] { autovelt::cmdMembers_Click(im_); }) {
    timer_.setInterval(kStartInterval);
    timer_.setEnabled(false);
    timer_.setTickHandler([this] { Timer1_Timer(); });
}

void ImportCycle::cmdAutoOnOff_Click() {
    im_.SkipImport = false;
    if (!started()) {
        TickCount = 0;
        timer_.setEnabled(true);
        caption_ = QStringLiteral("&Stop");
        buttonsEnabled_ = false;
    } else {
        buttonsEnabled_ = true;
        timer_.setEnabled(false);
        timer_.setInterval(kStartInterval);
        caption_ = QStringLiteral("&Start");
        forgetNextCycle();
    }
    notify();
}

void ImportCycle::Timer1_Timer() {
    // The counter is 16-bit, as it always was; it is reset long before it could overflow.
    TickCount = static_cast<qint16>(TickCount + 1);
    if (TickCount < kTicksPerCycle) return;
    timer_.setEnabled(false);
    timer_.setInterval(kCycleInterval);
    RunCycle();
}

void ImportCycle::RunCycle() {
    im_.Pause(1.0);
    im_.SetPassDateToToday();
    TickCount = 0;
    im_.reporter().clear();
    im_.cycleRuleTexts = {};
    CycleRecord record = CycleRecord::read(im_.programFolder());
    record.started = im_.clock().now();
    record.ended = record.nextCycle = {};
    record.exitStatus = -1;
    record.processId = QCoreApplication::applicationPid();
    keepRecord(record);
    RemoveExpiredAgencyCopies(im_);
    LoadControlSettings(im_);
    lastCycleImported_ = !im_.SkipImport;
    if (!im_.SkipImport) {
        notePendingApplications(record);
        importPass_();
    }
    EndImportCycle();
    record.ended = lastCycleEnded_;
    record.exitStatus = lastCycleExitStatus();
    record.nextCycle = nextCycleDue();
    keepRecord(record);
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

void ImportCycle::ManualImport() {
    if (started()) return;
    // Outside a cycle the pass needs the settings and connections a cycle would open.
    if (!im_.connections.OnlineConnection.isOpen()) LoadControlSettings(im_);
    if (!im_.SkipImport) importPass_();
    im_.connections.closeAll();
    im_.SkipImport = false;
}

void ImportCycle::ManualLoan(long applicationId) {
    if (started() || applicationId <= 0) return;
    const QString idFile = im_.programFile(QStringLiteral("id.txt"));
    if (!WritePrivateFile(idFile, QByteArray::number(static_cast<qlonglong>(applicationId)))) {
        im_.ShowException(QStringLiteral("Unable to start the loan run of application ") + QString::number(applicationId));
        return;
    }
    ManualImport();
    // A pass that did not run leaves the request behind; the next cycle must not take it.
    QFile::remove(idFile);
}

void ImportCycle::EndImportCycle() {
    im_.connections.closeAll();
    lastCycleEnded_ = im_.clock().now();
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

}  // namespace autovelt
