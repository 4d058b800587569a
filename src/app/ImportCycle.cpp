#include "app/ImportCycle.h"

#include "assessment/AgencyTrace.h"

#include "app/ControlSettings.h"
#include "common/PrivateFiles.h"
#include "import/ImportPass.h"
#include "state/Importer.h"

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
    RemoveExpiredAgencyCopies(im_);
    LoadControlSettings(im_);
    lastCycleImported_ = !im_.SkipImport;
    if (!im_.SkipImport) importPass_();
    EndImportCycle();
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

}  // namespace autovelt
