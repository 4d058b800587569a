#include "tools/LogSearch.h"

#include "common/AnsiCodePage.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autovelt::inline tools {

QStringList ListFolderFiles(const QString& folder) {
    if (folder.isEmpty()) return {};
    return QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QStringList InstallationLogFolders(const QString& installationFolder) {
    const QDir home(installationFolder);
    QStringList folders;
    for (const QString& name : home.entryList({QStringLiteral("VELTLOGS_*")}, QDir::Dirs, QDir::Name))
        folders << home.filePath(name);
    if (QFileInfo(home.filePath(QStringLiteral("web"))).isDir()) folders << home.filePath(QStringLiteral("web"));
    return folders;
}

bool IsSkippedFile(const QString& name) {
    static const QStringList skipped = {
        QStringLiteral("ZIP"), QStringLiteral("MDB"), QStringLiteral("DOC"), QStringLiteral("OCX"),
        QStringLiteral("XLS"), QStringLiteral("LSX"), QStringLiteral("PDF"), QStringLiteral("RPT"),
        QStringLiteral("JPG"), QStringLiteral("BMP"), QStringLiteral("ICO"), QStringLiteral("PEG"),
        QStringLiteral("TIF"), QStringLiteral("EXE"), QStringLiteral("FRX"), QStringLiteral("TMP"),
        QStringLiteral("RTF")};
    if (name.startsWith(QLatin1Char('~'))) return true;
    return skipped.contains(name.right(3).toUpper());
}

namespace {

QString windows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char byte : bytes) *out++ = ansiCharacter(static_cast<unsigned char>(byte));
    return text;
}

bool plainAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// ASCII letters folded to lower case; every other byte stays itself.
constexpr std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> fold{};
    for (int i = 0; i < 256; ++i) fold[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
    return fold;
}();

bool readWholeFile(const QString& path, QByteArray& contents, QString& reason) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) { reason = QString::fromLocal8Bit(std::strerror(errno)); return false; }
    struct stat info {};
    const qsizetype size = ::fstat(fd, &info) == 0 ? static_cast<qsizetype>(info.st_size) : 0;
    contents.resize(size);
    qsizetype filled = 0;
    for (;;) {
        // The file as it was when opened: a log still being written is read up to there.
        if (size > 0 && filled == size) break;
        if (filled == contents.size()) contents.resize(filled + 65536);  // no size known (a pipe, /proc)
        const ssize_t got = ::read(fd, contents.data() + filled, static_cast<size_t>(contents.size() - filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) { reason = QString::fromLocal8Bit(std::strerror(errno)); ::close(fd); return false; }
        if (got == 0) break;
        filled += got;
    }
    ::close(fd);
    contents.resize(filled);
    return true;
}

// The longest run of ASCII characters in the text: a file holding the text, read either
// way, holds this run as bytes.
QByteArray longestAsciiRun(const QString& text) {
    QByteArray best, run;
    for (QChar c : text) {
        if (c.unicode() < 0x80) { run += static_cast<char>(c.unicode()); continue; }
        if (run.size() > best.size()) best = run;
        run.clear();
    }
    return run.size() > best.size() ? run : best;
}

}  // namespace

// Boyer-Moore-Horspool with ASCII letters folded: the byte under the end of the window
// decides how far it jumps, so most bytes of a log are never compared.
FoldedAsciiSearcher::FoldedAsciiSearcher(const QByteArray& text) : needle_(text) {
    for (char& c : needle_) c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    const qsizetype n = needle_.size();
    skip_.fill(n > 0 ? n : 1);
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const auto c = static_cast<unsigned char>(needle_[i]);
        skip_[c] = n - 1 - i;
        if (c >= 'a' && c <= 'z') skip_[c - 32] = n - 1 - i;
    }
}

bool FoldedAsciiSearcher::foundIn(const QByteArray& haystack) const {
    const auto* h = reinterpret_cast<const unsigned char*>(haystack.constData());
    const auto* n = reinterpret_cast<const unsigned char*>(needle_.constData());
    const qsizetype hn = haystack.size(), nn = needle_.size();
    if (nn == 0) return true;
    const unsigned char last = n[nn - 1];
    for (qsizetype pos = 0; pos + nn <= hn;) {
        const unsigned char tail = h[pos + nn - 1];
        if (kFold[tail] == last) {
            qsizetype i = 0;
            while (i < nn - 1 && kFold[h[pos + i]] == n[i]) ++i;
            if (i == nn - 1) return true;
        }
        pos += skip_[tail];
    }
    return false;
}

TextMatcher::TextMatcher(const QString& text)
    : text_(text), ascii_(plainAscii(text)), run_(ascii_ ? text.toLatin1() : longestAsciiRun(text)) {}

bool TextMatcher::matches(const QByteArray& contents) const {
    if (text_.isEmpty()) return false;
    // ASCII bytes are the same characters in both readings: the bytes answer for an ASCII
    // text, and rule out most files before a text with other letters is decoded.
    if (!run_.foundIn(contents)) return false;
    if (ascii_) return true;
    return QString::fromUtf8(contents).contains(text_, Qt::CaseInsensitive) ||
           windows1252(contents).contains(text_, Qt::CaseInsensitive);
}

void SortNewestFirst(std::vector<LogMatch>& matches) {
    std::stable_sort(matches.begin(), matches.end(),
                     [](const LogMatch& a, const LogMatch& b) { return a.sortKey > b.sortKey; });
}

LogSearchResult SearchLogFiles(const QString& folder, const QStringList& names, const QString& text,
                               const LogSearchCallbacks& callbacks, const std::atomic<bool>* cancel) {
    LogSearchResult result;
    if (text.isEmpty()) return result;
    const TextMatcher matcher(text);
    const QDir dir(folder);
    const int listed = static_cast<int>(names.size());
    QByteArray contents;
    for (const QString& name : names) {
        if (cancel && cancel->load()) { result.end = LogSearchEnd::Cancelled; break; }
        const QString path = dir.filePath(name);
        if (!IsSkippedFile(name)) {
            QString reason;
            if (!readWholeFile(path, contents, reason)) {
                if (!callbacks.onUnreadable || !callbacks.onUnreadable(path, reason)) {
                    result.end = LogSearchEnd::Stopped;
                    break;
                }
            } else if (matcher.matches(contents)) {
                const QDateTime modified = QFileInfo(path).lastModified();
                LogMatch match{name, modified, modified.toString(QStringLiteral("yyyyMMddHHmmss"))};
                if (callbacks.onMatch) callbacks.onMatch(match);
                result.matches.push_back(std::move(match));
            }
        }
        ++result.searched;
        if (callbacks.onProgress) callbacks.onProgress(result.searched, listed);
    }
    SortNewestFirst(result.matches);
    return result;
}

}  // namespace autovelt::tools
