#include "support/ExpectedDocuments.h"

#include "support/TestPaths.h"

#include <QFile>
#include <QStringList>
#include <stdexcept>

namespace autovelt::test {

QString ExpectedDocument(const QString& name) {
    QFile file(QStringLiteral(AUTOVELT_TESTS_DIR "/expected/") + name);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("no expected document " + name.toStdString());
    return QString::fromUtf8(file.readAll());
}

QString OnOneLine(const QString& document) {
    QString line;
    for (const QString& part : document.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) line += part.trimmed();
    return line;
}

}  // namespace autovelt::test
