#include "gui/MainWindow.h"

#include "app/ControlSettings.h"
#include "common/VeltError.h"
#include "gui/SearchWindow.h"
#include "tools/MemberDeletion.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QVBoxLayout>

namespace autovelt::inline gui {

ListWidgetReporter::ListWidgetReporter(QListWidget* problems, QListWidget* successes, QLabel* progress) {
    const auto append = [](QListWidget* list) {
        return [list](const QString& line) {
            list->addItem(line);
            list->setCurrentRow(list->count() - 1);
        };
    };
    // The widgets' own thread: queued when the worker reports, at once when the window does.
    connect(this, &ListWidgetReporter::problemAdded, problems, append(problems));
    connect(this, &ListWidgetReporter::successAdded, successes, append(successes));
    connect(this, &ListWidgetReporter::cleared, problems, [problems, successes] { problems->clear(); successes->clear(); });
    connect(this, &ListWidgetReporter::progressShown, progress, &QLabel::setText);
}

void ListWidgetReporter::showException(const QString& problem) {
    QMutexLocker lock(&mutex_);
    ListReporter::showException(problem);
}

void ListWidgetReporter::showSuccess(const QString& success) {
    QMutexLocker lock(&mutex_);
    ListReporter::showSuccess(success);
}

void ListWidgetReporter::clear() {
    QMutexLocker lock(&mutex_);
    ListReporter::clear();
}

QStringList ListWidgetReporter::problems() const {
    QMutexLocker lock(&mutex_);
    return ListReporter::problems();
}

QStringList ListWidgetReporter::successes() const {
    QMutexLocker lock(&mutex_);
    return ListReporter::successes();
}

void ListWidgetReporter::showProgress(const PassProgress& progress) {
    emit progressShown(QStringLiteral("Application %1 of %2: %3").arg(progress.current).arg(progress.total).arg(progress.step));
}

namespace {

QPushButton* button(const QString& name, const QString& caption, const QString& tip) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(tip);
    return b;
}

QLineEdit* field(const QString& name, const QString& text = {}) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    return e;
}

}  // namespace

