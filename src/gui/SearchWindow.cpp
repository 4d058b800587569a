#include "gui/SearchWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <chrono>
#include <future>
#include <memory>

namespace autovelt::inline gui {

namespace {

constexpr int kNameWidth = 200;     // 3000 twips
constexpr int kModifiedWidth = 100; // 1500 twips
const QColor kFocusColour(0, 255, 255);

QPushButton* button(const QString& name, const QString& caption, const QString& tip = {}) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(tip);
    return b;
}

}  // namespace

SearchWindow::SearchWindow(const QString& startFolder, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("SearchWindow"));
    setWindowTitle(QStringLiteral("Text search within log files"));
    buildControls();
    showInformation = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
    showCritical = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };
    askContinue = [this](const QString& title) {
        return QMessageBox::question(this, title, QStringLiteral("Continue search?")) == QMessageBox::Yes;
    };
    openFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    setFolder(startFolder);
}

SearchWindow::~SearchWindow() {
    if (!worker_) return;
    cancel_ = true;
    worker_->wait();
    delete worker_;
}

void SearchWindow::buildControls() {
    Drive1 = new QComboBox;
    Drive1->setObjectName(QStringLiteral("Drive1"));
    for (const QFileInfo& drive : QDir::drives()) Drive1->addItem(drive.absolutePath());
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QString());
    Dir1 = new QTreeView;
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(folders_);
    for (int column = 1; column < folders_->columnCount(); ++column) Dir1->hideColumn(column);
    Dir1->setHeaderHidden(true);
    MyFileList = new QListWidget;
    MyFileList->setObjectName(QStringLiteral("MyFileList"));
    txtSearchText = new QLineEdit;
    txtSearchText->setObjectName(QStringLiteral("txtSearchText"));
    txtSearchText->installEventFilter(this);
    searchButton = button(QStringLiteral("searchButton"), QStringLiteral("&Search"), QStringLiteral("Search for text within Granvolt files"));
    cancelButton = button(QStringLiteral("cancelButton"), QStringLiteral("&Cancel"), QStringLiteral("Stop the search"));
    cancelButton->setEnabled(false);
    exitButton = button(QStringLiteral("exitButton"), QStringLiteral("E&xit"));
    grdFiles = new QTableWidget(0, 3);
    grdFiles->setObjectName(QStringLiteral("grdFiles"));
    grdFiles->horizontalHeader()->hide();
    grdFiles->verticalHeader()->hide();
    grdFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lblFiles = new QLabel(QStringLiteral("Files"));
    lblFiles->setObjectName(QStringLiteral("lblFiles"));
    LblPath = new QLabel(QStringLiteral("Path (click for the temporary folder)"));
    LblPath->setObjectName(QStringLiteral("LblPath"));
    LblPath->installEventFilter(this);
    lblProgress = new QLabel;
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    resetGrid();

    connect(Drive1, &QComboBox::textActivated, this, &SearchWindow::setFolder);
    connect(Dir1, &QTreeView::clicked, this, [this](const QModelIndex& index) { setFolder(folders_->filePath(index)); });
    connect(txtSearchText, &QLineEdit::textChanged, this, [this] { if (!searching()) resetGrid(); });
    connect(searchButton, &QPushButton::clicked, this, &SearchWindow::startSearch);
    connect(cancelButton, &QPushButton::clicked, this, &SearchWindow::cancelSearch);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    // A double click or Enter on a row, as the platform's style activates items.
    connect(grdFiles, &QTableWidget::activated, this, [this](const QModelIndex& index) { openRow(index.row()); });

    auto* left = new QVBoxLayout;
    left->addWidget(Drive1);
    left->addWidget(LblPath);
    left->addWidget(Dir1);
    left->addWidget(lblFiles);
    left->addWidget(MyFileList);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {searchButton, cancelButton, exitButton}) buttons->addWidget(b);
    auto* right = new QVBoxLayout;
    right->addWidget(txtSearchText);
    right->addLayout(buttons);
    right->addWidget(lblProgress);
    right->addWidget(grdFiles);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
}

void SearchWindow::resetGrid() {
    grdFiles->clearContents();
    grdFiles->setRowCount(0);
    grdFiles->setColumnWidth(0, kNameWidth);
    grdFiles->setColumnWidth(1, kModifiedWidth);
    grdFiles->setColumnHidden(2, true);  // the sort key
}

void SearchWindow::setFolder(const QString& folder) {
    folder_ = QDir::cleanPath(folder);
    const QModelIndex index = folders_->index(folder_);
    if (index.isValid()) {
        Dir1->setCurrentIndex(index);
        Dir1->scrollTo(index);
    }
    refreshFileList();
}

