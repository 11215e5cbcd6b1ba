#include "platform/clipboard/FormatPlan.h"

#include "platform/clipboard/ImageFormats.h"
#include "platform/pictures/PictureDecoder.h"
#include "platform/runtime/Notice.h"

namespace platform::Clipboard {

FormatPlan::FormatPlan(const QStringList& offered)
    : formats_(offered.isEmpty() ? std::vector<QString>()
                                 : ImageFormatsToAsk(offered, FreshMemoryHere())) {}

std::optional<QString> FormatPlan::Next() {
    if (next_ >= formats_.size()) {
        return std::nullopt;
    }
    return formats_[next_++];
}

Picture FormatPlan::Take(const QByteArray& bytes) {
    return Accept(DecodeImage(bytes, Current()));
}

Picture FormatPlan::Accept(DecodedImage decoded) {
    Decoded picture = AsPicture(std::move(decoded));
    if (picture.picture.IsEmpty()) {
        Fail(picture.failure);
    }
    return picture.picture;
}

void FormatPlan::Refused(const QString& why) {
    Fail(QStringLiteral("%1 %2").arg(Current(), why));
}

void FormatPlan::ReportFailures() const {
    if (!failures_.isEmpty()) {
        Notice(QStringLiteral("the picture on the clipboard is left there: %1")
                   .arg(failures_.join(QStringLiteral("; "))));
    }
}

}  // namespace platform::Clipboard
