// One import pass over N generated pending applications (1 to 10,000; default 1,000), with
// the settle pauses off. Reports applications per second, CPU time and peak memory, and
// the ratio of the pass's time to a replay of the very statements it sent (same order,
// same transactions, same bound values) straight into the engine on a copy of the
// databases as they were before the pass: what the importer's own work costs on top of
// the engine's.
//
//   import_pass_bench [N]
//
// The applications are generated in a temporary sample installation by the website's
// encoder; the pass and the replay each run in a child process of their own, so the CPU
// time and peak memory reported are those of the pass alone (getrusage of that process).

#include "app/ControlSettings.h"
#include "common/LocalTimeZone.h"
#include "platform/db/StatementTrace.h"
#include "platform/db/TextComparison.h"
#include "pipeline/ImportPass.h"
#include "state/Importer.h"
#include "support/TestInstallation.h"
#include "support/WebApplication.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <algorithm>
#include <bit>
#include <cstdio>
#include <string>
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

// Writes the statement stream to a file, for the replay, and times how long each session
// holds the write lock: from the BEGIN IMMEDIATE that takes it to the COMMIT or ROLLBACK.
// The bound values of a trace: text, whole numbers and reals as their bytes, anything else
// as the stream writes a variant, which costs many times more.
enum class ValueTag : quint8 { Variant, Text, Whole, Real };

// Appends the bytes QDataStream would write in little-endian order, without going through
// a device for every value.
static_assert(std::endian::native == std::endian::little);

template <typename T>
void appendRaw(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// What the stream writes for the values given, for the rare kinds written as a stream does.
template <typename... Values>
void appendStreamed(std::string& out, const Values&... values) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    (stream << ... << values);
    out.append(bytes.constData(), size_t(bytes.size()));
}

void writeValues(std::string& out, const QVariantList& values) {
    appendRaw(out, quint32(values.size()));
    for (const QVariant& v : values) {
        const int type = v.typeId();
        if (type == QMetaType::QString && !v.isNull()) {
            const QString& text = *static_cast<const QString*>(v.constData());
            appendRaw(out, quint8(ValueTag::Text));
            appendRaw(out, quint32(text.size()));
            out.append(reinterpret_cast<const char*>(text.utf16()), size_t(text.size()) * 2);
        } else if (type == QMetaType::LongLong) {
            appendRaw(out, quint8(ValueTag::Whole));
            appendRaw(out, qint64(v.toLongLong()));
        } else if (type == QMetaType::Double) {
            appendRaw(out, quint8(ValueTag::Real));
            appendRaw(out, v.toDouble());
        } else {
            appendRaw(out, quint8(ValueTag::Variant));
            appendStreamed(out, v);
        }
    }
}

QVariantList readValues(QDataStream& in) {
    quint32 count = 0;
    in >> count;
    QVariantList values;
    values.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        quint8 tag = 0;
        in >> tag;
        switch (ValueTag(tag)) {
        case ValueTag::Text: {
            quint32 size = 0;
            in >> size;
            QString text(qsizetype(size), Qt::Uninitialized);
            in.readRawData(reinterpret_cast<char*>(text.data()), int(size * 2));
            values << text;
            break;
        }
        case ValueTag::Whole: { qlonglong whole = 0; in >> whole; values << whole; break; }
        case ValueTag::Real: { double real = 0; in >> real; values << real; break; }
        case ValueTag::Variant: { QVariant v; in >> v; values << v; break; }
        }
    }
    return values;
}

