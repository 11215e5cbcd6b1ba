#include "platform/forms/CascadePlacement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVariant>

namespace platform {

namespace {

// The frame's client area remembers the step of its newest child.
const char* const kLastStep = "vornalCascadeStep";

}  // namespace

QPoint CascadePlace(int& index, QSize window, QSize visible, int step) {
    // A window larger than the view opens where the most of it shows.
    if (window.width() > visible.width() || window.height() > visible.height()) {
        index = 0;
        return {0, 0};
    }
    const QPoint at(index * step, index * step);
    const bool quarterInView = at.x() + (window.width() + 1) / 2 <= visible.width() &&
                               at.y() + (window.height() + 1) / 2 <= visible.height();
    if (index > 0 && !quarterInView) {
        index = 0;
        return {0, 0};
    }
    return at;
}

void PlaceOnCascade(QMdiSubWindow* child) {
    QMdiArea* area = child->mdiArea();
    if (area == nullptr) {
        return;
    }
    // The title bar is what lies above the window's contents.
    const int step = child->widget() != nullptr ? child->widget()->geometry().top() : 0;
    const QVariant last = area->property(kLastStep);
    int index = last.isValid() ? last.toInt() + 1 : 0;
    // Child windows sit in the area's viewport, which keeps its top-left in view however the
    // area is scrolled.
    const QPoint at = CascadePlace(index, child->size(), area->viewport()->size(), step);
    area->setProperty(kLastStep, index);
    child->move(at);
}

}  // namespace platform
