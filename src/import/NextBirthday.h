#pragma once

#include <QDate>

namespace autovelt::inline state { class CycleContext; struct Application; }

namespace autovelt::inline import {

// Three days before the applicant's next birthday (a 29 February birthday counts as the
// 28th).
QDate NextBirthday(const CycleContext& cycle, const Application& app);

}  // namespace autovelt::import
