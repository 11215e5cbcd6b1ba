// The clipboard as the toolkit gives it, for platforms other than X11 (and tests, which run
// without a display): a synchronous read of the chosen format, once per change.

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cstdio>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/FormatPlan.h"
#include "platform/clipboard/RepeatGuard.h"
#include "platform/clipboard/Transfer.h"
#include "platform/pictures/PictureDecoder.h"

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
        if (!cached_.IsEmpty()) {
            // The toolkit does not tell who owns the clipboard: every owner is one client.
            repeats_.Took(fingerprint_, 0, RepeatGuard::Clock::now());
        }
        Empty();
    }

    void Changed() override { stale_ = true; }

  private:
    void Empty() {
        // Taking the selection right after another program became its owner can fail
        // silently; handling the pending events first lets the ownership change settle.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::clipboard()->clear();
        // Whatever happens to the system's copy, the contents just cleared are never taken
        // again; the next change of the clipboard makes it readable again.
        cached_ = {};
        stale_ = false;
    }

    Picture Read() {
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
            // The bytes arrived whole, through the toolkit; the limits still tell whether they
            // can be a picture.
            Transfer transfer(*format);
            if (!transfer.CheckWhole(bytes.constData(), static_cast<std::size_t>(bytes.size()))) {
                plan.Fail(transfer.Refusal());
                if (transfer.OverLimit()) {
                    break;
                }
                continue;
            }
            const Fingerprint fingerprint = Fingerprint::Of(bytes);
            const auto verdict = repeats_.Judge(fingerprint, 0, RepeatGuard::Clock::now());
            if (verdict != RepeatGuard::Verdict::New) {
                if (verdict == RepeatGuard::Verdict::Repeat) {
                    SayRepeatEmptied();
                }
                Empty();
                return {};
            }
            if (Picture picture = plan.Take(bytes); !picture.IsEmpty()) {
                fingerprint_ = fingerprint;
                return picture;
            }
        }
        if (plan.Empty() && offered.contains(kToolkitImage)) {
            Decoded decoded = TakeImage(qvariant_cast<QImage>(data->imageData()));
            if (!decoded.picture.IsEmpty()) {
                fingerprint_ = {};  // no bytes: never the same as any
                return decoded.picture;
            }
            plan.Fail(decoded.failure);
        }
        plan.ReportFailures();
        return {};
    }

    Picture cached_;
    Fingerprint fingerprint_;  // of the bytes the cached picture came from
    RepeatGuard repeats_;
    bool stale_ = true;
};

}  // namespace

std::unique_ptr<ClipboardSource> OpenToolkitSource() {
    return std::make_unique<ToolkitSource>();
}

}  // namespace platform::Clipboard
