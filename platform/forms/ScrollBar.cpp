#include "platform/forms/ScrollBar.h"

#include <QScrollBar>

#include "platform/runtime/Failure.h"

namespace platform {

namespace {
QScrollBar* S(QWidget* w) {
    if (w == nullptr) {
        Raise(FailureKind::CallFailed, "the scroll bar no longer exists");
    }
    return static_cast<QScrollBar*>(w);
}
}  // namespace

ScrollBar::ScrollBar(Container& parent, std::string name, Orientation orientation)
    : Control(std::move(name),
              new QScrollBar(orientation == Orientation::Horizontal ? Qt::Horizontal : Qt::Vertical,
                             parent.ClientWidget())) {
    QScrollBar* bar = S(widget());
    bar->setRange(0, 32767);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // While the thumb is dragged the value changes continuously: that is Scroll. Every other
    // change, and the end of a drag, is Change.
    QObject::connect(bar, &QScrollBar::valueChanged, bar, [this, bar](int) {
        if (bar->isSliderDown()) {
            RaiseEvent(*this, "Scroll", scroll_);
        } else {
            RaiseEvent(*this, "Change", change_);
        }
    });
    QObject::connect(bar, &QScrollBar::sliderReleased, bar,
                     [this] { RaiseEvent(*this, "Change", change_); });
}

std::int16_t ScrollBar::Min() const {
    return static_cast<std::int16_t>(S(widget())->minimum());
}
std::int16_t ScrollBar::Max() const {
    return static_cast<std::int16_t>(S(widget())->maximum());
}
std::int16_t ScrollBar::SmallChange() const {
    return static_cast<std::int16_t>(S(widget())->singleStep());
}
std::int16_t ScrollBar::LargeChange() const {
    return static_cast<std::int16_t>(S(widget())->pageStep());
}
std::int16_t ScrollBar::Value() const {
    return static_cast<std::int16_t>(S(widget())->value());
}

void ScrollBar::SetMin(std::int16_t value) {
    S(widget())->setMinimum(value);
}
void ScrollBar::SetMax(std::int16_t value) {
    S(widget())->setMaximum(value);
}

void ScrollBar::SetSmallChange(std::int16_t value) {
    if (value < 1) {
        Raise(FailureKind::InvalidPropertyValue,
              Name() + " refuses a small step of " + std::to_string(value));
    }
    S(widget())->setSingleStep(value);
}

void ScrollBar::SetLargeChange(std::int16_t value) {
    if (value < 1) {
        Raise(FailureKind::InvalidPropertyValue,
              Name() + " refuses a large step of " + std::to_string(value));
    }
    S(widget())->setPageStep(value);
}

void ScrollBar::SetValue(std::int16_t value) {
    QScrollBar* bar = S(widget());
    if (value < bar->minimum() || value > bar->maximum()) {
        Raise(FailureKind::InvalidPropertyValue,
              Name() + " refuses the value " + std::to_string(value));
    }
    bar->setValue(value);
}

void ScrollBar::OnChange(std::function<void()> handler) {
    change_ = std::move(handler);
}
void ScrollBar::OnScroll(std::function<void()> handler) {
    scroll_ = std::move(handler);
}

}  // namespace platform
