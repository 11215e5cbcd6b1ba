#include "platform/forms/PictureBox.h"

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/forms/FormWindows.h"
#include "platform/forms/PictureWindows.h"
#include "platform/forms/Twips.h"
#include "platform/pictures/PictureData.h"
#include "platform/runtime/Failure.h"

namespace platform {

namespace {

std::int16_t ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return PictureBox::LeftButton;
        case Qt::RightButton:
            return PictureBox::RightButton;
        case Qt::MiddleButton:
            return PictureBox::MiddleButton;
        default:
            return 0;
    }
}

std::int16_t ButtonsHeld(Qt::MouseButtons buttons) {
    std::int16_t code = 0;
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (buttons.testFlag(b)) {
            code = static_cast<std::int16_t>(code | ButtonCode(b));
        }
    }
    return code;
}

std::int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
    std::int16_t code = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        code |= 1;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) {
        code |= 2;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        code |= 4;
    }
    return code;
}

QColor Rgb(std::uint32_t rgb) {
    return QColor::fromRgb(rgb | 0xFF000000u);
}

}  // namespace

// The inner area: paints the picture and the drawings, holds child controls, takes the mouse.
// Everything it holds is in screen pixels: the picture shows pixel for pixel at any device
// pixel ratio, and outlines line up with the picture's pixels.
class PictureCanvas : public QWidget {
  public:
    PictureCanvas(QWidget* parent, PictureBox* box) : QWidget(parent), box_(box) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void Detach() { box_ = nullptr; }

    // The inner area in screen pixels, as the box was last placed; where the widget has been
    // resized since by other means, what it covers now.
    QSize ScreenSize() const {
        if (size() == placedWidgetSize_) {
            return placedScreenSize_;
        }
        return {ScreenPixels(width()), ScreenPixels(height())};
    }
    void SetScreenSize(QSize screen) {
        placedScreenSize_ = screen;
        placedWidgetSize_ = size();
    }

    // Asks for a repaint of a rectangle given in screen pixels.
    void UpdateScreenRect(const QRect& r) {
        const double ratio = DevicePixelRatio();
        const int left = static_cast<int>(std::floor(r.left() / ratio)) - 1;
        const int top = static_cast<int>(std::floor(r.top() / ratio)) - 1;
        const int right = static_cast<int>(std::ceil((r.right() + 1) / ratio)) + 1;
        const int bottom = static_cast<int>(std::ceil((r.bottom() + 1) / ratio)) + 1;
        update(QRect(QPoint(left, top), QPoint(right, bottom)));
    }

    std::uint32_t back = 0xFFFFFF;
    std::uint32_t fore = 0x000000;
    Picture picture;
    bool autoRedraw = false;
    bool autoSize = false;
    int drawStyle = PictureBox::Solid;
    int pointer = PictureBox::DefaultPointer;
    QImage persistent;  // the image, kept while drawing is persistent
    QImage surface;     // pictures painted without persistence: never part of the image
    // Outlines drawn without persistence. Kept as shapes rather than pixels: a selection
    // being dragged is cleared and redrawn on every pointer move, and only the pixels it
    // touches need repainting.
    struct Outline {
        QRect rect;
        QColor color;
        int style;
    };
    std::vector<Outline> outlines;

