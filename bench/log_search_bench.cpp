// The log search over a folder of N generated activity logs (default 10,000 of about 5 KB,
// 50 MB in all), side by side with "grep -ril" on the same folder in the same run. One file
// in a hundred holds the text, in varying letter case, at a random place. Each search runs
// three times and the best time counts, so both read from the page cache.
//
//   log_search_bench [N]

#include "tools/LogSearch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>

using namespace autovelt;

namespace {

const char* const kLines[] = {
    "Join+Borrow import process started at %1 10:15:00\r\n",
    "Member %2 created for application (table_w field_id=%3)\r\n",
    "Credit report drawn for member %2 - initial rating PASS\r\n",
    "Loan application %3 created for member %2, 1,250.00 over 24 months\r\n",
    "Email sent to applicant of (table_w field_id=%3)\r\n",
    "Unable to match address for postcode LS1 4AB (table_w field_id=%3)\r\n",
};

QByteArray logText(QRandomGenerator& random, int targetBytes) {
    QByteArray text;
    while (text.size() < targetBytes) {
        const QString line = QString::fromLatin1(kLines[random.bounded(6)])
                                 .replace(QStringLiteral("%1"), QStringLiteral("05/03/2026"))
                                 .replace(QStringLiteral("%2"), QString::number(random.bounded(1000, 99999)))
                                 .replace(QStringLiteral("%3"), QString::number(random.bounded(1, 500000)));
        text += line.toLatin1();
    }
    return text;
}

long long bytesWritten = 0;

int generate(const QString& folder, int n, const QByteArray& needle) {
    QRandomGenerator random(20260305);
    int planted = 0;
    for (int i = 0; i < n; ++i) {
        QByteArray text = logText(random, 4000 + random.bounded(2000));
        if (random.bounded(100) == 0) {
            QByteArray variant = needle;
            for (char& c : variant) if (random.bounded(2)) c = static_cast<char>(QChar::fromLatin1(c).toUpper().toLatin1());
            text.insert(random.bounded(text.size()), variant);
            ++planted;
        }
        QFile file(QDir(folder).filePath(QStringLiteral("Eventlog%1.txt").arg(i, 6, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly)) { std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName())); std::exit(1); }
        file.write(text);
        bytesWritten += text.size();
    }
    return planted;
}

double cpuSeconds(int who) {
    rusage usage {};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;  // user + system, of this process or of the child it ran
};

// The best of three runs; `found` gets the number of matching files. The machine is shared,
// so the processor time is reported beside the wall time.
Timing best(const std::function<int()>& run, int& found, int who = RUSAGE_SELF) {
    Timing t;
    for (int i = 0; i < 3; ++i) {
        const double cpuBefore = cpuSeconds(who);
        QElapsedTimer timer;
        timer.start();
        found = run();
        t.wall = std::min(t.wall, timer.nsecsElapsed() / 1e9);
        t.cpu = std::min(t.cpu, cpuSeconds(who) - cpuBefore);
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QByteArray needle = "refused by the agency";
    const int planted = generate(folder, n, needle);
    std::printf("%d files, %.1f MB, text planted in %d\n\n", n, bytesWritten / 1e6, planted);
    int listed = 0;
    const Timing listing = best([&] { return static_cast<int>(ListFolderFiles(folder).size()); }, listed);
    std::printf("listing the folder alone: %.3f s\n\n", listing.wall);
    std::printf("| search | text | files found | wall, best of 3 | CPU, best of 3 |\n|---|---|---|---|---|\n");

    for (const QString& text : {QString::fromLatin1(needle), QStringLiteral("Café au lait")}) {
        int found = 0;
        const Timing ours = best([&] {
            return static_cast<int>(SearchLogFiles(folder, ListFolderFiles(folder), text, {}).matches.size());
        }, found);
        std::printf("| log search | \"%s\" | %d | %.3f s | %.3f s |\n", text.toUtf8().constData(), found, ours.wall, ours.cpu);
        const Timing grep = best([&] {
            QProcess process;
            process.start(QStringLiteral("grep"), {QStringLiteral("-ril"), text, folder});
            process.waitForFinished(-1);
            return static_cast<int>(process.readAllStandardOutput().count('\n'));
        }, found, RUSAGE_CHILDREN);
        std::printf("| grep -ril | \"%s\" | %d | %.3f s | %.3f s |\n", text.toUtf8().constData(), found, grep.wall, grep.cpu);
    }
    return 0;
}
