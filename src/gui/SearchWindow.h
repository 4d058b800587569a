#pragma once

#include "tools/LogSearch.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTreeView>
#include <QWidget>
#include <atomic>
#include <functional>

namespace autovelt::inline gui {

// "Text search within log files": lists the files of a folder and finds those holding a
// text. The search runs on a worker thread; matches appear in the grid as they are found,
// newest first, and the search can be cancelled.
class SearchWindow : public QWidget {
    Q_OBJECT
public:
    explicit SearchWindow(const QString& startFolder, QWidget* parent = nullptr);
    ~SearchWindow() override;

    // The folder tree's path; the file list follows it.
    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    bool searching() const { return worker_ != nullptr; }

    void startSearch();
    void cancelSearch();
    // Opens the file of a grid row in the system's text viewer, when it still exists.
    void openRow(int row);

    // Message boxes and the viewer; tests replace them.
    std::function<void(const QString&)> showInformation;
    std::function<void(const QString&)> showCritical;
    std::function<bool(const QString& title)> askContinue;  // true = carry on
    std::function<void(const QString& path)> openFile;

    QComboBox* Drive1;
    QTreeView* Dir1;
    QListWidget* MyFileList;
    QLineEdit* txtSearchText;
    QPushButton* searchButton;
    QPushButton* cancelButton;
    QPushButton* exitButton;
    QTableWidget* grdFiles;
    QLabel* lblFiles;
    QLabel* LblPath;
    QLabel* lblProgress;

signals:
    void searchFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void resetGrid();
    void refreshFileList();
    void addMatch(const LogMatch& match);
    void showProgress(int searched, int listed);
    bool askFromWorker(const QString& path, const QString& reason);
    void finishSearch(LogSearchEnd end, int searched);
    void setSearching(bool on);

    QFileSystemModel* folders_;
    QString folder_;
    QString searchedFolder_;
    int listed_ = 0;
    QThread* worker_ = nullptr;
    std::atomic<bool> cancel_{false};
};

}  // namespace autovelt::gui