class FileTrace : public db::StatementTrace {
public:
    explicit FileTrace(const QString& path) : file_(path) {
        file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        chunk_.reserve(kChunkBytes + (1 << 20));
        clock_.start();
    }
    ~FileTrace() override { flush(); }
    // The stream is gathered in memory and written a few megabytes at a time, and each
    // session name and statement text is written once and then by its number, so the trace
    // costs the pass it measures as little as it can.
    void statement(const QString& session, const QString& text, const QVariantList& bound) override {
        writeInterned(session);
        writeInterned(text);
        writeValues(chunk_, bound);
        if (qint64(chunk_.size()) > kChunkBytes) flush();
        if (text == QLatin1String("BEGIN IMMEDIATE")) {
            lockedSince_[session] = clock_.nsecsElapsed();
        } else if ((text == QLatin1String("COMMIT") || text == QLatin1String("ROLLBACK")) && lockedSince_.contains(session)) {
            longestLockNs_ = std::max(longestLockNs_, clock_.nsecsElapsed() - lockedSince_.take(session));
            ++locks_;
        }
    }
    double longestLockMs() const { return double(longestLockNs_) / 1e6; }
    int locks() const { return locks_; }

private:
    static constexpr qint64 kChunkBytes = 4 << 20;
    void writeInterned(const QString& text) {
        const auto found = numbers_.constFind(text);
        if (found != numbers_.constEnd()) {
            appendRaw(chunk_, *found);
            return;
        }
        const quint32 number = quint32(numbers_.size());
        numbers_.insert(text, number);
        appendStreamed(chunk_, number, text);
    }
    void flush() {
        file_.write(chunk_.data(), qint64(chunk_.size()));
        chunk_.clear();
    }

    QFile file_;
    std::string chunk_;
    QElapsedTimer clock_;
    QHash<QString, quint32> numbers_;
    QHash<QString, qint64> lockedSince_;
    qint64 longestLockNs_ = 0;
    int locks_ = 0;
};

// The child: one cycle's settings load and import pass on the installation.
int runPass(const QString& home, const QString& tracePath) {
    ListReporter reporter;
    SystemClock clock;
    Importer importer(home, reporter, clock);
    FileTrace trace(tracePath);
    Connections& c = importer.connections;
    for (db::Connection* connection : {&c.TarvMain, &c.TarvTran, &c.TarvAudt, &c.TarvID, &c.OnlineConnection})
        connection->setTrace(&trace);
    importer.LoadInstallation();
    LoadControlSettings(importer);
    if (importer.SkipImport) {
        std::fprintf(stderr, "settings failed: %s\n", qPrintable(reporter.problems().join(QLatin1Char('\n'))));
        return 1;
    }
    QElapsedTimer wall;
    wall.start();
    RunImportPass(importer);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    importer.connections.closeAll();
    for (db::Connection* connection : {&c.TarvMain, &c.TarvTran, &c.TarvAudt, &c.TarvID, &c.OnlineConnection})
        connection->setTrace(nullptr);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const int successes = int(reporter.successes().size());
    std::printf("pass_seconds %.3f\ncpu_user_seconds %.3f\ncpu_system_seconds %.3f\npeak_rss_kib %ld\n"
                "success_lines %d\nproblem_lines %d\nlongest_lock_ms %.1f\nlocks %d\n",
                elapsed, seconds(usage.ru_utime), seconds(usage.ru_stime), usage.ru_maxrss, successes,
                int(reporter.problems().size()), trace.longestLockMs(), trace.locks());
    for (const QString& problem : reporter.problems().mid(0, 5)) std::fprintf(stderr, "problem: %s\n", qPrintable(problem));
    return 0;
}

