#include "import/ApplicationIdFile.h"

#include "state/Importer.h"
#include "common/Values.h"

#include <QFile>

namespace autovelt {

long ApplicationIdOrNone(double value) {
    // An id must fit the 32-bit key; anything else is no id at all.
    if (value >= 1 && value <= 2147483647.0) return static_cast<long>(roundHalfEven(value));
    return 0;
}

void ReadApplicationIdFile(Importer& importer) {
    QFile file(importer.programFile(QStringLiteral("id.txt")));
    if (!file.exists()) return;
    if (file.open(QIODevice::ReadOnly)) {
        const long id = ApplicationIdOrNone(leadingNumber(QString::fromUtf8(file.readAll())));
        if (id != 0) importer.applicationIdOverride = id;
        file.close();
    }
    file.remove();
}

}  // namespace autovelt
