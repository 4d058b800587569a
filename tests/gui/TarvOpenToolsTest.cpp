#include "gui/TarvOpen.h"
#include "gui/frmSearch.h"
#include "support/TestInstallation.h"
#include "support/WebApplication.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class TarvOpenToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (long member : {123, 1234}) {
            inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberMain (MemberNo, Forename, Surname) VALUES (%1, 'Ann', 'Lee')").arg(member));
            inst.exec("TarvTran", QStringLiteral("INSERT INTO Diary (MemberNo) VALUES (%1)").arg(member));
        }
        window.askMemberNumber = [this] { return typed; };
        window.confirmDeletion = [this](const QStringList& whatGoes) { shown = whatGoes; return confirm; };
    }
    int members() { return inst.count("TarvMain", "SELECT * FROM MemberMain"); }
    QStringList lines(QListWidget* list) {
        QStringList result;
        for (int i = 0; i < list->count(); ++i) result << list->item(i)->text();
        return result;
    }

    test::TestInstallation inst;
    ManualCycleTimer timer;
    TarvOpen window{inst.home(), inst.clock(), &timer};
    std::optional<QString> typed;
    bool confirm = true;
    QStringList shown;
};

TEST_F(TarvOpenToolsTest, DeletesOnlyAWholeNumberAfterConfirmation) {
    const struct { std::optional<QString> typed; bool confirm; int membersLeft; const char* problem; const char* success; } cases[] = {
        {std::nullopt, true, 2, nullptr, nullptr},  // Cancel
        {QString(""), true, 2, nullptr, nullptr},
        {QString("0"), true, 2, "Not a member number: \"0\" - type the whole number only; nothing deleted", nullptr},
        {QString("123abc"), true, 2, "Not a member number: \"123abc\" - type the whole number only; nothing deleted", nullptr},
        {QString("123"), false, 2, nullptr, nullptr},  // the operator said no
        {QString("123"), true, 1, nullptr, "Deleted member 123"},
    };
    for (const auto& c : cases) {
        window.lstProblems->clear();
        window.lstSuccess->clear();
        typed = c.typed;
        confirm = c.confirm;
        window.cmdDelete->click();
        const std::string label = c.typed.value_or("<cancel>").toStdString();
        EXPECT_EQ(members(), c.membersLeft) << label;
        EXPECT_EQ(lines(window.lstProblems), c.problem ? QStringList{c.problem} : QStringList{}) << label;
        EXPECT_EQ(lines(window.lstSuccess), c.success ? QStringList{c.success} : QStringList{}) << label;
        EXPECT_TRUE(window.cmdDelete->isEnabled()) << label;
    }
    EXPECT_EQ(shown.first(), "Member 123 (Ann Lee) - rows to delete:");
    EXPECT_EQ(inst.count("TarvMain", "SELECT * FROM MemberMain WHERE MemberNo=1234"), 1);
    EXPECT_FALSE(window.importer().connections.TarvMain.isOpen());
}

TEST_F(TarvOpenToolsTest, MissingTableStopsWithAClearLineAndTheButtonBack) {
    inst.exec("TarvID", "DROP TABLE IDProof");
    typed = QString("123");
    window.cmdDelete->click();
    ASSERT_EQ(window.lstProblems->count(), 2);
    EXPECT_TRUE(window.lstProblems->item(0)->text().startsWith("Member deletion stopped at table IDProof: "))
        << window.lstProblems->item(0)->text().toStdString();
    EXPECT_EQ(window.lstProblems->item(1)->text(), "Nothing was deleted for member 123.");
    EXPECT_EQ(members(), 2);
    EXPECT_TRUE(window.cmdDelete->isEnabled());
}

TEST_F(TarvOpenToolsTest, SearchButtonOpensTheSearchWindowBesideTheCycle) {
    window.cmdAutoOnOff->click();  // stopped: the search button works
    window.cmdSearch->click();
    ASSERT_NE(window.searchWindow(), nullptr);
    EXPECT_TRUE(window.searchWindow()->isVisible());
    EXPECT_FALSE(window.searchWindow()->isModal());
    EXPECT_EQ(window.searchWindow()->windowTitle(), "Text search within log files");
}

}  // namespace

// The "Loan" button imports the one application typed, with its loan, and only while the
// importer is stopped.
TEST(TarvOpenLoanButton, ImportsTheNamedApplicationWhileStopped) {
    test::TestInstallation inst;
    inst.appendConfig(autovelt::testing::markedCodeTablesIni() + QStringLiteral("\n[timing]\nsettle_pauses = false"));
    for (long id : {5, 6})
        for (const QString& statement : autovelt::testing::insertStatements(autovelt::testing::WebApplication::joinAndBorrow(id)))
            inst.exec("online", statement);
    ManualCycleTimer timer;
    TarvOpen window(inst.home(), inst.clock(), &timer);
    std::optional<QString> typed = QStringLiteral("5");
    window.askApplicationNumber = [&] { return typed; };
    const auto loans = [&] { return inst.count("TarvTran", "SELECT * FROM LoanAllocation"); };

    window.cmdLoan->click();  // started: the button is disabled
    EXPECT_EQ(loans(), 0);
    window.cmdAutoOnOff->click();
    typed = QStringLiteral("5x");
    window.cmdLoan->click();
    ASSERT_EQ(window.lstProblems->count(), 1);
    EXPECT_EQ(window.lstProblems->item(0)->text(), "Not an application number: \"5x\" - type the whole number only; nothing imported");
    typed = QStringLiteral("5");
    window.cmdLoan->click();
    EXPECT_EQ(loans(), 1);
    EXPECT_EQ(inst.count("TarvMain", "SELECT * FROM MemberMain"), 1);
    EXPECT_EQ(inst.count("online", "SELECT * FROM table_w WHERE field_107='N'"), 2);
}
