#include "platform/forms/Form.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <optional>

#include "platform/forms/CascadePlacement.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/DialogBorder.h"
#include "platform/forms/FormWindows.h"
#include "platform/forms/MdiForm.h"
#include "platform/forms/Twips.h"
#include "platform/keeping/KeptCaptures.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/MemoryUse.h"

namespace platform {

// Width and height of a top-level window include its frame, which the window manager adds
// only once the window is shown. A size given before that is applied again, less the frame,
// as soon as the frame is known, so that a stored size reopens as the same outer size.
class OuterSizeKeeper : public QObject {
  public:
    explicit OuterSizeKeeper(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }
    void Expect(QSize outer) { pending_ = outer; }
    void Forget() { pending_ = QSize(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && pending_.isValid() && window_->isVisible() &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
             event->type() == QEvent::Show)) {
            const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
            if (frame.width() > 0 || frame.height() > 0) {
                const QSize inner = pending_ - frame;
                pending_ = QSize();
                window_->resize(inner.expandedTo(QSize(0, 0)));
            }
        }
        return false;
    }

  private:
    QWidget* window_;
    QSize pending_;
};

struct Form::Impl {
    QPointer<OuterSizeKeeper> keeper;
    std::optional<QPoint> placedAt;  // where the program last placed its window
    QPointer<QWidget> outer;
    QPointer<FormClient> client;  // null for the frame, whose client is its MDI area
    QPointer<QWidget> area;       // the frame's MDI area
    QPointer<ChildFrame> child;
    QEventLoop* modalLoop = nullptr;
    bool dialogBorder = false;  // draws its own border where no window manager does
};

void FormClient::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (form_ != nullptr) {
        form_->HandleClientResized();
    }
}

