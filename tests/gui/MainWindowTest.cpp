#include "gui/MainWindow.h"
#include "gui/SearchWindow.h"
#include "support/AgencySandbox.h"
#include "support/InstallationTempFolder.h"
#include "support/OnlineEncoder.h"
#include "support/InstallationTest.h"
#include "support/WebApplication.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

QStringList lines(QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i) result << list->item(i)->text();
    return result;
}

// The pass runs on a worker thread; the window hears of its end in its own event loop.
void waitForPass(MainWindow& window) {
    if (!window.cycle().passRunning()) return;
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::passEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

// The main window over a test installation with two members, one number the prefix of the
// other; the operator's answers are set by each test.
class MainWindowTest : public test::InstallationTest {
protected:
    void SetUp() override {
        for (long member : {123, 1234}) {
            inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberMain (MemberNo, Forename, Surname) VALUES (%1, 'Ann', 'Lee')").arg(member));
            inst.exec("TarvTran", QStringLiteral("INSERT INTO Diary (MemberNo) VALUES (%1)").arg(member));
        }
        window.askMemberNumber = [this] { return typed; };
        window.confirmDeletion = [this](const QStringList& whatGoes) { shown = whatGoes; return confirm; };
        window.showCriticalMessage = [this](const QString& text) { messages << text; };
    }
    int members() { return inst.count("TarvMain", "SELECT * FROM MemberMain"); }
    void cycle() {
        for (int i = 0; i < 5; ++i) timer.fire();
        waitForPass(window);
    }

    ManualCycleTimer timer;
    MainWindow window{inst.home(), inst.clock(), &timer};
    std::optional<QString> typed;
    bool confirm = true;
    QStringList shown, messages;
};

TEST_F(MainWindowTest, StartsItselfShowsProblemsRefusesToCloseWhileRunningAndOpensTheSearch) {
    EXPECT_EQ(std::tuple(window.startStopButton->text(), window.manualImportButton->isEnabled(), window.exitButton->isEnabled(),
                         window.deleteButton->isEnabled(), window.txtTeller->text()),
              std::tuple(QString("&Stop"), false, false, true, QString("VELT")));

    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_EQ(messages, QStringList{"You can only close the application when it is not running"});

    cycle();  // settings load, empty pass
    EXPECT_EQ(window.lstProblems->count(), 0);
    inst.exec("TarvMain", "DELETE FROM ControlSwitches");
    cycle();
    EXPECT_EQ(std::pair(lines(window.lstProblems), window.lstProblems->currentRow()),
              std::pair(QStringList{"No record in ControlSwitches"}, 0));

    window.startStopButton->click();
    EXPECT_EQ(std::pair(window.startStopButton->text(), window.manualImportButton->isEnabled()), std::pair(QString("&Start"), true));
    window.searchButton->click();  // the search window opens beside the cycle, not modal
    ASSERT_NE(window.searchWindow(), nullptr);
    EXPECT_EQ(std::tuple(window.searchWindow()->isVisible(), window.searchWindow()->isModal(), window.searchWindow()->windowTitle()),
              std::tuple(true, false, QString("Text search within log files")));
    EXPECT_TRUE(window.close());
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(MainWindowTest, DeletesOnlyAWholeNumberAfterConfirmationAndStopsAtAMissingTable) {
    // The lines shown: problems first, then successes.
    const struct { std::optional<QString> typed; bool confirm; int membersLeft; QStringList shown; } cases[] = {
        {std::nullopt, true, 2, {}},  // Cancel
        {QString("123abc"), true, 2, {"Not a member number: \"123abc\" - type the whole number only; nothing deleted"}},
        {QString("123"), false, 2, {}},  // the operator said no
        {QString("123"), true, 1, {"Deleted member 123"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.value_or("<cancel>").toStdString());
        window.lstProblems->clear();
        window.lstSuccess->clear();
        typed = c.typed;
        confirm = c.confirm;
        window.deleteButton->click();
        EXPECT_EQ(std::tuple(members(), lines(window.lstProblems) + lines(window.lstSuccess), window.deleteButton->isEnabled()),
                  std::tuple(c.membersLeft, c.shown, true));
    }
    EXPECT_EQ(shown.first(), "Member 123 (Ann Lee) - rows to delete:");
    EXPECT_FALSE(window.importer().connections.TarvMain.isOpen());

    inst.exec("TarvID", "DROP TABLE IDProof");  // a missing table stops with a clear line and gives the button back
    typed = QString("1234");
    window.deleteButton->click();
    EXPECT_EQ(std::tuple(lines(window.lstProblems).value(1), members(), window.deleteButton->isEnabled()),
              std::tuple(QString("Nothing was deleted for member 1234."), 1, true));
}

// The named application is imported with its loan, only while the importer is stopped. (What an id run leaves
// unmarked, and the request file going: ImportPassRunTest.IdFileImportsOnlyThatApplicationAndLeavesItUnmarked.)
TEST(MainWindowLoanButton, ImportsTheNamedApplicationWhileStopped) {
    test::TestInstallation inst;
    inst.appendConfig(autovelt::testing::markedCodeTablesIni() + QStringLiteral("\n[timing]\nsettle_pauses = false"));
    for (long id : {5, 6})
        for (const QString& statement : autovelt::testing::insertStatements(autovelt::testing::WebApplication::joinAndBorrow(id)))
            inst.exec("online", statement);
    ManualCycleTimer timer;
    MainWindow window(inst.home(), inst.clock(), &timer);
    std::optional<QString> typed = QStringLiteral("5");
    window.askApplicationNumber = [&] { return typed; };
    const auto loans = [&] { return inst.values("TarvTran", "SELECT LoanNumber || '|' || MemberNo FROM LoanAllocation"); };

    window.loanButton->click();  // started: the button is disabled, and the cycle refuses the run too
    window.cycle().ManualLoan(5);
    EXPECT_EQ(loans(), QStringList{});
    window.startStopButton->click();
    typed = QStringLiteral("5x");
    window.loanButton->click();
    EXPECT_EQ(lines(window.lstProblems),
              QStringList{"Not an application number: \"5x\" - type the whole number only; nothing imported"});
    typed = QStringLiteral("5");
    window.loanButton->click();
    waitForPass(window);
    EXPECT_EQ(loans(), QStringList{"C1001|1"});
    EXPECT_TRUE(lines(window.lstSuccess).contains("Created L1 loan app C1001 for member 1 for \u00A31000. Status P. (table_w field_id=5)"));
}

// While the agency is slow to answer, the window answers at once: Stop turns the switch off
// and gives the search back, and Exit is refused until the pass has ended.
TEST(MainWindowWhileAPassRuns, AnswersStopAndTheSearchWhileTheAgencyCallWaits) {
    test::AgencySandbox sandbox;
    test::TestInstallation inst;
    test::InstallationTempFolder temp(inst);
    const auto encoded = [](const QString& value, int key) {
        return autovelt::testing::encodeOnlineField(value, key, autovelt::testing::SymbolUse::Some, autovelt::testing::kMarkedCodeTables);
    };
    inst.appendConfig(autovelt::testing::markedCodeTablesIni() + "\n[timing]\nsettle_pauses = false\n" + sandbox.iniSection() +
                      "\n[agency_213000]\nIdentityCheckCompany = " + encoded("RIVERSIDE", 3) + "\nIdentityCheckUserName = " +
                      encoded("riverside.cv", 4) + "\nIdentityCheckPassword = \"" + encoded("Window-Pw-7", 5) + "\"\n");
    inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, RuleBand) VALUES ('CR10A', 1, 'F')");  // checks a joiner
    for (const QString& statement : autovelt::testing::insertStatements(autovelt::testing::WebApplication::joinOnly(5).set(6, "Slowpoke")))
        inst.exec("online", statement);
    ManualCycleTimer timer;
    MainWindow window(inst.home(), inst.clock(), &timer);
    QStringList messages;
    window.showCriticalMessage = [&](const QString& text) { messages << text; };

    for (int i = 0; i < 5; ++i) timer.fire();
    for (int waited = 0; waited < 100 && sandbox.requests().isEmpty(); ++waited) QThread::msleep(100);
    QCoreApplication::processEvents();  // the agency call waits; the lines so far arrive
    window.startStopButton->click();
    window.searchButton->click();
    EXPECT_FALSE(window.close());
    EXPECT_EQ(std::tuple(window.cycle().state(), window.startStopButton->text(), window.manualImportButton->isEnabled()),
              std::tuple(CycleState::Stopping, QString("&Start"), false));
    EXPECT_TRUE(window.searchWindow() && window.searchWindow()->isVisible());
    EXPECT_TRUE(lines(window.lstSuccess).value(0).startsWith("Join+Borrow import process started at "));
    EXPECT_EQ(messages, QStringList{"You can only close the application when it is not running"});

    waitForPass(window);
    EXPECT_EQ(std::tuple(sandbox.requests().size(), lines(window.lstProblems).filter("Error: 28 - ").size(), window.cycle().state()),
              std::tuple(1, 1, CycleState::Stopped)) << lines(window.lstProblems).join('\n').toStdString();
    EXPECT_TRUE(window.close());
}

}  // namespace
