// The clipboard as the toolkit gives it, for platforms other than X11 (and tests, which run
// without a display): a synchronous read of the chosen format, once per change.

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/FormatPlan.h"
#include "platform/clipboard/PictureDecoder.h"

namespace platform::Clipboard {

namespace {

// The toolkit's own picture, offered by a program that put it on the clipboard in this
// process; no bytes to decode.
const QString kToolkitImage = QStringLiteral("application/x-qt-image");

class ToolkitSource final : public ClipboardSource {
  public:
    ToolkitSource() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        QObject::connect(clipboard, &QClipboard::dataChanged, clipboard, [this] { stale_ = true; });
    }

    Picture Current() override {
        if (stale_) {
            stale_ = false;
            cached_ = Read();
        }
        return cached_;
    }

    void Clear() override {
        // Taking the selection right after another program became its owner can fail
        // silently; handling the pending events first lets the ownership change settle.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::clipboard()->clear();
        // Whatever happens to the system's copy, the contents just cleared are never taken
        // again; the next change of the clipboard makes it readable again.
        cached_ = {};
        stale_ = false;
    }

    void Changed() override { stale_ = true; }

  private:
    static Picture Read() {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data == nullptr) {
            return {};
        }
        const QStringList offered = data->formats();
        FormatPlan plan(offered);
        while (const auto format = plan.Next()) {
            const QByteArray bytes = data->data(*format);
            if (bytes.isEmpty()) {
                plan.Refused(QStringLiteral("gave no data"));
                continue;
            }
            if (Picture picture = plan.Take(bytes); !picture.IsEmpty()) {
                return picture;
            }
        }
        if (plan.Empty() && offered.contains(kToolkitImage)) {
            Decoded decoded = TakeImage(qvariant_cast<QImage>(data->imageData()));
            if (!decoded.picture.IsEmpty()) {
                return decoded.picture;
            }
            plan.Fail(decoded.failure);
        }
        plan.ReportFailures();
        return {};
    }

    Picture cached_;
    bool stale_ = true;
};

}  // namespace

std::unique_ptr<ClipboardSource> OpenToolkitSource() {
    return std::make_unique<ToolkitSource>();
}

}  // namespace platform::Clipboard
