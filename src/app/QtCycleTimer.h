#pragma once

#include "app/CycleTimer.h"

#include <QTimer>

namespace autovelt::inline app {

// The cycle timer on a real Qt timer, for the window and the headless runner.
class QtCycleTimer : public CycleTimer {
public:
    QtCycleTimer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { if (handler_) handler_(); });
    }
    void setInterval(int ms) override { timer_.setInterval(ms); }
    int interval() const override { return timer_.interval(); }
    void setEnabled(bool on) override { on ? timer_.start() : timer_.stop(); }
    bool enabled() const override { return timer_.isActive(); }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace autovelt::app
