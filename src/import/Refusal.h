#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline import {

// Why an application is refused, as the step that decides it says: the problem line (the
// application's message suffix is added when it is reported), whether the applicant gets
// the failure email, and the notes kept with the refusal online and in the diary.
struct Refusal {
    QString problem{};
    bool failEmail = true;
    QString notes{};
};

// Reports the refusal with the loan applied for, and marks the application refused.
void RefuseApplication(const CycleContext& cycle, UnitSession& session, ApplicationState& app, const Refusal& refusal);

}  // namespace autovelt::import
