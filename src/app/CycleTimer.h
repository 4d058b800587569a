#pragma once

#include <functional>

namespace autovelt::inline app {

// The timer that drives the cycle. The windows and the headless runner use a Qt timer;
// tests use a manual one and fire the ticks themselves.
class CycleTimer {
public:
    virtual ~CycleTimer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    // Called on every tick.
    virtual void setTickHandler(std::function<void()> handler) = 0;
};

// A timer that only ticks when told to.
class ManualCycleTimer : public CycleTimer {
public:
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setEnabled(bool on) override { enabled_ = on; }
    bool enabled() const override { return enabled_; }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    // Fires one tick when the timer is enabled; returns whether it did.
    bool fire() {
        if (!enabled_ || !handler_) return false;
        handler_();
        return true;
    }

private:
    int interval_ = 10;
    bool enabled_ = false;
    std::function<void()> handler_;
};

}  // namespace autovelt::app
