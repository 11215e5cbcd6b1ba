// A plain window of another program, to take the keyboard focus away from the program under
// test as the user does by switching to another application.
//
//   focus_window [TITLE]
//
// Runs on whatever platform the toolkit is given (natively on Wayland in the tests). Standard
// output gets "shown" once the window is on screen; the program ends when it is closed or
// terminated.

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <cstdio>

namespace {

class FocusWindow : public QRasterWindow {
  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter(this).fillRect(QRect(QPoint(0, 0), size()), QColor(40, 120, 60));
    }
    void exposeEvent(QExposeEvent* event) override {
        QRasterWindow::exposeEvent(event);
        if (isExposed() && !shown_) {
            shown_ = true;
            std::puts("shown");
            std::fflush(stdout);
        }
    }

  private:
    bool shown_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    FocusWindow window;
    const QStringList args = QCoreApplication::arguments();
    window.setTitle(args.size() > 1 ? args[1] : QStringLiteral("another program"));
    window.resize(320, 200);
    window.show();
    return QGuiApplication::exec();
}
