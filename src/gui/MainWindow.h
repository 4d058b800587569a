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
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace autovelt::inline gui {

class SearchWindow;

// Hands report lines and progress to the window's lists. The pass reports from its worker
// thread: the lines are kept under a lock and reach the widgets through queued signals, so
// the window is never painted from the worker and never has to pump its own events.
class ListWidgetReporter : public QObject, public ListReporter {
    Q_OBJECT
public:
    ListWidgetReporter(QListWidget* problems, QListWidget* successes, QLabel* progress);

    void showException(const QString& problem) override;
    void showSuccess(const QString& success) override;
    void clear() override;
    QStringList problems() const override;
    QStringList successes() const override;
    void showProgress(const PassProgress& progress) override;

signals:
    void problemAdded(const QString& line);
    void successAdded(const QString& line);
    void cleared();
    void progressShown(const QString& text);

protected:
    void onProblem(const QString& line) override { emit problemAdded(line); }
    void onSuccess(const QString& line) override { emit successAdded(line); }
    void onClear() override { emit cleared(); }

private:
    mutable QMutex mutex_;
};

// The importer's main window: the start/stop switch, the manual buttons, the two report
// lists and the settings fields. Everything it does is a call into the core.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(const QString& homeFolder, Clock& clock, CycleTimer* timer = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

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

    void openLogSearch();
    void runOneLoan();
    void deleteOneMember();
    // The log search window, once opened.
    SearchWindow* searchWindow() const { return search_.get(); }

signals:
    // A pass (a cycle's or a manual one) has ended and the buttons show it.
    void passEnded();

public:

    QPushButton* startStopButton;
    QPushButton* manualImportButton;
    QPushButton* loanButton;
    QPushButton* searchButton;
    QPushButton* deleteButton;
    QPushButton* exitButton;
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
    void runOnWorker(std::function<void()> work, std::function<void()> done);
    bool refusedWhilePassRuns();

    std::unique_ptr<ListWidgetReporter> reporter_;
    std::unique_ptr<Importer> importer_;
    std::unique_ptr<QtCycleTimer> ownTimer_;
    std::unique_ptr<ImportCycle> cycle_;
    std::unique_ptr<SearchWindow> search_;
    QPointer<QThread> worker_;  // the running pass's thread
};

}  // namespace autovelt::gui
