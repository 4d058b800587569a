#pragma once

#include <QString>

namespace autovelt::inline import {

// Why an application is refused, as the step that decides it says: the problem line (the
// application's message suffix is added when the pass reports it), whether the applicant
// gets the failure email, and the notes kept with the refusal online and in the diary.
struct Refusal {
    QString problem{};
    bool failEmail = true;
    QString notes{};
};

}  // namespace autovelt::import