    static void Draw(QPainter& painter, const Outline& outline) {
        QPen pen(outline.color);
        pen.setWidth(0);
        if (outline.style == PictureBox::Dot) {
            pen.setDashPattern({1, 1});
        } else if (outline.style == PictureBox::Dash) {
            pen.setDashPattern({4, 2});
        }
        painter.setPen(pen);
        const QRect& r = outline.rect;
        const QPoint corners[] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(),
                                  r.topLeft()};
        painter.drawPolyline(corners, 5);
    }

    void ClearSurface() {
        for (const Outline& outline : outlines) {
            UpdateScreenRect(outline.rect.adjusted(0, 0, 1, 1));
        }
        outlines.clear();
        if (!surface.isNull()) {
            surface = QImage();
            update();
        }
    }

    // Background and picture at the inner size.
    QImage Composed() const {
        QImage image(ScreenSize(), QImage::Format_RGB32);
        if (image.isNull()) {
            return image;
        }
        image.fill(Rgb(back));
        if (!picture.IsEmpty()) {
            QPainter painter(&image);
            painter.drawImage(0, 0, ImageOf(picture));
        }
        return image;
    }

    void ResetPersistent() { persistent = autoRedraw ? Composed() : QImage(); }

    void KeepPersistentSize() {
        if (!autoRedraw || persistent.size() == ScreenSize()) {
            return;
        }
        QImage grown = Composed();
        if (!grown.isNull() && !persistent.isNull()) {
            QPainter painter(&grown);
            painter.drawImage(0, 0, persistent);
        }
        persistent = grown;
    }

    // Where drawings go now.
    QImage& Target() {
        if (autoRedraw) {
            KeepPersistentSize();
            return persistent;
        }
        if (surface.size() != ScreenSize()) {
            QImage bigger(ScreenSize(), QImage::Format_ARGB32_Premultiplied);
            bigger.fill(Qt::transparent);
            if (!surface.isNull()) {
                QPainter painter(&bigger);
                painter.drawImage(0, 0, surface);
            }
            surface = bigger;
        }
        return surface;
    }

    QImage Shown() const {
        QImage shown = autoRedraw && !persistent.isNull() ? persistent.copy() : Composed();
        if (!shown.isNull()) {
            QPainter painter(&shown);
            DrawSurface(painter);
        }
        return shown;
    }

    void DrawSurface(QPainter& painter) const {
        if (!surface.isNull()) {
            painter.drawImage(0, 0, surface);
        }
        for (const Outline& outline : outlines) {
            Draw(painter, outline);
        }
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Rgb(back));
        // Draw in screen pixels: one image pixel on one screen pixel, at any device pixel ratio.
        const double ratio = DevicePixelRatio();
        painter.scale(1.0 / ratio, 1.0 / ratio);
        if (autoRedraw && !persistent.isNull()) {
            painter.drawImage(0, 0, persistent);
        } else if (!picture.IsEmpty()) {
            painter.drawImage(0, 0, ImageOf(picture));
        }
        DrawSurface(painter);
    }

    void mousePressEvent(QMouseEvent* event) override {
        Deliver(&PictureBox::MouseDown, ButtonCode(event->button()), event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        Deliver(&PictureBox::MouseDown, ButtonCode(event->button()), event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        Deliver(&PictureBox::MouseMove, ButtonsHeld(event->buttons()), event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        Deliver(&PictureBox::MouseUp, ButtonCode(event->button()), event);
    }

  private:
    using Event = void (PictureBox::*)(std::int16_t, std::int16_t, float, float);
    void Deliver(Event what, std::int16_t button, QMouseEvent* event) {
        event->accept();
        if (box_ == nullptr) {
            return;
        }
        const QPointF at = event->position();
        const float x = WidgetToTwipsX(at.x());
        const float y = WidgetToTwipsY(at.y());
        (box_->*what)(button, ShiftState(event->modifiers()), x, y);
    }

    PictureBox* box_;
    QSize placedScreenSize_;
    QSize placedWidgetSize_{-1, -1};
};

struct PictureBox::Impl {
    QPointer<QFrame> frame;
    QPointer<PictureCanvas> canvas;
    MouseHandler down, move, up;

    PictureCanvas& C() const {
        if (!canvas) {
            Raise(FailureKind::CallFailed, "the picture box no longer exists");
        }
        return *canvas;
    }
};

PictureBox::PictureBox(Container& parent, std::string name)
    : Control(std::move(name), new QFrame(parent.ClientWidget())), d_(std::make_unique<Impl>()) {
    d_->frame = static_cast<QFrame*>(widget());
    d_->canvas = new PictureCanvas(d_->frame, this);
    d_->frame->setFrameStyle(QFrame::NoFrame);
    d_->canvas->setGeometry(d_->frame->contentsRect());
}

PictureBox::~PictureBox() {
    if (d_->canvas) {
        d_->canvas->Detach();
    }
}

QWidget* PictureBox::ClientWidget() const {
    return &d_->C();
}

namespace {

// The screen pixels a frame's border takes from its width and height, both sides together.
QSize BorderScreenPixels(const QFrame& frame) {
    const QRect inner = frame.contentsRect();
    return {ScreenPixels(frame.width() - inner.width()),
            ScreenPixels(frame.height() - inner.height())};
}

}  // namespace

void PictureBox::ApplyGeometry(const PixelRect& widget, const PixelRect& screen) {
    d_->frame->setGeometry(widget.left, widget.top, widget.width, widget.height);
    PictureCanvas& canvas = d_->C();
    canvas.setGeometry(d_->frame->contentsRect());
    const QSize border = BorderScreenPixels(*d_->frame);
    canvas.SetScreenSize(QSize(std::max(0, screen.width - border.width()),
                               std::max(0, screen.height - border.height())));
    canvas.KeepPersistentSize();
    canvas.update();
}

void PictureBox::SetBorderStyle(int style) {
    if (style == FixedSingle) {
        d_->frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        d_->frame->setLineWidth(2);
    } else {
        d_->frame->setFrameStyle(QFrame::NoFrame);
    }
    PlaceOnScreen(ScreenRect());
}

void PictureBox::SetBackColor(std::uint32_t rgb) {
    PictureCanvas& canvas = d_->C();
    canvas.back = rgb & 0xFFFFFFu;
    canvas.ResetPersistent();
    canvas.update();
}

std::uint32_t PictureBox::BackColor() const {
    return d_->C().back;
}

void PictureBox::SetForeColor(std::uint32_t rgb) {
    d_->C().fore = rgb & 0xFFFFFFu;
}

std::uint32_t PictureBox::ForeColor() const {
    return d_->C().fore;
}

Picture PictureBox::GetPicture() const {
    return d_->C().picture;
}

void PictureBox::SetPicture(const Picture& picture) {
    PictureCanvas& canvas = d_->C();
    canvas.picture = picture;
    if (canvas.autoSize && !picture.IsEmpty()) {
        const PixelRect now = ScreenRect();
        const QSize border = BorderScreenPixels(*d_->frame);
        PlaceOnScreen({now.left, now.top, picture.PixelWidth() + border.width(),
                       picture.PixelHeight() + border.height()});
    }
    canvas.ResetPersistent();
    canvas.update();
}

Picture PictureBox::Image() const {
    const PictureCanvas& canvas = d_->C();
    if (canvas.autoRedraw && !canvas.persistent.isNull() &&
        canvas.persistent.size() == canvas.ScreenSize()) {
        return PictureFromImage(canvas.persistent);
    }
    // A picture that fills the inner area exactly is its own image: no copy is needed.
    if (!canvas.picture.IsEmpty() &&
        QSize(canvas.picture.PixelWidth(), canvas.picture.PixelHeight()) == canvas.ScreenSize()) {
        return canvas.picture;
    }
    return PictureFromImage(canvas.Composed());
}

Picture PictureBox::Surface() const {
    return PictureFromImage(d_->C().Shown());
}

bool PictureBox::AutoSize() const {
    return d_->C().autoSize;
}

void PictureBox::SetAutoSize(bool on) {
    d_->C().autoSize = on;
    if (on) {
        SetPicture(d_->C().picture);
    }
}

bool PictureBox::AutoRedraw() const {
    return d_->C().autoRedraw;
}

void PictureBox::SetAutoRedraw(bool on) {
    PictureCanvas& canvas = d_->C();
    if (canvas.autoRedraw == on) {
        return;
    }
    canvas.autoRedraw = on;
    canvas.ResetPersistent();
}

void PictureBox::SetDrawStyle(int style) {
    d_->C().drawStyle = style;
}
int PictureBox::DrawStyle() const {
    return d_->C().drawStyle;
}

void PictureBox::Cls() {
    PictureCanvas& canvas = d_->C();
    canvas.ClearSurface();
    if (canvas.autoRedraw) {
        canvas.ResetPersistent();
        canvas.update();
    }
}

void PictureBox::DrawBox(float x1, float y1, float x2, float y2, std::uint32_t rgb) {
    PictureCanvas& canvas = d_->C();
    const QPoint a(TwipsToPixelsX(x1), TwipsToPixelsY(y1));
    const QPoint b(TwipsToPixelsX(x2), TwipsToPixelsY(y2));
    const PictureCanvas::Outline outline{QRect(a, b).normalized(), Rgb(rgb), canvas.drawStyle};
    if (!canvas.autoRedraw) {
        canvas.outlines.push_back(outline);
        canvas.UpdateScreenRect(outline.rect.adjusted(0, 0, 1, 1));
        return;
    }
    canvas.KeepPersistentSize();
    if (!canvas.persistent.isNull()) {
        QPainter painter(&canvas.persistent);
        PictureCanvas::Draw(painter, outline);
        canvas.update();
    }
}

void PictureBox::PaintPicture(const Picture& picture, float x, float y, float w, float h,
                              float srcX, float srcY, float srcW, float srcH) {
    PictureCanvas& canvas = d_->C();
    const QRect dest(TwipsToPixelsX(x), TwipsToPixelsY(y), TwipsToPixelsX(w), TwipsToPixelsY(h));
    const QRect src(TwipsToPixelsX(srcX), TwipsToPixelsY(srcY), TwipsToPixelsX(srcW),
                    TwipsToPixelsY(srcH));
    if (dest.width() <= 0 || dest.height() <= 0 || src.width() <= 0 || src.height() <= 0) {
        return;
    }
    QImage& target = canvas.Target();
    if (target.isNull()) {
        return;
    }
    QPainter painter(&target);
    painter.fillRect(dest, Rgb(canvas.back));
    const QImage source = ImageOf(picture);
    const QRect inside = src.intersected(source.rect());
    if (!inside.isEmpty()) {
        // Map the part of the source that exists to where it lands in the destination.
        const double sx = static_cast<double>(dest.width()) / src.width();
        const double sy = static_cast<double>(dest.height()) / src.height();
        const QRectF to(dest.x() + (inside.x() - src.x()) * sx,
                        dest.y() + (inside.y() - src.y()) * sy, inside.width() * sx,
                        inside.height() * sy);
        painter.drawImage(to, source, inside);
    }
    canvas.update();
}

float PictureBox::ScaleWidth() const {
    return PixelsToTwipsX(d_->C().ScreenSize().width());
}
float PictureBox::ScaleHeight() const {
    return PixelsToTwipsY(d_->C().ScreenSize().height());
}

void PictureBox::SetMousePointer(int pointer) {
    PictureCanvas& canvas = d_->C();
    canvas.pointer = pointer;
    switch (pointer) {
        case CrossPointer:
            canvas.setCursor(Qt::CrossCursor);
            break;
        case SizeAllPointer:
            canvas.setCursor(Qt::SizeAllCursor);
            break;
        default:
            canvas.unsetCursor();
            break;
    }
}

int PictureBox::MousePointerShape() const {
    return d_->C().pointer;
}

void PictureBox::OnMouseDown(MouseHandler handler) {
    d_->down = std::move(handler);
}
void PictureBox::OnMouseMove(MouseHandler handler) {
    d_->move = std::move(handler);
}
void PictureBox::OnMouseUp(MouseHandler handler) {
    d_->up = std::move(handler);
}

void PictureBox::MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    if (d_->down) {
        RaiseEvent(*this, "MouseDown", [&] { d_->down(button, shift, x, y); });
    }
}
void PictureBox::MouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
    if (d_->move) {
        RaiseEvent(*this, "MouseMove", [&] { d_->move(button, shift, x, y); });
    }
}
void PictureBox::MouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
    if (d_->up) {
        RaiseEvent(*this, "MouseUp", [&] { d_->up(button, shift, x, y); });
    }
}

QObject* ChildWindowShowing(std::uint32_t handle) {
    if (handle == 0) {
        return nullptr;
    }
    for (QWidget* widget : QApplication::allWidgets()) {
        const auto* canvas = dynamic_cast<const PictureCanvas*>(widget);
        if (canvas == nullptr || canvas->picture.Handle() != handle) {
            continue;
        }
        for (QWidget* above = widget->parentWidget(); above != nullptr;
             above = above->parentWidget()) {
            if (auto* child = dynamic_cast<ChildFrame*>(above)) {
                return child;
            }
        }
    }
    return nullptr;
}

}  // namespace platform
