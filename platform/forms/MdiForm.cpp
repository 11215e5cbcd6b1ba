#include "platform/forms/MdiForm.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>

#include "platform/forms/FormWindows.h"
#include "platform/runtime/Failure.h"

namespace platform {

namespace {

FrameWindow* MakeFrame() {
    auto* frame = new FrameWindow;
    auto* area = new QMdiArea(frame);
    // Child windows larger than the frame stay reachable.
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    frame->setCentralWidget(area);
    frame->setAttribute(Qt::WA_QuitOnClose, false);
    // The desktops' keys for closing a document close the active child window, wherever the
    // focus is in the frame.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_F4), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* close = new QShortcut(keys, frame);
        QObject::connect(close, &QShortcut::activated, area, &QMdiArea::closeActiveSubWindow);
    }
    return frame;
}

QList<QMdiSubWindow*> Children(QMdiArea* area) {
    return area->subWindowList(QMdiArea::CreationOrder);
}

// The child windows the window list shows: open ones, minimized included.
QList<QMdiSubWindow*> Listed(QMdiArea* area) {
    QList<QMdiSubWindow*> listed;
    for (QMdiSubWindow* child : Children(area)) {
        if (child->isVisible() || child->isMinimized()) {
            listed.append(child);
        }
    }
    return listed;
}

}  // namespace

MdiForm::MdiForm(std::string name) : MdiForm(std::move(name), MakeFrame()) {}

MdiForm::MdiForm(std::string name, FrameWindow* frame)
    : Form(std::move(name), frame, frame->centralWidget()) {
    frame->SetForm(this);
}

QMdiArea* MdiForm::MdiArea() const {
    return static_cast<QMdiArea*>(ClientWidget());
}
QMenuBar* MdiForm::MenuBar() const {
    return static_cast<QMainWindow*>(GeometryWidget())->menuBar();
}
QStatusBar* MdiForm::StatusBarWidget() const {
    return static_cast<QMainWindow*>(GeometryWidget())->statusBar();
}

void MdiForm::SetWorkspaceColorFromSystem() {
    MdiArea()->setBackground(MdiArea()->palette().brush(QPalette::Dark));
}

void MdiForm::Arrange(int arrangement) {
    QMdiArea* area = MdiArea();
    if (arrangement == Cascade) {
        area->cascadeSubWindows();
        return;
    }
    if (arrangement != TileHorizontal && arrangement != TileVertical) {
        Raise(FailureKind::InvalidPropertyValue,
              "arrange code " + std::to_string(arrangement) + " is not 0, 1 or 2");
    }
    QList<QMdiSubWindow*> tiles;
    for (QMdiSubWindow* child : Children(area)) {
        if (child->isVisible() && !child->isMinimized()) {
            tiles.append(child);
        }
    }
    if (tiles.isEmpty()) {
        return;
    }
    // Tiled children fit the area, so its scroll bars go: lay out over the whole of it.
    const QRect room(QPoint(0, 0), area->contentsRect().size());
    const int n = static_cast<int>(tiles.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* child = tiles[i];
        if (child->isMaximized()) {
            child->showNormal();
        }
        if (arrangement == TileHorizontal) {
            const int top = room.height() * i / n;
            const int bottom = room.height() * (i + 1) / n;
            child->setGeometry(0, top, room.width(), bottom - top);
        } else {
            const int left = room.width() * i / n;
            const int right = room.width() * (i + 1) / n;
            child->setGeometry(left, 0, right - left, room.height());
        }
    }
}

std::vector<std::string> MdiForm::ChildCaptions() const {
    std::vector<std::string> captions;
    for (QMdiSubWindow* child : Listed(MdiArea())) {
        captions.push_back(child->windowTitle().toStdString());
    }
    return captions;
}

std::vector<Form*> MdiForm::ChildForms() const {
    std::vector<Form*> forms;
    for (QMdiSubWindow* child : Children(MdiArea())) {
        auto* frame = dynamic_cast<ChildFrame*>(child);
        if (frame != nullptr && frame->form() != nullptr) {
            forms.push_back(frame->form());
        }
    }
    return forms;
}

std::string MdiForm::ActiveChildCaption() const {
    QMdiSubWindow* active = MdiArea()->activeSubWindow();
    return active != nullptr ? active->windowTitle().toStdString() : std::string();
}

int MdiForm::ActiveChildIndex() const {
    return static_cast<int>(Listed(MdiArea()).indexOf(MdiArea()->activeSubWindow()));
}

void MdiForm::ActivateChild(int index) {
    const QList<QMdiSubWindow*> listed = Listed(MdiArea());
    if (index < 0 || index >= listed.size()) {
        Raise(FailureKind::OutOfRange, "no child window number " + std::to_string(index + 1));
    }
    QMdiSubWindow* child = listed[index];
    if (child->isMinimized()) {
        child->showNormal();
    }
    MdiArea()->setActiveSubWindow(child);
}

}  // namespace platform
