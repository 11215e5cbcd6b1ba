// A bare toolkit program that takes pictures off the clipboard the toolkit's way: every
// 10 ms it looks whether the clipboard changed, reads QClipboard::image() and empties the
// clipboard when that gave a picture. The peer for the program's own intake. Its image
// readers' allocation limit is lifted so that it takes big pictures too. Prints "ready" once
// it runs.

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QImageReader::setAllocationLimit(0);
    QClipboard* clipboard = QGuiApplication::clipboard();
    bool changed = true;
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&changed] { changed = true; });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &app, [&changed, clipboard] {
        if (!changed) {
            return;
        }
        changed = false;
        if (clipboard->image().isNull()) {
            return;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        clipboard->clear();
    });
    timer.start(10);
    QTimer::singleShot(0, &app, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    return QGuiApplication::exec();
}
