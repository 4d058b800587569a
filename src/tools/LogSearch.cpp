#include "tools/LogSearch.h"

#include "common/AnsiCodePage.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace autovelt {

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

// An ASCII text has the same bytes in UTF-8 and Windows-1252, so one pass over the raw
// bytes answers for both readings.
bool containsFoldedAscii(const QByteArray& haystack, const QByteArray& needle) {
    const auto* h = reinterpret_cast<const unsigned char*>(haystack.constData());
    const auto* n = reinterpret_cast<const unsigned char*>(needle.constData());
    const qsizetype hn = haystack.size(), nn = needle.size();
    if (nn == 0) return true;
    if (hn < nn) return false;
    const unsigned char first = n[0];
    const unsigned char firstUpper = (first >= 'a' && first <= 'z') ? first - 32 : first;
    const unsigned char* end = h + (hn - nn) + 1;  // last place a match can start, plus one
    auto find = [end](const unsigned char* from, unsigned char c) -> const unsigned char* {
        return from < end ? static_cast<const unsigned char*>(std::memchr(from, c, end - from)) : nullptr;
    };
    // The next place each case of the first letter occurs; each is searched for again only
    // once passed, so every byte is scanned at most once per case.
    const unsigned char* lower = find(h, first);
    const unsigned char* upper = first == firstUpper ? nullptr : find(h, firstUpper);
    while (lower || upper) {
        const unsigned char* at = !upper ? lower : !lower ? upper : std::min(lower, upper);
        qsizetype i = 1;
        while (i < nn && kFold[at[i]] == n[i]) ++i;
        if (i == nn) return true;
        if (at == lower) lower = find(at + 1, first);
        else upper = find(at + 1, firstUpper);
    }
    return false;
}

bool readWholeFile(const QString& path, QByteArray& contents, QString& reason) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file) { reason = QString::fromLocal8Bit(std::strerror(errno)); return false; }
    contents.resize(0);
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) contents.append(buffer, static_cast<qsizetype>(got));
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) { reason = QStringLiteral("read error"); return false; }
    return true;
}

}  // namespace

TextMatcher::TextMatcher(const QString& text) : text_(text) {
    if (plainAscii(text)) {
        foldedAscii_ = text.toLatin1();
        for (char& c : foldedAscii_) c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    }
}

bool TextMatcher::matches(const QByteArray& contents) const {
    if (text_.isEmpty()) return false;
    if (!foldedAscii_.isEmpty()) return containsFoldedAscii(contents, foldedAscii_);
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

}  // namespace autovelt
