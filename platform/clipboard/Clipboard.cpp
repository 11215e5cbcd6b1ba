#include "platform/clipboard/Clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "platform/pictures/PictureData.h"

namespace platform::Clipboard {

namespace {

// Qt lists this format whenever the clipboard holds any target it can read as an image.
// Asking for the format list costs far fewer round trips to the X server than hasImage().
const QString kImageFormat = QStringLiteral("application/x-qt-image");

class Watch {
  public:
    Watch() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        QObject::connect(clipboard, &QClipboard::dataChanged, clipboard, [this] { stale_ = true; });
    }

    Picture Current() {
        if (!stale_) {
            return cached_;
        }
        stale_ = false;
        cached_ = Read();
        return cached_;
    }

    void Forget() {
        cached_ = {};
        stale_ = false;
    }

    void Invalidate() { stale_ = true; }

    long decodes = 0;

  private:
    Picture Read() {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data == nullptr || !data->formats().contains(kImageFormat)) {
            return {};
        }
        ++decodes;
        const QImage image = qvariant_cast<QImage>(data->imageData());
        // Bytes offered as an image that do not decode are no picture.
        return PictureFromImage(image);
    }

    Picture cached_;
    bool stale_ = true;
};

Watch& TheWatch() {
    static Watch watch;
    return watch;
}

}  // namespace

Picture GetData() {
    return TheWatch().Current();
}

void Clear() {
    // Taking the selection right after another program became its owner can fail silently on
    // X11; handling the pending events first lets the ownership change settle.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::clipboard()->clear();
    // Whatever happens to the system's copy, the contents just cleared are never taken again;
    // the next change of the clipboard makes it readable again.
    TheWatch().Forget();
}

void SetData(const Picture& picture) {
    QImage image = ImageOf(picture);
    if (image.isNull()) {
        Clear();
        return;
    }
    QGuiApplication::clipboard()->setImage(image);
    TheWatch().Invalidate();
}

long DecodeCount() {
    return TheWatch().decodes;
}

}  // namespace platform::Clipboard
