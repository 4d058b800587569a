#include "import/NextBirthday.h"

#include "state/Application.h"
#include "state/CycleContext.h"
#include "common/Values.h"

namespace autovelt::inline import {

QDate NextBirthday(const CycleContext& cycle, const Application& app) {
    const QDate processing = cycle.passDate();
    const QDate born = app.dateOfBirth().value_or(QDate());
    if (!processing.isValid() || !born.isValid()) return QDate();
    QDate birthday = birthdayInYear(born, processing.year());
    const int days = static_cast<int>(dateDiffDays(birthday, processing));
    if (days > 0) birthday = birthday.addYears(1);
    return birthday.addDays(-3);
}

}  // namespace autovelt::import
