#pragma once

// Finding which text files of a folder contain a piece of text, most often among the
// importer's own activity logs. A plain function that reports each match as it is found,
// so a window can show results while the search runs on another thread.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <vector>

namespace autovelt::inline tools {

// The folder list shows at most this many files; a fuller folder is refused.
inline constexpr int kMaxListedFiles = 32767;

// The files of a folder in the order the file list shows them: by name, without case;
// hidden files are not listed.
QStringList ListFolderFiles(const QString& folder);

// The installation's log folders: every "VELTLOGS_*" folder (activity logs) and "web"
// (importer log files), those that exist.
QStringList InstallationLogFolders(const QString& installationFolder);

// Files never opened: names beginning with "~" and paths ending in an extension of
// archives, databases, documents, images, programs and temporary files.
bool IsSkippedFile(const QString& name);

// Finds a run of bytes, ASCII letters compared without case.
class FoldedAsciiSearcher {
public:
    explicit FoldedAsciiSearcher(const QByteArray& text);
    bool foundIn(const QByteArray& contents) const;

private:
    QByteArray needle_;                // folded to lower case
    std::array<qsizetype, 256> skip_;  // how far the window moves after each byte
};

// True when the text occurs, without regard to case, in the contents read as UTF-8 or as
// Windows-1252 text. ASCII letters of the text match ASCII letters only.
class TextMatcher {
public:
    explicit TextMatcher(const QString& text);
    bool matches(const QByteArray& contents) const;

private:
    QString text_;
    bool ascii_;
    FoldedAsciiSearcher run_;  // the whole text when ASCII, else its longest ASCII run
};

struct LogMatch {
    QString name;
    QDateTime modified;
    QString sortKey;  // the modified time as "yyyyMMddHHmmss"
};

// Most recently modified first; equal times keep the list order.
void SortNewestFirst(std::vector<LogMatch>& matches);

struct LogSearchCallbacks {
    std::function<void(const LogMatch&)> onMatch;
    // After each file: files searched so far of files listed.
    std::function<void(int searched, int listed)> onProgress;
    // A file that could not be read; true carries on with the next file.
    std::function<bool(const QString& path, const QString& reason)> onUnreadable;
};

enum class LogSearchEnd { Completed, Cancelled, Stopped };

struct LogSearchResult {
    LogSearchEnd end = LogSearchEnd::Completed;
    std::vector<LogMatch> matches;  // newest first
    int searched = 0;
};

// Searches the named files of the folder in the order given. Empty text searches nothing.
// The cancel flag is read before each file.
LogSearchResult SearchLogFiles(const QString& folder, const QStringList& names, const QString& text,
                               const LogSearchCallbacks& callbacks, const std::atomic<bool>* cancel = nullptr);

}  // namespace autovelt::tools
