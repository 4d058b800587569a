#pragma once

#include "state/Clock.h"
#include "state/Reporter.h"

#include <QDateTime>
#include <cstdio>

namespace autovelt::inline app {

// The headless runner's reporter: prints each line the moment it is reported, and where
// the pass is at most once a second, so a long pass shows it is alive without flooding the
// journal.
class PrintingReporter : public ListReporter {
public:
    // Every line starts with `mark` (a dry run's lines say so).
    PrintingReporter(Clock& clock, std::FILE* out, QString mark = QString())
        : clock_(clock), out_(out), mark_(std::move(mark)) {}

    void showProgress(const PassProgress& progress) override;

protected:
    void onProblem(const QString& line) override { print("problem", line); }
    void onSuccess(const QString& line) override { print("success", line); }

private:
    void print(const char* kind, const QString& line);

    Clock& clock_;
    std::FILE* out_;
    QString mark_;
    QDateTime lastProgress_;
};

}  // namespace autovelt::app
