#pragma once

#include "state/Clock.h"

namespace autovelt::test {

// A clock that stands still until told; a pause moves it on at once.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(9, 30, 0))) : now_(start) {}
    QDateTime now() const override { return now_; }
    void pause(double seconds) override { now_ = now_.addMSecs(static_cast<qint64>(seconds * 1000.0)); totalPaused_ += seconds; }
    void set(const QDateTime& t) { now_ = t; }
    double totalPaused() const { return totalPaused_; }

private:
    QDateTime now_;
    double totalPaused_ = 0;
};

}  // namespace autovelt::test
