// One import pass over N generated pending applications (1 to 10,000; default 1,000), with
// the settle pauses off. Reports applications per second, CPU time and peak memory.
//
//   import_pass_bench [N]
//
// The applications are generated in a temporary sample installation by the website's
// encoder; the pass then runs in a child process of its own, so the CPU time and peak
// memory reported are those of the pass alone (getrusage of that process).

#include "app/ControlSettings.h"
#include "import/ImportPass.h"
#include "state/Importer.h"
#include "support/TestInstallation.h"
#include "support/WebApplication.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace autovelt;

namespace {

// Distinct, non-numeric surnames: "Aab", "Aac", ...
QString surnameFor(int i) {
    QString letters;
    for (int k = 0; k < 3; ++k, i /= 26) letters.prepend(QChar(u'a' + i % 26));
    return QStringLiteral("Bench") + letters;
}

testing::WebApplication applicationFor(int i) {
    testing::WebApplication a =
        i % 4 == 0 ? testing::WebApplication::joinOnly(i).set(31, QStringLiteral("PASS"))
                   : testing::WebApplication::joinAndBorrow(i);
    a.niNumber = QStringLiteral("AB%1C").arg(i, 6, 10, QChar(u'0'));
    a.set(6, surnameFor(i));
    a.set(7, QStringLiteral("%1/%2/19%3").arg(1 + i % 28, 2, 10, QChar(u'0')).arg(1 + i % 12, 2, 10, QChar(u'0')).arg(50 + i % 40));
    a.addresses.first().email = QStringLiteral("member%1@example.com").arg(i);
    a.set(103, a.addresses.first().email);
    return a;
}

void generate(test::TestInstallation& inst, int count) {
    const QString name = QStringLiteral("bench-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(inst.databaseFile(QStringLiteral("online")));
        if (!db.open()) throw std::runtime_error(db.lastError().text().toStdString());
        db.transaction();
        QSqlQuery q(db);
        for (int i = 1; i <= count; ++i)
            for (const QString& statement : testing::insertStatements(applicationFor(i)))
                if (!q.exec(statement)) throw std::runtime_error(q.lastError().text().toStdString());
        db.commit();
    }
    QSqlDatabase::removeDatabase(name);
}

double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

// The child: one cycle's settings load and import pass on the installation.
int runPass(const QString& home) {
    ListReporter reporter;
    SystemClock clock;
    Importer importer(home, reporter, clock);
    importer.LoadInstallation();
    LoadControlSettings(importer);
    if (importer.SkipImport) {
        std::fprintf(stderr, "settings failed: %s\n", qPrintable(reporter.problems().join(QLatin1Char('\n'))));
        return 1;
    }
    QElapsedTimer wall;
    wall.start();
    cmdMembers_Click(importer);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    importer.connections.closeAll();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const int successes = int(reporter.successes().size());
    std::printf("pass_seconds %.3f\ncpu_user_seconds %.3f\ncpu_system_seconds %.3f\npeak_rss_kib %ld\n"
                "success_lines %d\nproblem_lines %d\n",
                elapsed, seconds(usage.ru_utime), seconds(usage.ru_stime), usage.ru_maxrss, successes,
                int(reporter.problems().size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--pass")) return runPass(args[2]);

    const int count = std::clamp(args.size() > 1 ? args[1].toInt() : 1000, 1, 10000);
    test::TestInstallation inst;
    inst.appendConfig(testing::markedCodeTablesIni() + QStringLiteral("\n[timing]\nsettle_pauses = false"));
    QElapsedTimer generation;
    generation.start();
    generate(inst, count);
    std::printf("applications %d (generated in %.1f s)\n", count, double(generation.elapsed()) / 1000.0);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--pass"), inst.home()});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "the pass failed\n");
        return 1;
    }
    QMap<QString, double> figures;
    for (const QString& line : QString::fromLocal8Bit(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        figures[line.section(QLatin1Char(' '), 0, 0)] = line.section(QLatin1Char(' '), 1).toDouble();

    const int imported = inst.count(QStringLiteral("online"), QStringLiteral("SELECT * FROM table_w WHERE field_107='Y'"));
    const int members = inst.count(QStringLiteral("TarvMain"), QStringLiteral("SELECT * FROM MemberMain"));
    const double passSeconds = figures.value(QStringLiteral("pass_seconds"));
    const double cpu = figures.value(QStringLiteral("cpu_user_seconds")) + figures.value(QStringLiteral("cpu_system_seconds"));
    std::printf("imported %d, members created %d, problem lines %d\n", imported, members,
                int(figures.value(QStringLiteral("problem_lines"))));
    std::printf("pass wall time      %.2f s\n", passSeconds);
    std::printf("applications/second %.1f\n", passSeconds > 0 ? imported / passSeconds : 0.0);
    std::printf("CPU time            %.2f s (user %.2f s, system %.2f s)\n", cpu,
                figures.value(QStringLiteral("cpu_user_seconds")), figures.value(QStringLiteral("cpu_system_seconds")));
    std::printf("peak memory         %.1f MiB\n", figures.value(QStringLiteral("peak_rss_kib")) / 1024.0);
    return imported == count && members == count ? 0 : 2;
}
