#include "import/ApplicationIdFile.h"

#include "state/Importer.h"
#include "common/Values.h"

#include <QFile>

namespace autovelt {

void ReadApplicationIdFile(Importer& importer) {
    QFile file(importer.programFile(QStringLiteral("id.txt")));
    if (!file.exists()) return;
    if (file.open(QIODevice::ReadOnly)) {
        const double value = leadingNumber(QString::fromUtf8(file.readAll()));
        // An id must fit the 32-bit key; anything else is no id at all.
        if (value >= 1 && value <= 2147483647.0) importer.applicationIdOverride = static_cast<long>(roundHalfEven(value));
        file.close();
    }
    file.remove();
}

}  // namespace autovelt
