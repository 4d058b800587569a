#pragma once

#include "common/PrintableText.h"

#include <QString>
#include <QStringList>

namespace autovelt::inline state {

// Where the import pass is: application `current` of `total` (counted when the pass
// started), and the step it is on.
struct PassProgress {
    int current = 0;
    int total = 0;
    QString step;
};

// The two report lists of the importer: problems ("Any issues with upload?") and
// successes ("Details uploaded"). The main window and the headless runner each
// implement it; the core only ever talks to this interface.
class Reporter {
public:
    virtual ~Reporter() = default;

    virtual void showException(const QString& problem) = 0;
    virtual void showSuccess(const QString& success) = 0;
    virtual void clear() = 0;

    virtual QStringList problems() const = 0;
    virtual QStringList successes() const = 0;

    // Told at every step of the pass; a front end shows it as it sees fit.
    virtual void showProgress(const PassProgress&) {}
};

// Keeps the lines in memory; the base of both front ends and the tests' reporter. Every
// line is flattened on the way in, so the windows, standard output and the activity log
// all see one line per report.
class ListReporter : public Reporter {
public:
    void showException(const QString& problem) override {
        const QString line = FlattenControlCharacters(problem);
        problems_.append(line);
        onProblem(line);
    }
    void showSuccess(const QString& success) override {
        const QString line = FlattenControlCharacters(success);
        successes_.append(line);
        onSuccess(line);
    }
    void clear() override { problems_.clear(); successes_.clear(); onClear(); }
    QStringList problems() const override { return problems_; }
    QStringList successes() const override { return successes_; }

protected:
    virtual void onProblem(const QString&) {}
    virtual void onSuccess(const QString&) {}
    virtual void onClear() {}

private:
    QStringList problems_;
    QStringList successes_;
};

}  // namespace autovelt::state
