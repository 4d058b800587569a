#include "app/ToolCommands.h"

#include "app/CommandLine.h"
#include "common/PrintableText.h"
#include "app/ControlSettings.h"
#include "common/VeltError.h"
#include "state/Importer.h"
#include "tools/LogSearch.h"
#include "tools/MemberDeletion.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace autovelt::inline app {

namespace {

void printLine(std::FILE* stream, const QString& line) {
    std::fprintf(stream, "%s\n", FlattenControlCharacters(line).toLocal8Bit().constData());
    std::fflush(stream);
}

class PrintingReporter : public ListReporter {
protected:
    void onProblem(const QString& line) override { printLine(stdout, QStringLiteral("problem: ") + line); }
    void onSuccess(const QString& line) override { printLine(stdout, QStringLiteral("success: ") + line); }
};

}  // namespace

int RunSearchCommand(const QString& installationFolder, const QString& text, const QString& folder) {
    QStringList folders;
    if (folder.isEmpty()) {
        folders = InstallationLogFolders(installationFolder);
    } else if (QFileInfo(folder).isDir()) {
        folders << folder;
    } else {
        printLine(stderr, QStringLiteral("autovelt: no such folder: ") + folder);
        return ExitBadCommandLine;
    }
    std::vector<LogMatch> found;
    LogSearchCallbacks callbacks;
    callbacks.onUnreadable = [](const QString& path, const QString& reason) {
        printLine(stderr, QStringLiteral("autovelt: cannot read ") + path + QStringLiteral(": ") + reason);
        return true;
    };
    for (const QString& f : folders) {
        LogSearchResult result = SearchLogFiles(f, ListFolderFiles(f), text, callbacks);
        // Each match carries its full path so results of several folders can be merged.
        for (LogMatch& m : result.matches) {
            m.name = QDir(f).filePath(m.name);
            found.push_back(std::move(m));
        }
    }
    SortNewestFirst(found);
    for (const LogMatch& m : found)
        printLine(stdout, m.modified.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ") + m.name);
    return found.empty() ? ExitNoMatches : ExitOk;
}

int RunDeleteMemberCommand(const QString& installationFolder, long memberNumber, bool confirmed) {
    PrintingReporter reporter;
    SystemClock clock;
    Importer importer(installationFolder, reporter, clock);
    importer.LoadInstallation();
    try {
        const MemberDeletionPlan plan = PlanMemberDeletion(importer, OpenDeletionConnections, memberNumber);
        for (const QString& line : plan.describe()) printLine(stdout, line);
        if (!confirmed) {
            printLine(stdout, QStringLiteral("Nothing deleted: run again with --yes to delete these records."));
            return ExitNotConfirmed;
        }
        return DeleteMemberRecords(importer, OpenDeletionConnections, memberNumber) ? ExitOk : ExitToolFailed;
    } catch (const VeltError& error) {
        importer.ShowException(error.description());  // names the table and the error number
        if (error.description() != kDeletionWaitsForCycle)
            importer.ShowException(QStringLiteral("Nothing was deleted for member %1.").arg(memberNumber));
        return ExitToolFailed;
    }
}

}  // namespace autovelt::app