void SearchWindow::refreshFileList() {
    MyFileList->clear();
    const QStringList files = ListFolderFiles(folder_);
    if (files.size() > kMaxListedFiles) {
        showCritical(QStringLiteral("This folder contains too many files to search - please manipulate folder contents."));
        return;
    }
    MyFileList->addItems(files);
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblPath && event->type() == QEvent::MouseButtonRelease) {
        setFolder(QDir::tempPath());
        return true;
    }
    if (watched != txtSearchText) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::FocusIn: {
            QPalette palette = txtSearchText->palette();
            palette.setColor(QPalette::Base, kFocusColour);
            txtSearchText->setPalette(palette);
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, txtSearchText, &QLineEdit::selectAll);
            break;
        }
        case QEvent::FocusOut:
            txtSearchText->setPalette(QPalette());
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter) {
                focusNextChild();
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::startSearch() {
    const QString text = txtSearchText->text();
    if (searching() || text.isEmpty() || MyFileList->count() == 0) return;
    QStringList names;
    for (int i = 0; i < MyFileList->count(); ++i) names << MyFileList->item(i)->text();
    resetGrid();
    setSearching(true);
    searchedFolder_ = folder_;
    cancel_ = false;
    listed_ = static_cast<int>(names.size());
    showProgress(0, listed_);

    LogSearchCallbacks callbacks;
    callbacks.onMatch = [this](const LogMatch& match) {
        QMetaObject::invokeMethod(this, [this, match] { addMatch(match); }, Qt::QueuedConnection);
    };
    callbacks.onProgress = [this](int searched, int listed) {
        // Enough to move the label smoothly without flooding the window's queue.
        if (searched % 25 == 0 || searched == listed)
            QMetaObject::invokeMethod(this, [this, searched, listed] { showProgress(searched, listed); }, Qt::QueuedConnection);
    };
    callbacks.onUnreadable = [this](const QString& path, const QString& reason) { return askFromWorker(path, reason); };
    const QString folder = searchedFolder_;
    worker_ = QThread::create([this, folder, names, text, callbacks] {
        const LogSearchResult result = SearchLogFiles(folder, names, text, callbacks, &cancel_);
        QMetaObject::invokeMethod(this, [this, end = result.end, searched = result.searched] { finishSearch(end, searched); },
                                  Qt::QueuedConnection);
    });
    worker_->start();
}

// Closing stops a running search; its end arrives later and puts the buttons back.
void SearchWindow::closeEvent(QCloseEvent* event) {
    cancel_ = true;
    QWidget::closeEvent(event);
}

void SearchWindow::cancelSearch() {
    cancel_ = true;
    cancelButton->setEnabled(false);
}

// Runs on the worker: the question is asked by the window's thread while the worker waits,
// giving up when the search is cancelled (the window closing) meanwhile.
bool SearchWindow::askFromWorker(const QString& path, const QString& reason) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> future = answer->get_future();
    const QString title = QStringLiteral("Error ") + path + QStringLiteral(" (") + reason + QLatin1Char(')');
    QMetaObject::invokeMethod(this, [this, answer, title] { answer->set_value(askContinue(title)); }, Qt::QueuedConnection);
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (cancel_) return false;
    return future.get();
}

void SearchWindow::addMatch(const LogMatch& match) {
    // Kept newest first while results arrive; equal times stay in list order.
    int row = 0;
    while (row < grdFiles->rowCount() && grdFiles->item(row, 2)->text() >= match.sortKey) ++row;
    grdFiles->insertRow(row);
    grdFiles->setItem(row, 0, new QTableWidgetItem(match.name));
    grdFiles->setItem(row, 1, new QTableWidgetItem(match.modified.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))));
    grdFiles->setItem(row, 2, new QTableWidgetItem(match.sortKey));
}

void SearchWindow::showProgress(int searched, int listed) {
    lblProgress->setText(QStringLiteral("Searched %1 of %2 files").arg(searched).arg(listed));
}

void SearchWindow::finishSearch(LogSearchEnd end, int searched) {
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    setSearching(false);
    showProgress(searched, listed_);
    if (end == LogSearchEnd::Completed) showInformation(QStringLiteral("Search complete - review grid for results"));
    else lblProgress->setText(lblProgress->text() + (end == LogSearchEnd::Cancelled ? QStringLiteral(" - cancelled") : QStringLiteral(" - stopped")));
    txtSearchText->setFocus();
    emit searchFinished();
}

void SearchWindow::setSearching(bool on) {
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
    searchButton->setEnabled(!on);
    exitButton->setEnabled(!on);
    cancelButton->setEnabled(on);
    txtSearchText->setReadOnly(on);
}

void SearchWindow::openRow(int row) {
    const QTableWidgetItem* name = grdFiles->item(row, 0);
    if (!name) return;
    const QString path = QDir(searchedFolder_).filePath(name->text());
    if (QFileInfo(path).isFile()) openFile(path);
}

}  // namespace autovelt::gui
