#pragma once

#include <QDate>

namespace autovelt::inline state { class CycleContext; struct ApplicationState; }

namespace autovelt::inline import {

// Three days before the applicant's next birthday (a 29 February birthday counts as the
// 28th). The days from this year's birthday to the processing date are kept in
// app.nextBirthdayDays.
QDate NextBirthday(const CycleContext& cycle, ApplicationState& app);

}  // namespace autovelt::import
