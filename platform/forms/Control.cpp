#include "platform/forms/Control.h"

#include <QPointer>
#include <QWidget>

#include "platform/forms/Twips.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Failure.h"

namespace platform {

struct Control::Impl {
    QPointer<QWidget> widget;
};

Control::Control(std::string name, QWidget* widget)
    : name_(std::move(name)), d_(std::make_unique<Impl>()) {
    d_->widget = widget;
}

Control::~Control() {
    // A control removes its widget from its window; once the window is gone, so is the widget.
    delete d_->widget.data();
}

QWidget* Control::widget() const {
    return d_->widget.data();
}
QWidget* Control::GeometryWidget() const {
    return widget();
}

namespace {

QWidget* Require(QWidget* w, const std::string& name) {
    if (w == nullptr) {
        Raise(FailureKind::CallFailed, name + " no longer exists");
    }
    return w;
}

}  // namespace

float Control::Left() const {
    return PixelsToTwipsX(Require(GeometryWidget(), name_)->x());
}
float Control::Top() const {
    return PixelsToTwipsY(Require(GeometryWidget(), name_)->y());
}
float Control::Width() const {
    return PixelsToTwipsX(Require(GeometryWidget(), name_)->width());
}
float Control::Height() const {
    return PixelsToTwipsY(Require(GeometryWidget(), name_)->height());
}

void Control::SetLeft(float twips) {
    Move(twips);
}
void Control::SetTop(float twips) {
    Move(Left(), twips);
}
void Control::SetWidth(float twips) {
    Move(Left(), Top(), twips);
}
void Control::SetHeight(float twips) {
    Move(Left(), Top(), Width(), twips);
}

void Control::Move(float left, std::optional<float> top, std::optional<float> width,
                   std::optional<float> height) {
    QWidget* w = Require(GeometryWidget(), name_);
    if ((width && *width < 0) || (height && *height < 0)) {
        Raise(FailureKind::InvalidPropertyValue, name_ + " cannot take a negative width or height");
    }
    const int x = TwipsToPixelsX(left);
    const int y = top ? TwipsToPixelsY(*top) : w->y();
    const int cx = width ? TwipsToPixelsX(*width) : w->width();
    const int cy = height ? TwipsToPixelsY(*height) : w->height();
    ApplyGeometry(x, y, cx, cy);
}

void Control::ApplyGeometry(int leftPx, int topPx, int widthPx, int heightPx) {
    GeometryWidget()->setGeometry(leftPx, topPx, widthPx, heightPx);
}

bool Control::Visible() const {
    return !Require(GeometryWidget(), name_)->isHidden();
}
void Control::SetVisible(bool visible) {
    Require(GeometryWidget(), name_)->setVisible(visible);
}

std::string Control::ToolTipText() const {
    return Require(widget(), name_)->toolTip().toStdString();
}
void Control::SetToolTipText(const std::string& text) {
    Require(widget(), name_)->setToolTip(QString::fromStdString(text));
}

void RaiseEvent(const Control& control, const char* event, const std::function<void()>& handler) {
    if (handler) {
        Dispatch(control.Name() + "_" + event, handler);
    }
}

}  // namespace platform
