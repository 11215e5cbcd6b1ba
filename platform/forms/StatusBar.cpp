#include "platform/forms/StatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <vector>

#include "platform/forms/MdiForm.h"
#include "platform/forms/Twips.h"
#include "platform/runtime/Failure.h"

namespace platform {

struct StatusBar::Impl {
    QPointer<QStatusBar> bar;
    struct Panel {
        PanelStyle style;
        QPointer<QLabel> label;
    };
    std::vector<Panel> panels;
    QPointer<QTimer> clock;

    void Refresh() {
        const QDateTime now = QDateTime::currentDateTime();
        const QLocale locale = QLocale::system();
        for (Panel& panel : panels) {
            if (!panel.label) {
                continue;
            }
            QString text;
            if (panel.style == PanelStyle::Date) {
                text = locale.toString(now.date(), QLocale::ShortFormat);
            } else if (panel.style == PanelStyle::Time) {
                text = locale.toString(now.time(), QLocale::ShortFormat);
            } else {
                continue;
            }
            if (panel.label->text() != text) {
                panel.label->setText(text);
            }
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
    auto* label = new QLabel(QString::fromStdString(text));
    label->setMinimumWidth(WidgetSize(TwipsToPixelsX(minWidthTwips)));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setContentsMargins(3, 0, 3, 0);
    const bool first = d_->panels.empty();
    if (!first) {
        label->setFixedWidth(WidgetSize(TwipsToPixelsX(widthTwips)));
        label->setAlignment(Qt::AlignCenter);
    }
    // The first panel takes the room the others leave; the rest keep their design widths.
    d_->bar->addPermanentWidget(label, first ? 1 : 0);
    d_->panels.push_back({style, label});
    d_->Refresh();
}

int StatusBar::PanelCount() const {
    return static_cast<int>(d_->panels.size());
}

std::string StatusBar::PanelText(int index) const {
    if (index < 1 || index > PanelCount() || !d_->panels[index - 1].label) {
        Raise(FailureKind::OutOfRange, "no status bar panel " + std::to_string(index));
    }
    return d_->panels[index - 1].label->text().toStdString();
}

}  // namespace platform
