#pragma once

#include "app/ImportCycle.h"
#include "state/Importer.h"
#include "app/QtCycleTimer.h"
#include "state/Reporter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace autovelt {

class frmSearch;

// Shows report lines in the two lists as they arrive, keeping the window painted.
class ListWidgetReporter : public ListReporter {
public:
    ListWidgetReporter(QListWidget* problems, QListWidget* successes, QLabel* progress)
        : problems_(problems), successes_(successes), progress_(progress) {}

    void showProgress(const PassProgress& progress) override;

protected:
    void onProblem(const QString& line) override { append(problems_, line); }
    void onSuccess(const QString& line) override { append(successes_, line); }
    void onClear() override { problems_->clear(); successes_->clear(); }

private:
    static void append(QListWidget* list, const QString& line);
    QListWidget* problems_;
    QListWidget* successes_;
    QLabel* progress_;
};

// The importer's main window: the start/stop switch, the manual buttons, the two report
// lists and the settings fields. Everything it does is a call into the core.
class TarvOpen : public QWidget {
    Q_OBJECT
public:
    TarvOpen(const QString& homeFolder, Clock& clock, CycleTimer* timer = nullptr, QWidget* parent = nullptr);
    ~TarvOpen() override;

    Importer& importer() { return *importer_; }
    ImportCycle& cycle() { return *cycle_; }

    // Shows the close refusal; tests replace it to answer the message box.
    std::function<void(const QString&)> showCriticalMessage;
    // The deletion's questions: the member number typed (nothing for Cancel), and the
    // confirmation of what will be removed. Tests replace them.
    std::function<std::optional<QString>()> askMemberNumber;
    std::function<bool(const QStringList& whatGoes)> confirmDeletion;
    // The loan run's question: the application number typed (nothing for Cancel).
    std::function<std::optional<QString>()> askApplicationNumber;

    void cmdSearch_Click();
    void cmdLoanRun_Click();
    void cmdDelete_Click();
    // The log search window, once opened.
    frmSearch* searchWindow() const { return search_.get(); }

    QPushButton* cmdAutoOnOff;
    QPushButton* cmdMembers;
    QPushButton* cmdLoan;
    QPushButton* cmdSearch;
    QPushButton* cmdDelete;
    QPushButton* cmdExit;
    QListWidget* lstSuccess;
    QListWidget* lstProblems;
    QGroupBox* fraAuto;
    QLineEdit* txtDatabase;
    QCheckBox* chkSQL;
    QCheckBox* chkAdmin;
    QLineEdit* sqlUserName;
    QLineEdit* sqlPW;
    QLineEdit* SQLSubset;
    QLineEdit* SQLCursor;
    QLineEdit* PassDate;
    QLineEdit* PassMemNo;
    QLineEdit* txtTeller;
    QLineEdit* txtBranch;
    QLineEdit* txtPriority;
    QLabel* lblTellername;
    QLabel* lblProgress;     // application i of N and its step, while a pass runs
    QLabel* lblCycleTimes;   // when the last cycle ended and the next is due

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showSettings();
    void refreshButtons();
    void showCycleTimes();

    std::unique_ptr<ListWidgetReporter> reporter_;
    std::unique_ptr<Importer> importer_;
    std::unique_ptr<QtCycleTimer> ownTimer_;
    std::unique_ptr<ImportCycle> cycle_;
    std::unique_ptr<frmSearch> search_;
};

}  // namespace autovelt