void FormClient::closeEvent(QCloseEvent* event) {
    if (form_ != nullptr && isWindow() && !form_->HandleCloseRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

void FormClient::keyPressEvent(QKeyEvent* event) {
    if (form_ != nullptr && form_->HandleKey(event->key())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

ChildFrame::ChildFrame(Form* form) : form_(form) {
    // The frame's own Close keys close the active child window; the same keys on every child's
    // window menu would make them ambiguous, so that none of them did anything.
    if (QMenu* menu = systemMenu()) {
        for (QAction* action : menu->actions()) {
            if (!action->shortcuts().isEmpty()) {
                action->setShortcuts({});
            }
        }
    }
}

ChildFrame::~ChildFrame() {
    // The capture it showed is gone: so is its kept copy.
    if (auto* kept = keeping::KeptCaptures::Running()) {
        kept->WindowGone(this);
    }
    if (ownsForm_ && form_ != nullptr) {
        Form* form = form_;
        form_ = nullptr;
        form->DetachFromWindow();
        delete form;
        // A closed capture window's picture and widgets are freed now; what is freed goes back
        // to the system once the events of its going are handled.
        QTimer::singleShot(0, [] { ReturnFreedMemory(); });
    }
}

void ChildFrame::closeEvent(QCloseEvent* event) {
    if (form_ != nullptr && !form_->HandleCloseRequest()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    if (form_ != nullptr && !form_->HandleCloseRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

namespace {

Qt::WindowFlags FlagsFor(Form::Style style) {
    switch (style) {
        case Form::Style::FixedDialog:
            return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
        case Form::Style::Splash:
            // A fixed dialog border and no title bar: window managers write the program's name
            // into a title bar that is given none, where the caption is to stay empty.
            return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint;
        case Form::Style::Sizable:
            break;
    }
    return Qt::Window;
}

}  // namespace

Form::Form(std::string name, Style style)
    : Control(std::move(name), nullptr), f_(std::make_unique<Impl>()) {
    auto* client = new FormClient(this, nullptr, FlagsFor(style));
    client->setAttribute(Qt::WA_QuitOnClose, false);
    f_->outer = client;
    f_->client = client;
    f_->dialogBorder = style == Style::Splash;
}

Form::Form(std::string name, MdiForm& frame)
    : Control(std::move(name), nullptr), f_(std::make_unique<Impl>()) {
    auto* client = new FormClient(this, nullptr, Qt::Widget);
    auto* child = new ChildFrame(this);
    child->setWidget(client);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->hide();
    frame.MdiArea()->addSubWindow(child);
    f_->outer = child;
    f_->client = client;
    f_->child = child;
}

Form::Form(std::string name, QWidget* outer, QWidget* client)
    : Control(std::move(name), nullptr), f_(std::make_unique<Impl>()) {
    f_->outer = outer;
    f_->area = client;
}

Form::~Form() {
    if (f_->modalLoop != nullptr) {
        f_->modalLoop->quit();
    }
    if (f_->client) {
        f_->client->Detach();
    }
    if (f_->child) {
        f_->child->Detach();
        f_->child->SetOwnsForm(false);
    }
    if (auto* frame = dynamic_cast<FrameWindow*>(f_->outer.data())) {
        frame->Detach();
    }
    delete f_->outer.data();
}

void Form::DetachFromWindow() {
    if (f_->client) {
        f_->client->Detach();
    }
    f_->child = nullptr;
    f_->outer = nullptr;  // the window is on its way out and deletes itself
}

QWidget* Form::ClientWidget() const {
    if (f_->client) {
        return f_->client;
    }
    return f_->area;
}

QWidget* Form::GeometryWidget() const {
    return f_->outer;
}

namespace {

QWidget* Need(QWidget* w) {
    if (w == nullptr) {
        Raise(FailureKind::CallFailed, "the window no longer exists");
    }
    return w;
}

}  // namespace

namespace {

QRect OuterRect(QWidget* outer) {
    return outer->isWindow() ? outer->frameGeometry() : outer->geometry();
}

// A Wayland compositor places every window itself: a program can neither move its windows nor
// learn where they are.
bool ProgramPlacesItsWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

// Windows move and resize at the user's hand: they report where their widgets are. Where the
// compositor places them, a window is where the program last placed it, so that a stored
// position outlives a run in such a session instead of becoming the 0, 0 that the toolkit
// reports there.
float Form::Left() const {
    QWidget* outer = Need(f_->outer);
    if (outer->isWindow() && f_->placedAt && !ProgramPlacesItsWindows()) {
        return WidgetToTwipsX(f_->placedAt->x());
    }
    return WidgetToTwipsX(OuterRect(outer).x());
}
float Form::Top() const {
    QWidget* outer = Need(f_->outer);
    if (outer->isWindow() && f_->placedAt && !ProgramPlacesItsWindows()) {
        return WidgetToTwipsY(f_->placedAt->y());
    }
    return WidgetToTwipsY(OuterRect(outer).y());
}
float Form::Width() const {
    return WidgetToTwipsX(OuterRect(Need(f_->outer)).width());
}
float Form::Height() const {
    return WidgetToTwipsY(OuterRect(Need(f_->outer)).height());
}

void Form::ApplyGeometry(const PixelRect& widget, const PixelRect& /*screen*/) {
    const int leftPx = widget.left;
    const int topPx = widget.top;
    const int widthPx = widget.width;
    const int heightPx = widget.height;
    QWidget* outer = Need(f_->outer);
    if (outer->isWindow()) {
        // Left and top place the outer edge; width and height include the window frame.
        const QRect frame = outer->frameGeometry();
        const QRect inner = outer->geometry();
        const int extraW = frame.width() - inner.width();
        const int extraH = frame.height() - inner.height();
        f_->placedAt = QPoint(leftPx, topPx);
        if (ProgramPlacesItsWindows()) {
            outer->move(leftPx, topPx);
        }
        outer->resize(std::max(0, widthPx - extraW), std::max(0, heightPx - extraH));
        if (!f_->keeper) {
            f_->keeper = new OuterSizeKeeper(outer);
        }
        if (extraW == 0 && extraH == 0) {
            f_->keeper->Expect(QSize(widthPx, heightPx));
        } else {
            f_->keeper->Forget();
        }
    } else {
        outer->setGeometry(leftPx, topPx, widthPx, heightPx);
    }
}

std::string Form::Caption() const {
    return Need(f_->outer)->windowTitle().toStdString();
}

void Form::SetCaption(const std::string& caption) {
    Need(f_->outer)->setWindowTitle(QString::fromStdString(caption));
}

float Form::ScaleWidth() const {
    return WidgetToTwipsX(Need(ClientWidget())->width());
}
float Form::ScaleHeight() const {
    return WidgetToTwipsY(Need(ClientWidget())->height());
}

void Form::SetClientSize(float widthTwips, float heightTwips) {
    QWidget* client = Need(ClientWidget());
    const QSize size(WidgetSize(TwipsToPixelsX(widthTwips)),
                     WidgetSize(TwipsToPixelsY(heightTwips)));
    if (f_->client) {
        f_->client->SetDesignSize(size);
    }
    if (f_->child) {
        client->resize(size);
        f_->child->resize(f_->child->sizeHint());
    } else if (f_->outer && f_->outer->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint)) {
        f_->outer->setFixedSize(size);
    } else {
        Need(f_->outer)->resize(size);
    }
}

void Form::SetBackColor(std::uint32_t rgb) {
    QWidget* client = Need(ClientWidget());
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(rgb | 0xFF000000u));
    client->setPalette(palette);
    client->setAutoFillBackground(true);
}

void Form::Load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    Form_Load();
}

void Form::Show() {
    Load();
    QWidget* outer = Need(f_->outer);
    const bool firstShowing = f_->child && !f_->child->OwnsForm();
    if (f_->child) {
        f_->child->SetOwnsForm(true);
    }
    if (f_->dialogBorder) {
        EnsureDialogBorder(outer);
    }
    outer->show();
    if (firstShowing) {
        PlaceOnCascade(f_->child);
    }
    if (f_->child && f_->child->mdiArea() != nullptr) {
        f_->child->raise();
        f_->child->mdiArea()->setActiveSubWindow(f_->child);
    }
}

void Form::ShowModal(Form& owner) {
    Load();
    QWidget* outer = Need(f_->outer);
    QWidget* ownerWindow = owner.f_->outer;
    if (ownerWindow != nullptr) {
        outer->setParent(ownerWindow, outer->windowFlags());
        const QRect over = ownerWindow->frameGeometry();
        outer->move(over.center() - QPoint(outer->width() / 2, outer->height() / 2));
    }
    outer->setWindowModality(Qt::ApplicationModal);
    outer->show();
    outer->activateWindow();
    QEventLoop loop;
    f_->modalLoop = &loop;
    loop.exec();
    f_->modalLoop = nullptr;
}

void Form::Unload() {
    if (f_->child) {
        f_->child->close();
        return;
    }
    if (!HandleCloseRequest()) {
        return;
    }
    if (f_->outer) {
        f_->outer->hide();
    }
}

void Form::Refresh() {
    QWidget* outer = Need(f_->outer);
    if (!outer->isVisible()) {
        return;
    }
    // A window shown before the event loop runs is drawn only once the system has exposed it.
    QWindow* handle = outer->windowHandle();
    QDeadlineTimer deadline(2000);
    while (handle != nullptr && !handle->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    outer->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Form::CenterOnScreen() {
    QWidget* outer = Need(f_->outer);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        outer->move(area.center() - QPoint(outer->width() / 2, outer->height() / 2));
    }
}

int Form::WindowState() const {
    const Qt::WindowStates state = Need(f_->outer)->windowState();
    if (state.testFlag(Qt::WindowMinimized)) {
        return Minimized;
    }
    return state.testFlag(Qt::WindowMaximized) ? Maximized : Normal;
}

void Form::SetWindowState(int state) {
    QWidget* outer = Need(f_->outer);
    switch (state) {
        case Minimized:
            outer->setWindowState(Qt::WindowMinimized);
            break;
        case Maximized:
            outer->setWindowState(Qt::WindowMaximized);
            break;
        default:
            outer->setWindowState(Qt::WindowNoState);
            break;
    }
}

void Form::BringToFront() {
    QWidget* outer = Need(f_->outer);
    outer->setWindowState(outer->windowState() & ~Qt::WindowMinimized);
    outer->show();
    outer->raise();
    outer->activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != outer) {
        modal->raise();
        modal->activateWindow();
    }
}

bool Form::HandleCloseRequest() {
    std::int16_t cancel = 0;
    Dispatch(Name() + ".Form_Unload", [&] { Form_Unload(cancel); });
    if (cancel != 0) {
        return false;
    }
    if (!f_->child) {
        loaded_ = false;
        if (f_->modalLoop != nullptr) {
            f_->modalLoop->quit();
        }
    }
    return true;
}

void Form::HandleClientResized() {
    if (loaded_) {
        Dispatch(Name() + ".Form_Resize", [this] { Form_Resize(); });
    }
}

bool Form::HandleKey(int qtKey) {
    CommandButton* button = nullptr;
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter) {
        button = defaultButton_;
    } else if (qtKey == Qt::Key_Escape) {
        button = cancelButton_;
    }
    if (button == nullptr) {
        return false;
    }
    button->Click();
    return true;
}

}  // namespace platform
