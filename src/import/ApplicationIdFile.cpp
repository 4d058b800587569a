#include "import/ApplicationIdFile.h"

#include "state/CycleContext.h"
#include "common/Values.h"

#include <QFile>

namespace autovelt::inline import {

long ApplicationIdOrNone(double value) {
    // An id must fit the 32-bit key; anything else is no id at all.
    if (value >= 1 && value <= 2147483647.0) return static_cast<long>(roundHalfEven(value));
    return 0;
}

long ReadApplicationIdFile(const CycleContext& cycle) {
    QFile file(cycle.programFile(QStringLiteral("id.txt")));
    if (!file.exists()) return 0;
    long id = 0;
    if (file.open(QIODevice::ReadOnly)) {
        id = ApplicationIdOrNone(leadingNumber(QString::fromUtf8(file.readAll())));
        file.close();
    }
    file.remove();
    return id;
}

}  // namespace autovelt::import