MainWindow::MainWindow(const QString& homeFolder, Clock& clock, CycleTimer* timer, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("VELT application importer"));
    buildControls();
    reporter_ = std::make_unique<ListWidgetReporter>(lstProblems, lstSuccess, lblProgress);
    importer_ = std::make_unique<Importer>(homeFolder, *reporter_, clock);
    if (!timer) { ownTimer_ = std::make_unique<QtCycleTimer>(); timer = ownTimer_.get(); }
    cycle_ = std::make_unique<ImportCycle>(*importer_, *timer);
    cycle_->setPassRunner([this](std::function<void()> work, std::function<void()> done) {
        runOnWorker(std::move(work), std::move(done));
    });
    cycle_->setStateListener([this] { refreshButtons(); });
    showCriticalMessage = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };

    connect(startStopButton, &QPushButton::clicked, this, [this] { cycle_->switchOnOff(); });
    connect(manualImportButton, &QPushButton::clicked, this, [this] { cycle_->ManualImport(); });
    connect(loanButton, &QPushButton::clicked, this, &MainWindow::runOneLoan);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(searchButton, &QPushButton::clicked, this, &MainWindow::openLogSearch);
    connect(deleteButton, &QPushButton::clicked, this, &MainWindow::deleteOneMember);
    askMemberNumber = [this]() -> std::optional<QString> {
        bool ok = false;
        const QString answer = QInputDialog::getText(this, QStringLiteral("DELETE"), QStringLiteral("enter member number to delete"),
                                                     QLineEdit::Normal, QString(), &ok);
        return ok ? std::optional<QString>(answer) : std::nullopt;
    };
    confirmDeletion = [this](const QStringList& whatGoes) {
        return QMessageBox::question(this, QStringLiteral("DELETE"),
                                     whatGoes.join(QLatin1Char('\n')) + QStringLiteral("\n\nDelete these records for good?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };

    askApplicationNumber = [this]() -> std::optional<QString> {
        bool ok = false;
        const QString answer = QInputDialog::getText(this, QStringLiteral("Loan"),
                                                     QStringLiteral("enter the application number (table_w field_id) to import with its loan"),
                                                     QLineEdit::Normal, QString(), &ok);
        return ok ? std::optional<QString>(answer) : std::nullopt;
    };

    importer_->LoadInstallation();
    showSettings();
    lblTellername->setText(importer_->lblTellername);
    cycle_->switchOnOff();  // the importer starts itself
}

// A window closed by its owner (not by Exit) lets a running pass end before the importer goes.
MainWindow::~MainWindow() {
    if (worker_) worker_->wait();
}

// The pass runs on a thread of its own, so the window answers while an agency call waits;
// its connections are opened, used and closed there. The end is handed back to the window's
// thread, after every report line the pass gave.
void MainWindow::runOnWorker(std::function<void()> work, std::function<void()> done) {
    worker_ = QThread::create(std::move(work));
    worker_->setParent(this);
    connect(worker_, &QThread::finished, this, [this, worker = worker_.data(), done = std::move(done)] {
        worker->deleteLater();
        done();
        emit passEnded();
    });
    worker_->start();
}

void MainWindow::buildControls() {
    startStopButton = button(QStringLiteral("startStopButton"), QStringLiteral("&Start"), QStringLiteral("Click here to start/stop import process"));
    manualImportButton = button(QStringLiteral("manualImportButton"), QStringLiteral("Manual import"), QStringLiteral("Click here for an on-demand import of applications"));
    loanButton = button(QStringLiteral("loanButton"), QStringLiteral("Loan"), QStringLiteral("Click here to import one application with its loan"));
    searchButton = button(QStringLiteral("searchButton"), QStringLiteral("Searc&h"), QStringLiteral("Search for text within Granvolt files"));
    deleteButton = button(QStringLiteral("deleteButton"), QStringLiteral("Delete"), QStringLiteral("Click here to delete the records for a new member"));
    exitButton = button(QStringLiteral("exitButton"), QStringLiteral("E&xit"), QStringLiteral("Click here to close and exit the importer"));
    lstSuccess = new QListWidget;
    lstSuccess->setObjectName(QStringLiteral("lstSuccess"));
    lstProblems = new QListWidget;
    lstProblems->setObjectName(QStringLiteral("lstProblems"));

    fraAuto = new QGroupBox(QStringLiteral("Settings (Built 08/02/2021)"));
    fraAuto->setObjectName(QStringLiteral("fraAuto"));
    txtDatabase = field(QStringLiteral("txtDatabase"));
    chkSQL = new QCheckBox(QStringLiteral("Are we connecting to SQL server?"));
    chkSQL->setObjectName(QStringLiteral("chkSQL"));
    chkAdmin = new QCheckBox(QStringLiteral("Use SA login for sql?"));
    chkAdmin->setObjectName(QStringLiteral("chkAdmin"));
    sqlUserName = field(QStringLiteral("sqlUserName"));
    sqlPW = field(QStringLiteral("sqlPW"));
    sqlPW->setEchoMode(QLineEdit::Password);
    SQLSubset = field(QStringLiteral("SQLSubset"));
    SQLCursor = field(QStringLiteral("SQLCursor"));
    PassDate = field(QStringLiteral("PassDate"));
    PassMemNo = field(QStringLiteral("PassMemNo"));
    txtTeller = field(QStringLiteral("txtTeller"));
    txtBranch = field(QStringLiteral("txtBranch"), QStringLiteral("1"));
    txtPriority = field(QStringLiteral("txtPriority"), QStringLiteral("1"));
    lblTellername = new QLabel(QStringLiteral("Web importer"));
    lblTellername->setObjectName(QStringLiteral("lblTellername"));
    lblProgress = new QLabel;
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblCycleTimes = new QLabel;
    lblCycleTimes->setObjectName(QStringLiteral("lblCycleTimes"));

    auto* settings = new QGridLayout(fraAuto);
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* w) {
        settings->addWidget(new QLabel(label), row, 0);
        settings->addWidget(w, row++, 1);
    };
    addRow(QStringLiteral("Data location is held in regData.Value"), txtDatabase);
    settings->addWidget(chkSQL, row++, 1);
    settings->addWidget(chkAdmin, row++, 1);
    addRow(QStringLiteral("SQL user"), sqlUserName);
    addRow(QStringLiteral("SQL password"), sqlPW);
    addRow(QStringLiteral("SQL subset"), SQLSubset);
    addRow(QStringLiteral("Cursor"), SQLCursor);
    addRow(QStringLiteral("Processing date"), PassDate);
    addRow(QStringLiteral("TellerName"), txtTeller);
    settings->addWidget(lblTellername, row++, 1);

    auto* title = new QLabel(QStringLiteral("Core banking VELT application importer"));
    title->setObjectName(QStringLiteral("Label35"));
    auto* successLabel = new QLabel(QStringLiteral("Details uploaded"));
    successLabel->setToolTip(QStringLiteral("Temp file location is ") + qEnvironmentVariable("TEMP"));
    auto* problemLabel = new QLabel(QStringLiteral("Any issues with upload?"));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {startStopButton, manualImportButton, loanButton, searchButton, deleteButton, exitButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(buttons);
    layout->addWidget(lblProgress);
    layout->addWidget(lblCycleTimes);
    layout->addWidget(successLabel);
    layout->addWidget(lstSuccess);
    layout->addWidget(problemLabel);
    layout->addWidget(lstProblems);
    layout->addWidget(fraAuto);
}

void MainWindow::showSettings() {
    const StartupSettings& s = importer_->startup;
    txtDatabase->setText(s.txtDatabase);
    chkSQL->setChecked(s.chkSQL);
    chkAdmin->setChecked(s.chkAdmin);
    sqlUserName->setText(s.sqlUserName);
    sqlPW->setText(s.sqlPW);
    SQLSubset->setText(s.SQLSubset);
    SQLCursor->setText(s.SQLCursor);
    PassDate->setText(importer_->PassDate);
    txtTeller->setText(importer_->txtTeller);
}

void MainWindow::refreshButtons() {
    startStopButton->setText(cycle_->startStopCaption());
    // The manual buttons work only while stopped with no pass running; the search only
    // reads, so it is there as soon as the switch is off; the deletion button stays
    // available and waits for a running pass by itself.
    for (QPushButton* b : {manualImportButton, loanButton, exitButton}) b->setEnabled(cycle_->commandButtonsEnabled());
    searchButton->setEnabled(!cycle_->started());
    // The pass sets the date when it starts; it is shown once the pass has ended.
    if (!cycle_->passRunning()) PassDate->setText(importer_->PassDate);
    showCycleTimes();
}

void MainWindow::showCycleTimes() {
    const QDateTime last = cycle_->lastCycleEnded();
    const QDateTime next = cycle_->nextCycleDue();
    QString text = last.isValid() ? QStringLiteral("Last cycle ended at ") + last.toString(QStringLiteral("HH:mm:ss"))
                                  : QStringLiteral("No cycle has run yet");
    text += next.isValid() ? QStringLiteral("; next cycle at about ") + next.toString(QStringLiteral("HH:mm:ss"))
                           : QStringLiteral("; stopped");
    lblCycleTimes->setText(text);
}

void MainWindow::openLogSearch() {
    if (!search_) search_ = std::make_unique<SearchWindow>(importer_->programFolder());
    search_->show();
    search_->raise();
    search_->activateWindow();
}

void MainWindow::runOneLoan() {
    if (!cycle_->commandButtonsEnabled()) return;
    const std::optional<QString> answer = askApplicationNumber();
    if (!answer || answer->trimmed().isEmpty()) return;
    bool ok = false;
    const long id = answer->trimmed().toLong(&ok);
    if (!ok || id <= 0) {
        importer_->ShowException(QStringLiteral("Not an application number: \"") + *answer +
                                 QStringLiteral("\" - type the whole number only; nothing imported"));
        return;
    }
    cycle_->ManualLoan(id);
}

// The pass owns the importer's connections while it runs; a deletion waits for its end. The
// question boxes let a cycle start meanwhile, so it is asked again after each of them.
bool MainWindow::refusedWhilePassRuns() {
    if (!cycle_->passRunning()) return false;
    reporter_->showException(kDeletionWaitsForCycle);
    return true;
}

void MainWindow::deleteOneMember() {
    if (refusedWhilePassRuns()) return;
    const std::optional<QString> answer = askMemberNumber();
    if (!answer || answer->trimmed().isEmpty() || refusedWhilePassRuns()) return;
    const std::optional<long> member = ParseMemberNumberAnswer(*answer);
    if (!member) {
        importer_->ShowException(QStringLiteral("Not a member number: \"") + *answer +
                                 QStringLiteral("\" - type the whole number only; nothing deleted"));
        return;
    }
    deleteButton->setEnabled(false);
    try {
        // The confirmation is asked with the connections closed, so a cycle due meanwhile
        // runs as usual; the deletion then opens them afresh.
        const MemberDeletionPlan plan = PlanMemberDeletion(*importer_, OpenDeletionConnections, *member);
        if (confirmDeletion(plan.describe()) && !refusedWhilePassRuns())
            DeleteMemberRecords(*importer_, OpenDeletionConnections, *member);
    } catch (const VeltError& error) {
        importer_->ShowException(error.description());  // names the table and the error number
        importer_->ShowException(QStringLiteral("Nothing was deleted for member %1.").arg(*member));
    }
    deleteButton->setEnabled(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!cycle_->canClose()) {
        showCriticalMessage(QStringLiteral("You can only close the application when it is not running"));
        event->ignore();
        return;
    }
    cycle_->Shutdown();
    if (search_) search_->close();
    event->accept();
}

}  // namespace autovelt::gui