// The other child: the recorded statements, replayed on the copy of the databases. Every
// statement is prepared once per text and session, bound, run and its rows read, as a plain
// program using the engine well would; the files of the original installation are found in
// the copy.
int runReplay(const QString& tracePath, const QString& original, const QString& copy) {
    QFile file(tracePath);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    QStringList texts;  // by the number the trace gave each
    const auto readInterned = [&]() {
        quint32 number = 0;
        in >> number;
        if (number == quint32(texts.size())) {
            QString text;
            in >> text;
            texts.append(text.replace(original, copy));
        }
        return texts.value(number);
    };
    struct Entry { QString session, text; QVariantList bound; };
    QList<Entry> entries;
    while (!in.atEnd()) {
        Entry e;
        e.session = readInterned();
        e.text = readInterned();
        e.bound = readValues(in);
        entries.append(std::move(e));
    }
    QElapsedTimer wall;
    wall.start();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QHash<QString, QSqlDatabase> sessions;
    QHash<QString, QHash<QString, QSqlQuery>> prepared;  // by session, then text
    for (const Entry& e : entries) {
        if (e.text.startsWith(QLatin1String("-- open "))) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("replay-") + e.session);
            db.setDatabaseName(e.text.mid(8));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
            if (!db.open()) return 1;
            db::RegisterTextComparison(db);
            sessions.insert(e.session, db);
            continue;
        }
        QHash<QString, QSqlQuery>& statements = prepared[e.session];
        auto found = statements.find(e.text);
        if (found == statements.end()) {
            QSqlQuery q(sessions.value(e.session));
            q.setForwardOnly(true);
            q.prepare(e.text);
            found = statements.insert(e.text, q);
        }
        QSqlQuery& q = found.value();
        for (int i = 0; i < e.bound.size(); ++i) q.bindValue(i, e.bound[i]);
        if (!q.exec()) {
            std::fprintf(stderr, "replay: %s\n  %s\n", qPrintable(q.lastError().text()), qPrintable(e.text.left(200)));
            return 1;
        }
        const int columns = q.record().count();
        while (q.next())
            for (int i = 0; i < columns; ++i) (void)q.value(i);
        q.finish();
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    std::printf("replay_seconds %.3f\nreplay_statements %lld\nreplay_user_seconds %.3f\nreplay_system_seconds %.3f\n",
                double(wall.nsecsElapsed()) / 1e9, static_cast<long long>(entries.size()),
                seconds(after.ru_utime) - seconds(before.ru_utime), seconds(after.ru_stime) - seconds(before.ru_stime));
    return 0;
}

QMap<QString, double> figuresOf(QProcess& child) {
    QMap<QString, double> figures;
    for (const QString& line : QString::fromLocal8Bit(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        figures[line.section(QLatin1Char(' '), 0, 0)] = line.section(QLatin1Char(' '), 1).toDouble();
    return figures;
}

bool runChild(QProcess& child, const QStringList& arguments) {
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    return child.waitForFinished(-1) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name));
}

}  // namespace

int main(int argc, char** argv) {
    ReadLocalTimeZoneOnce();  // as the program does
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--pass")) return runPass(args[2], args[3]);
    if (args.size() == 5 && args[1] == QLatin1String("--replay")) return runReplay(args[2], args[3], args[4]);

    const int count = std::clamp(args.size() > 1 ? args[1].toInt() : 1000, 1, 10000);
    test::TestInstallation inst;
    inst.appendConfig(testing::markedCodeTablesIni() + QStringLiteral("\n[timing]\nsettle_pauses = false"));
    QElapsedTimer generation;
    generation.start();
    generate(inst, count);
    std::printf("applications %d (generated in %.1f s)\n", count, double(generation.elapsed()) / 1000.0);

    // The databases as they are before the pass, for the replay.
    const QString dataFolder = inst.path(QStringLiteral("data"));
    const QString before = inst.path(QStringLiteral("replay-data"));
    copyFolder(dataFolder, before);
    const QString tracePath = inst.path(QStringLiteral("statements.trace"));

    QProcess child;
    if (!runChild(child, {QStringLiteral("--pass"), inst.home(), tracePath})) {
        std::fprintf(stderr, "the pass failed\n");
        return 1;
    }
    const QMap<QString, double> figures = figuresOf(child);
    QProcess replayChild;
    if (!runChild(replayChild, {QStringLiteral("--replay"), tracePath, dataFolder, before})) {
        std::fprintf(stderr, "the replay failed\n");
        return 1;
    }
    const QMap<QString, double> replay = figuresOf(replayChild);

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
    std::printf("longest write lock  %.1f ms (of %.0f transactions)\n", figures.value(QStringLiteral("longest_lock_ms")),
                figures.value(QStringLiteral("locks")));
    std::printf("statements/application %.1f\n", imported > 0 ? replay.value(QStringLiteral("replay_statements")) / imported : 0.0);
    const double replaySeconds = replay.value(QStringLiteral("replay_seconds"));
    std::printf("replay of its %.0f statements %.2f s (CPU: user %.2f s, system %.2f s): the pass takes %.2f times the replay\n",
                replay.value(QStringLiteral("replay_statements")), replaySeconds,
                replay.value(QStringLiteral("replay_user_seconds")), replay.value(QStringLiteral("replay_system_seconds")),
                replaySeconds > 0 ? passSeconds / replaySeconds : 0.0);
    return imported == count && members == count ? 0 : 2;
}
