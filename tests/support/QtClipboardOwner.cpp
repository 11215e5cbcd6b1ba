// A toolkit program that puts one picture on the clipboard and stays its owner until another
// program takes the clipboard, like an image viewer or a screenshot tool would.
//
//   qt_clipboard_owner [--png-only] (--picture FILE | --synthetic WIDTHxHEIGHT)
//   qt_clipboard_owner --synthetic WIDTHxHEIGHT --write FILE.png
//
// By default the picture is offered the toolkit's way (every format it can write, each
// encoded when asked for); --png-only offers PNG bytes encoded beforehand. Standard output
// gets "offered NS" when the picture is on the clipboard, "asked TARGET" for every format a
// reader asks for, and "lost NS" when another program took the clipboard (NS: the monotonic
// clock in nanoseconds); the program then ends. With --write it saves the picture as a PNG
// file instead and ends.

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "support/OwnerConnection.h"

namespace {

long long Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Something like a desktop: a gradient, windows with title bars and lines of text, a photo.
QImage Synthetic(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(40, 70, 120));
    sky.setColorAt(1, QColor(180, 120, 90));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(7);
    for (int w = 0; w < 8; ++w) {
        const QRect frame(random.bounded(width * 2 / 3), random.bounded(height * 2 / 3),
                          width / 3 + random.bounded(width / 4),
                          height / 3 + random.bounded(height / 4));
        painter.fillRect(frame, Qt::white);
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), 24)), QColor(50, 90, 160));
        painter.setPen(Qt::black);
        for (int y = frame.top() + 40; y < frame.bottom() - 10; y += 18) {
            painter.drawText(frame.left() + 8, y,
                             QStringLiteral("Line %1 of a document, with words and numbers %2")
                                 .arg(y)
                                 .arg(random.generate() % 100000));
        }
    }
    const QRect photo(width / 8, height / 2, width / 4, height / 3);
    for (int y = photo.top(); y < photo.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = photo.left(); x < photo.right(); ++x) {
            const auto noise = static_cast<int>(random.bounded(24));
            row[x] = qRgb((x * 3 + noise) & 255, (y * 2 + noise) & 255, (x + y + noise) & 255);
        }
    }
    return image;
}

xcb_connection_t* Connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t ClipboardOwner() {
    xcb_connection_t* c = Connection();
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), nullptr);
    if (atom == nullptr) {
        return XCB_NONE;
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const xcb_window_t window = owner != nullptr ? owner->owner : XCB_NONE;
    std::free(owner);
    std::free(atom);
    return window;
}

// Reports the formats readers ask for.
class RequestLog : public QAbstractNativeEventFilter {
  public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            LogSelectionRequest(Connection(),
                                *static_cast<const xcb_selection_request_event_t*>(message));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QImageReader::setAllocationLimit(0);
    bool pngOnly = false;
    QString write;
    QImage picture;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--png-only")) {
            pngOnly = true;
        } else if (args[i] == QLatin1String("--picture") && i + 1 < args.size()) {
            picture = QImage(args[++i]);
        } else if (args[i] == QLatin1String("--write") && i + 1 < args.size()) {
            write = args[++i];
        } else if (args[i] == QLatin1String("--synthetic") && i + 1 < args.size()) {
            const QStringList size = args[++i].split(QLatin1Char('x'));
            if (size.size() == 2) {
                picture = Synthetic(size[0].toInt(), size[1].toInt());
            }
        }
    }
    if (picture.isNull()) {
        std::fputs("usage: qt_clipboard_owner [--png-only] (--picture FILE | --synthetic WxH)\n",
                   stderr);
        return 2;
    }
    if (!write.isEmpty()) {
        return QImageWriter(write, "png").write(picture) ? 0 : 1;
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fputs("qt_clipboard_owner: runs on X11 only\n", stderr);
        return 2;
    }
    RequestLog log;
    app.installNativeEventFilter(&log);

    auto* data = new QMimeData;
    if (pngOnly) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "png").write(picture);
        data->setData(QStringLiteral("image/png"), png);
    } else {
        data->setImageData(picture);
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    const long long offered = Now();
    clipboard->setMimeData(data);
    // The toolkit may go on believing it owns a clipboard that another program emptied, so
    // the owner is asked of the display itself.
    const xcb_window_t ours = ClipboardOwner();
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [ours] {
        static bool lost = false;
        if (!lost && ClipboardOwner() != ours) {
            lost = true;
            std::printf("lost %lld\n", Now());
            std::fflush(stdout);
            QCoreApplication::quit();
        }
    });
    std::printf("offered %lld\n", offered);
    std::fflush(stdout);
    return QGuiApplication::exec();
}
