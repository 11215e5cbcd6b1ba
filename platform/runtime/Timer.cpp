#include "platform/runtime/Timer.h"

#include <QTimer>

#include "platform/runtime/Dispatch.h"

namespace platform {

struct Timer::Impl {
    QTimer timer;
    std::function<void()> handler;
    bool ticking = false;
};

Timer::Timer(std::string name, int intervalMs, bool enabled)
    : handlerName_(std::move(name) + "_Timer"), d_(std::make_unique<Impl>()) {
    d_->timer.setInterval(intervalMs);
    d_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&d_->timer, &QTimer::timeout, [this] { Tick(); });
    SetEnabled(enabled);
}

Timer::~Timer() = default;

void Timer::OnTimer(std::function<void()> handler) {
    d_->handler = std::move(handler);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled) {
        d_->timer.start();
    } else {
        d_->timer.stop();
    }
}

bool Timer::Enabled() const {
    return d_->timer.isActive();
}
int Timer::Interval() const {
    return d_->timer.interval();
}

void Timer::Tick() {
    // A handler that lets events run (a message box, a clipboard hand-over) must not see its
    // own timer fire inside it: ticks never nest.
    if (!d_->handler || d_->ticking) {
        return;
    }
    d_->ticking = true;
    Dispatch(handlerName_, d_->handler);
    d_->ticking = false;
}

}  // namespace platform
