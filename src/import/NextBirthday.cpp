#include "import/NextBirthday.h"

#include "state/Importer.h"
#include "common/Values.h"

namespace autovelt {

QDate NextBirthday(Importer& importer) {
    const QDate processing = importer.passDate();
    const QDate born = parseDayFirstDate(importer.app.field[7]).value_or(QDate());
    if (!processing.isValid() || !born.isValid()) return QDate();
    QDate birthday = birthdayInYear(born, processing.year());
    const int days = static_cast<int>(dateDiffDays(birthday, processing));
    importer.app.nextBirthdayDays = days;
    if (days > 0) birthday = birthday.addYears(1);
    return birthday.addDays(-3);
}

}  // namespace autovelt
