#include "app/ControlSettings.h"
#include "app/ImportCycle.h"
#include "support/InstallationTest.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ImportCycleTest : public test::InstallationTest {
protected:
    ManualCycleTimer timer;
    ImportCycle cycle{inst.importer(), timer};
    int passes = 0;

    void SetUp() override { cycle.setImportPass([this](long) { ++passes; }); }
    // The passes run so far after n more ticks.
    int ticked(int n) {
        for (int i = 0; i < n; ++i) timer.fire();
        return passes;
    }
    // The start/stop caption, whether the command buttons are enabled, and the timer's interval.
    QString shown() {
        return QStringLiteral("%1 %2 %3").arg(cycle.startStopCaption()).arg(cycle.commandButtonsEnabled()).arg(timer.interval());
    }
};

// Each cycle also starts with empty lists and today's date, and closes its connections; the settle pauses are made only
// when the installation turns them on.
TEST_F(ImportCycleTest, StartRunsTheFirstCycleAfterFiveShortTicksThenEveryFiveLongOnes) {
    inst.importer().ShowException("left over");
    inst.clock().set(QDateTime(QDate(2027, 1, 2), QTime(8, 0)));
    cycle.switchOnOff();
    EXPECT_EQ(shown(), "&Stop 0 10");
    EXPECT_EQ(ticked(4), 0);
    EXPECT_EQ(ticked(1), 1);
    // The next cycle five ticks of 59 s on; no settle pause unless configured; the timer re-armed by the end of the cycle.
    EXPECT_EQ(std::tuple(problems().contains("left over"), inst.importer().PassDate, cycle.nextCycleDue(), inst.clock().totalPaused(),
                         timer.enabled(), timer.interval(), inst.importer().connections.TarvMain.isOpen()),
              std::tuple(false, QString("02/01/27"), inst.clock().now().addSecs(5 * 59), 0.0, true, 59000, false));
    EXPECT_EQ(ticked(4), 1);
    EXPECT_EQ(ticked(1), 2);

    inst.appendConfig("[timing]\nsettle_pauses = true");  // a new importer: a new cycle over it
    ImportCycle paused(inst.importer(), timer);
    paused.switchOnOff();
    ticked(5);
    EXPECT_GT(inst.clock().totalPaused(), 0.0);
}

// Stopped, the cycle runs nothing and a manual import may run; started again, it counts from zero.
TEST_F(ImportCycleTest, StopWhileIdleAllowsManualImportAndRestartsQuickly) {
    cycle.switchOnOff();
    ticked(5 + 2);
    cycle.switchOnOff();
    EXPECT_EQ(shown(), "&Start 1 10");  // the next start runs a cycle quickly
    EXPECT_FALSE(cycle.nextCycleDue().isValid() || timer.enabled() || timer.fire());
    cycle.setImportPass([this](long) {
        ++passes;
        LoadControlSettings(inst.importer());  // as the pass does when run outside a cycle
    });
    cycle.ManualImport();
    EXPECT_EQ(passes, 2);
    EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());
    cycle.switchOnOff();
    cycle.ManualImport();
    EXPECT_EQ(ticked(3), 2) << "no manual import while started, and five ticks counted from zero again";
    EXPECT_EQ(ticked(2), 3);
}

TEST_F(ImportCycleTest, ASettingsFailureSkipsThePassButNotTheNextCycle) {
    inst.exec("TarvMain", "DELETE FROM Control");
    cycle.switchOnOff();
    EXPECT_EQ(ticked(5), 0);
    EXPECT_FALSE(cycle.lastCycleImported());
    EXPECT_FALSE(inst.importer().SkipImport);  // cleared when the timer is re-armed
    inst.exec("TarvMain", "INSERT INTO Control (ID, ScanLocation) VALUES (1, '" + inst.path("scans") + "')");
    EXPECT_EQ(ticked(5), 1);
}

}  // namespace
