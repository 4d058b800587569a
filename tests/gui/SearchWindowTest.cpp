#include "gui/SearchWindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include "support/QtPrinters.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// A folder of activity logs, each with its own modified time (hours after a fixed moment).
const struct { const char* name; QByteArray contents; int hour; } kLogs[] = {
    {"Eventlog20260301.txt", "Member 123 joined\r\n", 1}, {"Eventlog20260305.txt", "MEMBER 123 refused\r\n", 5},
    {"Eventlog20260303.txt", "member 4 joined\r\n", 3},   {"ansi.txt", "Caf\xE9 cr\xE8me for member 123\r\n", 2},  // Windows-1252
    {"utf8.txt", "Caf\xC3\xA9 au lait\r\n", 4},           {"~Eventlog.txt", "member 123\r\n", 9},
    {"report.PDF", "member 123\r\n", 9}, {"archive.zip", "member 123\r\n", 9}, {"notes.rtf", "member 123\r\n", 9},
};

class SearchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& log : kLogs) write(log.name, log.contents, log.hour);
        window.showInformation = [this](const QString& text) { messages << text; };
        window.showCritical = [this](const QString& text) { messages << text; };
        window.openFile = [this](const QString& path) { opened << path; };
        window.setFolder(dir.path());
    }
    void write(const QString& name, const QByteArray& contents, int hour) {
        test::WriteFileBytes(dir.filePath(name), contents, QDateTime(QDate(2026, 3, 5), QTime(hour, 0)));
    }
    // Presses Search and waits for the worker to end.
    void search(const QString& text) {
        window.txtSearchText->setText(text);
        QEventLoop loop;
        QObject::connect(&window, &SearchWindow::searchFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        window.startSearch();
        if (window.searching()) loop.exec();
    }
    QStringList grid() {
        QStringList names;
        for (int row = 0; row < window.grdFiles->rowCount(); ++row) names << window.grdFiles->item(row, 0)->text();
        return names;
    }
    bool idle() { return window.searchButton->isEnabled() && window.exitButton->isEnabled() && !window.cancelButton->isEnabled(); }

    QTemporaryDir dir;
    SearchWindow window{QDir::tempPath()};
    QStringList messages, opened;
};

// Newest first, without case, in either reading; a found file opens only while it still exists; an
// empty text or folder does nothing.
TEST_F(SearchWindowTest, FindsOpensAndIgnoresEmptyTextOrFolder) {
    const struct { const char* text; QStringList expected; } cases[] = {
        {"nowhere", {}}, {"member 123", {"Eventlog20260305.txt", "ansi.txt", "Eventlog20260301.txt"}},
        {"mEmBeR", {"Eventlog20260305.txt", "Eventlog20260303.txt", "ansi.txt", "Eventlog20260301.txt"}},
        {"CAFÉ", {"utf8.txt", "ansi.txt"}},
    };
    for (const auto& c : cases) {
        messages.clear();
        search(QString::fromUtf8(c.text));
        EXPECT_EQ(std::tuple(grid(), messages, window.lblProgress->text(), idle()),
                  std::tuple(c.expected, QStringList{"Search complete - review grid for results"}, QString("Searched 9 of 9 files"), true))
            << c.text;
    }
    EXPECT_TRUE(window.grdFiles->isColumnHidden(2));
    ASSERT_FALSE(grid().isEmpty());
    EXPECT_EQ(window.grdFiles->item(0, 2)->text(), "20260305040000");  // the hidden sort key of utf8.txt

    search("member 123");
    emit window.grdFiles->activated(window.grdFiles->model()->index(0, 1));  // double click or Enter
    EXPECT_EQ(opened, QStringList{dir.filePath("Eventlog20260305.txt")});
    QFile::remove(dir.filePath("ansi.txt"));
    messages.clear();
    window.openRow(1);
    EXPECT_EQ(opened.size(), 1);
    search("");
    EXPECT_EQ(std::pair(messages, grid()), std::pair(QStringList(), QStringList()));  // the text change alone cleared the grid
    window.setFolder(dir.path());   // listed afresh, without the removed file
    search("member 123");
    messages.clear();
    QTemporaryDir empty;
    window.setFolder(empty.path());
    window.startSearch();
    EXPECT_EQ(std::tuple(window.searching(), messages, grid().size()), std::tuple(false, QStringList(), 2));  // the last results stay
}

// A file that vanishes after the list was read cannot be opened: the window asks whether to go on.
// Cancel pressed while the question is open ends the search halfway.
TEST_F(SearchWindowTest, UnreadableFileAsksAndCancelStopsHalfway) {
    const struct { const char* answer; QStringList expected; int messages; const char* progress; } cases[] = {
        {"yes", {"Eventlog20260305.txt", "ansi.txt", "Eventlog20260301.txt"}, 1, "Searched 9 of 9 files"},
        {"no", {"ansi.txt", "Eventlog20260301.txt"}, 0, "Searched 3 of 9 files - stopped"},
        {"cancel", {"ansi.txt", "Eventlog20260301.txt"}, 0, "Searched 4 of 9 files - cancelled"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        window.setFolder(dir.path());
        QFile::remove(dir.filePath("Eventlog20260303.txt"));  // fourth in list order, after two matches
        QStringList titles;
        window.askContinue = [&](const QString& title) {
            titles << title;
            if (QLatin1String(c.answer) == QLatin1String("cancel")) window.cancelSearch();
            return QLatin1String(c.answer) != QLatin1String("no");
        };
        messages.clear();
        search("member 123");
        EXPECT_EQ(std::tuple(grid(), messages.size(), window.lblProgress->text(), idle()),
                  std::tuple(c.expected, qsizetype(c.messages), QString(c.progress), true));
        ASSERT_EQ(titles.size(), 1);
        EXPECT_TRUE(titles[0].startsWith("Error " + dir.filePath("Eventlog20260303.txt") + " (")) << titles[0].toStdString();
        write("Eventlog20260303.txt", "member 4 joined\r\n", 3);
    }
}

// The search text turns cyan with the focus; Enter moves on instead of typing; a click on the path
// label jumps to the temporary folder; a folder too full to list is refused.
TEST_F(SearchWindowTest, FocusKeysPathLabelAndAFolderTooFull) {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    window.txtSearchText->setFocus();
    EXPECT_EQ(window.txtSearchText->palette().color(QPalette::Base), QColor(0, 255, 255));
    int returns = 0;
    QObject::connect(window.txtSearchText, &QLineEdit::returnPressed, [&] { ++returns; });
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(window.txtSearchText, &press);
    EXPECT_EQ(std::tuple(returns, QApplication::focusWidget() == window.txtSearchText, window.txtSearchText->palette().color(QPalette::Base)),
              std::tuple(0, false, QPalette().color(QPalette::Base)));
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.LblPath, &click);
    EXPECT_EQ(window.folder(), QDir::cleanPath(QDir::tempPath()));

    QTemporaryDir full;
    for (int i = 0; i <= kMaxListedFiles; ++i) QFile(full.filePath(QString::number(i))).open(QIODevice::WriteOnly);
    messages.clear();
    window.setFolder(full.path());
    EXPECT_EQ(messages, QStringList{"This folder contains too many files to search - please manipulate folder contents."});
    EXPECT_EQ(window.MyFileList->count(), 0);  // so a search does nothing
}

}  // namespace
