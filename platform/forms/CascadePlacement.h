#pragma once
// Where a new child window of the multiple-document frame opens: on the cascade, as a frame
// places new children by default. The first opens at the top-left of the visible part of the
// client area, each next one a title-bar height further down and to the right of the one
// before; when the next place would put the new window's top-left quarter out of view, the
// cascade starts again at the top-left. A window larger than the view always opens at its
// top-left. Closing windows moves none of the others.

#include <QPoint>
#include <QSize>

class QMdiSubWindow;

namespace platform {

// The place of step `index` of the cascade, or of step 0 when that puts the window's top-left
// quarter outside a visible area of the given size, or the window does not fit in it at all.
// Sets `index` to the step used.
QPoint CascadePlace(int& index, QSize window, QSize visible, int step);

// Moves a child that is being shown for the first time to the next place of its frame's
// cascade, relative to the visible part of the client area wherever it is scrolled to.
void PlaceOnCascade(QMdiSubWindow* child);

}  // namespace platform
