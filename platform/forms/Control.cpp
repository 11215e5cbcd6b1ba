#include "platform/forms/Control.h"

#include <QPointer>
#include <QWidget>

#include "platform/forms/Twips.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Failure.h"

namespace platform {

struct Control::Impl {
    QPointer<QWidget> widget;
    // Where PlaceOnScreen last put the control, in both kinds of pixels.
    bool placed = false;
    PixelRect screen;
    QRect widgetRect;
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

Control::PixelRect Control::ScreenRect() const {
    const QRect g = Require(GeometryWidget(), name_)->geometry();
    if (d_->placed && g == d_->widgetRect) {
        return d_->screen;
    }
    return {ScreenPixels(g.x()), ScreenPixels(g.y()), ScreenPixels(g.width()),
            ScreenPixels(g.height())};
}

float Control::Left() const {
    return PixelsToTwipsX(ScreenRect().left);
}
float Control::Top() const {
    return PixelsToTwipsY(ScreenRect().top);
}
float Control::Width() const {
    return PixelsToTwipsX(ScreenRect().width);
}
float Control::Height() const {
    return PixelsToTwipsY(ScreenRect().height);
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
    Require(GeometryWidget(), name_);
    if ((width && *width < 0) || (height && *height < 0)) {
        Raise(FailureKind::InvalidPropertyValue, name_ + " cannot take a negative width or height");
    }
    const PixelRect now = ScreenRect();
    PlaceOnScreen({TwipsToPixelsX(left), top ? TwipsToPixelsY(*top) : now.top,
                   width ? TwipsToPixelsX(*width) : now.width,
                   height ? TwipsToPixelsY(*height) : now.height});
}

void Control::PlaceOnScreen(const PixelRect& screen) {
    QWidget* w = Require(GeometryWidget(), name_);
    const PixelRect widget{WidgetPosition(screen.left), WidgetPosition(screen.top),
                           WidgetSize(screen.width), WidgetSize(screen.height)};
    ApplyGeometry(widget, screen);
    // A widget that would not take the size asked for reports where it is.
    d_->widgetRect = w->geometry();
    d_->placed = d_->widgetRect == QRect(widget.left, widget.top, widget.width, widget.height);
    d_->screen = screen;
}

void Control::ApplyGeometry(const PixelRect& widget, const PixelRect& /*screen*/) {
    GeometryWidget()->setGeometry(widget.left, widget.top, widget.width, widget.height);
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
