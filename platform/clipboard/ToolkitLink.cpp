// The clipboard as the toolkit gives it, for platforms the other links do not reach (and
// tests, which run without a display): each change is one claim, told of when the clipboard is
// next looked at, and a format asked for arrives before Receive returns.

#include "platform/clipboard/ToolkitLink.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <utility>

#include "platform/clipboard/Transfer.h"

namespace platform::Clipboard {

namespace {

class ToolkitLink final : public ClipboardLink {
  public:
    ToolkitLink() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        context_ = new QObject(clipboard);
        QObject::connect(clipboard, &QClipboard::dataChanged, context_, [this] { stale_ = true; });
    }
    ~ToolkitLink() override { delete context_; }
    ToolkitLink(const ToolkitLink&) = delete;
    ToolkitLink& operator=(const ToolkitLink&) = delete;

    void CatchUp() override {
        if (std::exchange(stale_, false)) {
            Claimed();
        }
    }
    bool Immediate() const override { return true; }

    void Receive(std::uint64_t claim, const QString& type) override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (claim != claim_ || data == nullptr || listener_ == nullptr) {
            return;
        }
        const QByteArray bytes = data->data(type);
        if (bytes.isEmpty()) {
            listener_->Refused(*this, claim, type + QStringLiteral(" gave no data"), true);
            return;
        }
        // The bytes arrived whole, through the toolkit; the limits still tell whether they
        // can be a picture.
        Transfer transfer(type);
        if (!transfer.CheckWhole(bytes.constData(), static_cast<std::size_t>(bytes.size()))) {
            listener_->Refused(*this, claim, transfer.Refusal(), !transfer.OverLimit());
            return;
        }
        listener_->Received(*this, claim, bytes, nullptr);
    }

    void Empty(std::uint64_t claim) override {
        // Taking the selection right after another program became its owner can fail
        // silently; handling the pending events first lets the ownership change settle.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (claim == claim_ && !stale_) {
            QGuiApplication::clipboard()->clear();
        }
    }

    QImage InProcessImage(std::uint64_t claim) override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (claim != claim_ || data == nullptr) {
            return {};
        }
        return qvariant_cast<QImage>(data->imageData());
    }

  private:
    void Claimed() {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        const QStringList types = data != nullptr ? data->formats() : QStringList();
        claim_ = types.isEmpty() ? 0 : ++claims_;
        if (listener_ == nullptr) {
            return;
        }
        listener_->Changed(*this, claim_);
        if (claim_ != 0) {
            listener_->Offered(*this, {claim_, types, false});
        }
    }

    QObject* context_ = nullptr;
    std::uint64_t claims_ = 0;
    std::uint64_t claim_ = 0;
    bool stale_ = true;
};

}  // namespace

std::unique_ptr<ClipboardLink> OpenToolkitLink() {
    return std::make_unique<ToolkitLink>();
}

}  // namespace platform::Clipboard
