#include "import/ImportJournal.h"

#include "app/Importer.h"
#include "common/VeltError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace autovelt {

namespace {

const QString kFileName = QStringLiteral("import-journal.txt");

QString line(const char* key, const QString& value) {
    // Values are single-line texts of the application; a line break would end the entry.
    QString flat = value;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return QLatin1String(key) + QLatin1Char('=') + flat + QLatin1Char('\n');
}

}  // namespace

ImportJournal::ImportJournal(const Importer& importer) : path_(importer.programFile(kFileName)) {}

std::optional<JournalEntry> ImportJournal::read() const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    JournalEntry entry;
    bool complete = false;
    for (const QString& text : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = text.left(eq);
        const QString value = text.mid(eq + 1);
        if (key == QLatin1String("application")) entry.fieldId = value;
        else if (key == QLatin1String("member")) entry.memberNumber = value.toLong();
        else if (key == QLatin1String("new")) entry.newMember = value == QLatin1String("1");
        else if (key == QLatin1String("rejoin")) entry.rejoin = value == QLatin1String("1");
        else if (key == QLatin1String("stage")) entry.stage = static_cast<ImportStage>(value.toInt());
        else if (key == QLatin1String("field_31")) entry.identityStatus = value;
        else if (key == QLatin1String("field_33")) entry.identityReference = value;
        else if (key == QLatin1String("field_46")) entry.amountAppliedFor = value;
        else if (key == QLatin1String("end")) complete = true;
    }
    if (!complete || entry.fieldId.isEmpty() || entry.memberNumber == 0) return std::nullopt;
    return entry;
}

void ImportJournal::write(const JournalEntry& entry) {
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        throw VeltError(75, QStringLiteral("ImportJournal"), QStringLiteral("Path/File access error (%1)").arg(path_));
    const QString text = line("application", entry.fieldId) + line("member", QString::number(entry.memberNumber)) +
                         line("new", entry.newMember ? QStringLiteral("1") : QStringLiteral("0")) +
                         line("rejoin", entry.rejoin ? QStringLiteral("1") : QStringLiteral("0")) +
                         line("stage", QString::number(static_cast<int>(entry.stage))) +
                         line("field_31", entry.identityStatus) + line("field_33", entry.identityReference) +
                         line("field_46", entry.amountAppliedFor) + line("end", QString());
    file.write(text.toUtf8());
    if (!file.commit())
        throw VeltError(75, QStringLiteral("ImportJournal"), QStringLiteral("Path/File access error (%1)").arg(path_));
}

void ImportJournal::clear() { QFile::remove(path_); }

}  // namespace autovelt
