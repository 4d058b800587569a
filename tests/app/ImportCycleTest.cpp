#include "app/ControlSettings.h"
#include "app/ImportCycle.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ImportCycleTest : public ::testing::Test {
protected:
    test::TestInstallation inst;
    ManualCycleTimer timer;
    ImportCycle cycle{inst.importer(), timer};
    int passes = 0;

    void SetUp() override { cycle.setImportPass([this] { ++passes; }); }
    void tick(int n) { for (int i = 0; i < n; ++i) timer.fire(); }
};

// Each cycle also starts with empty lists and today's date.
TEST_F(ImportCycleTest, StartRunsTheFirstCycleAfterFiveShortTicks) {
    inst.importer().ShowException("left over");
    inst.clock().set(QDateTime(QDate(2027, 1, 2), QTime(8, 0)));
    EXPECT_FALSE(timer.enabled());
    cycle.cmdAutoOnOff_Click();
    EXPECT_EQ(cycle.startStopCaption(), "&Stop");
    EXPECT_FALSE(cycle.commandButtonsEnabled());
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(timer.interval(), 10);
    tick(4);
    EXPECT_EQ(passes, 0);
    EXPECT_FALSE(cycle.lastCycleEnded().isValid());
    tick(1);
    EXPECT_EQ(passes, 1);
    EXPECT_FALSE(inst.reporter().problems().contains("left over"));
    EXPECT_EQ(inst.importer().PassDate, "02/01/27");
    EXPECT_EQ(cycle.lastCycleEnded(), inst.clock().now());
    EXPECT_EQ(cycle.nextCycleDue(), inst.clock().now().addSecs(5 * 59));  // five ticks of 59 s
    EXPECT_DOUBLE_EQ(inst.clock().totalPaused(), 0.0);  // the settle pauses are off unless configured
    EXPECT_EQ(timer.interval(), 59000);
    EXPECT_TRUE(timer.enabled());                           // re-armed by the end of the cycle
    EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());  // every connection lives one cycle
    tick(4);
    EXPECT_EQ(passes, 1);
    tick(1);
    EXPECT_EQ(passes, 2);
}

TEST_F(ImportCycleTest, StopWhileIdleStopsAllCyclesAndRestartsQuickly) {
    cycle.cmdAutoOnOff_Click();
    tick(5);
    cycle.cmdAutoOnOff_Click();
    EXPECT_FALSE(cycle.nextCycleDue().isValid());  // no cycle is due while stopped
    cycle.cmdAutoOnOff_Click();
    tick(2);
    cycle.cmdAutoOnOff_Click();
    EXPECT_EQ(cycle.startStopCaption(), "&Start");
    EXPECT_TRUE(cycle.commandButtonsEnabled());
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(timer.interval(), 10);
    EXPECT_FALSE(timer.fire());
    cycle.cmdAutoOnOff_Click();
    tick(5);
    EXPECT_EQ(passes, 2);  // counted from zero again: five ticks, not three
}

TEST_F(ImportCycleTest, ASettingsFailureSkipsThePassButNotTheNextCycle) {
    inst.exec("TarvMain", "DELETE FROM Control");
    cycle.cmdAutoOnOff_Click();
    tick(5);
    EXPECT_EQ(passes, 0);
    EXPECT_FALSE(cycle.lastCycleImported());
    EXPECT_TRUE(timer.enabled());
    EXPECT_FALSE(inst.importer().SkipImport);  // cleared when the timer is re-armed
    inst.exec("TarvMain", "INSERT INTO Control (ID, ScanLocation) VALUES (1, '" + inst.path("scans") + "')");
    tick(5);
    EXPECT_EQ(passes, 1);
    EXPECT_TRUE(cycle.lastCycleImported());
}

TEST_F(ImportCycleTest, ManualImportWorksOnlyWhileStoppedAndClosesItsConnections) {
    cycle.setImportPass([this] {
        ++passes;
        LoadControlSettings(inst.importer());  // as the pass does when run outside a cycle
    });
    cycle.ManualImport();
    EXPECT_EQ(passes, 1);
    EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());
    cycle.cmdAutoOnOff_Click();
    cycle.ManualImport();
    EXPECT_EQ(passes, 1);
    cycle.cmdAutoOnOff_Click();
}

TEST_F(ImportCycleTest, SettlePausesWhenTheInstallationTurnsThemOn) {
    inst.appendConfig("[timing]\nsettle_pauses = true");  // a new importer: a new cycle over it
    ImportCycle paused(inst.importer(), timer);
    paused.cmdAutoOnOff_Click();
    tick(5);
    EXPECT_GT(inst.clock().totalPaused(), 0.0);
}

}  // namespace
