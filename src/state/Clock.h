#pragma once

#include <QDateTime>
#include <QThread>

namespace autovelt::inline state {

// The importer's view of time: "now" and a wait. Tests substitute a manual clock so a
// cycle runs without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Delays the caller by the given seconds. The cycle timer is off meanwhile, so no
    // second cycle can start; a wait need not keep the processor busy.
    virtual void pause(double seconds) = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    void pause(double seconds) override {
        if (seconds > 0) QThread::msleep(static_cast<unsigned long>(seconds * 1000.0));
    }
};

}  // namespace autovelt::state
