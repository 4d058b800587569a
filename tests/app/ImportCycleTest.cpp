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

// Each cycle also starts with empty lists and today's date, and closes its connections.
TEST_F(ImportCycleTest, StartRunsTheFirstCycleAfterFiveShortTicksThenEveryFiveLongOnes) {
    inst.importer().ShowException("left over");
    inst.clock().set(QDateTime(QDate(2027, 1, 2), QTime(8, 0)));
    cycle.cmdAutoOnOff_Click();
    EXPECT_EQ(cycle.startStopCaption(), "&Stop");
    EXPECT_FALSE(cycle.commandButtonsEnabled());
    EXPECT_EQ(timer.interval(), 10);
    tick(4);
    EXPECT_EQ(passes, 0);
    tick(1);
    EXPECT_EQ(passes, 1);
    EXPECT_FALSE(inst.reporter().problems().contains("left over"));
    EXPECT_EQ(inst.importer().PassDate, "02/01/27");
    EXPECT_EQ(cycle.nextCycleDue(), inst.clock().now().addSecs(5 * 59));  // five ticks of 59 s
    EXPECT_DOUBLE_EQ(inst.clock().totalPaused(), 0.0);  // the settle pauses are off unless configured
    EXPECT_TRUE(timer.enabled() && timer.interval() == 59000);  // re-armed by the end of the cycle
    EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());
    tick(4);
    EXPECT_EQ(passes, 1);
    tick(1);
    EXPECT_EQ(passes, 2);
}

// Stopped, the cycle runs nothing and a manual import may run; started again, it counts from zero.
TEST_F(ImportCycleTest, StopWhileIdleAllowsManualImportAndRestartsQuickly) {
    cycle.cmdAutoOnOff_Click();
    tick(5 + 2);
    cycle.cmdAutoOnOff_Click();
    EXPECT_EQ(cycle.startStopCaption(), "&Start");
    EXPECT_TRUE(cycle.commandButtonsEnabled());
    EXPECT_FALSE(cycle.nextCycleDue().isValid() || timer.enabled() || timer.fire());
    EXPECT_EQ(timer.interval(), 10);  // the next start runs a cycle quickly
    cycle.setImportPass([this] {
        ++passes;
        LoadControlSettings(inst.importer());  // as the pass does when run outside a cycle
    });
    cycle.ManualImport();
    EXPECT_EQ(passes, 2);
    EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());
    cycle.cmdAutoOnOff_Click();
    cycle.ManualImport();
    tick(3);
    EXPECT_EQ(passes, 2) << "no manual import while started, and five ticks counted from zero again";
    tick(2);
    EXPECT_EQ(passes, 3);
}

TEST_F(ImportCycleTest, ASettingsFailureSkipsThePassButNotTheNextCycle) {
    inst.exec("TarvMain", "DELETE FROM Control");
    cycle.cmdAutoOnOff_Click();
    tick(5);
    EXPECT_EQ(passes, 0);
    EXPECT_FALSE(cycle.lastCycleImported());
    EXPECT_FALSE(inst.importer().SkipImport);  // cleared when the timer is re-armed
    inst.exec("TarvMain", "INSERT INTO Control (ID, ScanLocation) VALUES (1, '" + inst.path("scans") + "')");
    tick(5);
    EXPECT_EQ(passes, 1);
}

TEST_F(ImportCycleTest, SettlePausesWhenTheInstallationTurnsThemOn) {
    inst.appendConfig("[timing]\nsettle_pauses = true");  // a new importer: a new cycle over it
    ImportCycle paused(inst.importer(), timer);
    paused.cmdAutoOnOff_Click();
    tick(5);
    EXPECT_GT(inst.clock().totalPaused(), 0.0);
}

}  // namespace
