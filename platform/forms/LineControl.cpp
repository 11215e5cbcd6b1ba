#include "platform/forms/LineControl.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "platform/forms/Twips.h"

namespace platform {

namespace {

class LineWidget : public QWidget {
  public:
    explicit LineWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QPoint from, to;  // relative to the widget
    QColor color;
    int width = 1;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(from, to);
    }
};

}  // namespace

LineControl::LineControl(Container& parent, std::string name)
    : Control(std::move(name), new LineWidget(parent.ClientWidget())) {}

void LineControl::SetLine(float x1, float y1, float x2, float y2, std::uint32_t rgb, int widthPx,
                          bool insideBounds) {
    rgb_ = rgb;
    widthPx_ = widthPx;
    auto* line = static_cast<LineWidget*>(widget());
    const QPoint a(TwipsToWidgetX(x1), TwipsToWidgetY(y1));
    const QPoint b(TwipsToWidgetX(x2), TwipsToWidgetY(y2));
    // The widget leaves room for the pen on every side; a pen drawn inside the bounds is
    // shifted by half its width so that it does not reach above or left of the line.
    const int margin = std::max(1, widthPx);
    const QRect box = QRect(a, b).normalized().adjusted(-margin, -margin, margin, margin);
    line->setGeometry(box);
    const QPoint inside = insideBounds ? QPoint(0, widthPx / 2) : QPoint();
    line->from = a - box.topLeft() + inside;
    line->to = b - box.topLeft() + inside;
    line->color = QColor::fromRgb(rgb | 0xFF000000u);
    line->width = std::max(1, widthPx);
    line->update();
}

}  // namespace platform
