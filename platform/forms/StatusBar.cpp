#include "platform/forms/StatusBar.h"

#include <QDateTime>
#include <QFrame>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <utility>
#include <vector>

#include "platform/forms/ClockFormat.h"
#include "platform/forms/MdiForm.h"
#include "platform/forms/Twips.h"
#include "platform/runtime/Failure.h"

namespace platform {

namespace {

// One panel: a sunken frame around one line of text. A new text repaints the text alone, over
// its own background; a label would have the whole bar laid out and repainted anew, every
// second for the clock.
class PanelWidget final : public QFrame {
  public:
    explicit PanelWidget(QString text) : text_(std::move(text)) {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAccessibleName(text_);
    }

    const QString& Text() const { return text_; }
    void SetText(const QString& text) {
        if (text == text_) {
            return;
        }
        text_ = text;
        setAccessibleName(text_);
        update(contentsRect());
    }
    void SetAlignment(Qt::Alignment alignment) { alignment_ = alignment; }

    QSize sizeHint() const override {
        const QFontMetrics metrics = fontMetrics();
        return QSize(metrics.horizontalAdvance(text_), metrics.height()) +
               (size() - contentsRect().size());
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().window());
        if (!contentsRect().contains(event->rect())) {
            drawFrame(&painter);
        }
        painter.drawText(contentsRect(), static_cast<int>(alignment_) | Qt::TextSingleLine, text_);
    }

  private:
    QString text_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

}  // namespace

struct StatusBar::Impl {
    QPointer<QStatusBar> bar;
    struct Panel {
        PanelStyle style;
        QPointer<PanelWidget> widget;
    };
    std::vector<Panel> panels;
    QPointer<QTimer> clock;
    // The minute the date and time panels show, counted from the epoch.
    qint64 shownMinute = -1;

    void Refresh() {
        // The clock shows hours and minutes, so most seconds there is nothing to do: the
        // local time (which asks the system about its time zone) is looked up once a minute.
        const qint64 minute = QDateTime::currentSecsSinceEpoch() / 60;
        if (minute == shownMinute) {
            return;
        }
        shownMinute = minute;
        const QDateTime now = QDateTime::currentDateTime();
        const QLocale locale = QLocale::system();
        for (Panel& panel : panels) {
            if (!panel.widget) {
                continue;
            }
            QString text;
            if (panel.style == PanelStyle::Date) {
                text = locale.toString(now.date(), QLocale::ShortFormat);
            } else if (panel.style == PanelStyle::Time) {
                text = locale.toString(now.time(),
                                       HoursAndMinutes(locale.timeFormat(QLocale::ShortFormat)));
            } else {
                continue;
            }
            panel.widget->SetText(text);
        }
    }
};

StatusBar::StatusBar(MdiForm& frame, const std::string& /*name*/, float heightTwips)
    : d_(std::make_unique<Impl>()) {
    d_->bar = frame.StatusBarWidget();
    d_->bar->setFixedHeight(WidgetSize(TwipsToPixelsY(heightTwips)));
    d_->bar->setSizeGripEnabled(true);
    d_->clock = new QTimer(d_->bar);
    d_->clock->setInterval(1000);
    Impl* d = d_.get();
    QObject::connect(d_->clock, &QTimer::timeout, d_->bar, [d] { d->Refresh(); });
    d_->clock->start();
}

StatusBar::~StatusBar() {
    delete d_->clock.data();
}

void StatusBar::AddPanel(PanelStyle style, float minWidthTwips, float widthTwips,
                         const std::string& text) {
    auto* panel = new PanelWidget(QString::fromStdString(text));
    panel->setMinimumWidth(WidgetSize(TwipsToPixelsX(minWidthTwips)));
    panel->setContentsMargins(3, 0, 3, 0);
    const bool first = d_->panels.empty();
    if (!first) {
        panel->setFixedWidth(WidgetSize(TwipsToPixelsX(widthTwips)));
        panel->SetAlignment(Qt::AlignCenter);
    }
    // The first panel takes the room the others leave; the rest keep their design widths.
    d_->bar->addPermanentWidget(panel, first ? 1 : 0);
    d_->panels.push_back({style, panel});
    d_->shownMinute = -1;  // the new panel shows the date or time at once
    d_->Refresh();
}

int StatusBar::PanelCount() const {
    return static_cast<int>(d_->panels.size());
}

std::string StatusBar::PanelText(int index) const {
    if (index < 1 || index > PanelCount() || !d_->panels[index - 1].widget) {
        Raise(FailureKind::OutOfRange, "no status bar panel " + std::to_string(index));
    }
    return d_->panels[index - 1].widget->Text().toStdString();
}

}  // namespace platform
