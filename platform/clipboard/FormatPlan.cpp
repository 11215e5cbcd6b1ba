#include "platform/clipboard/FormatPlan.h"

#include <chrono>
#include <cstdio>

#include "platform/clipboard/ImageFormats.h"
#include "platform/pictures/PictureDecoder.h"

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
    if (failures_.isEmpty()) {
        return;
    }
    const QString line = QStringLiteral("vornal3: the picture on the clipboard is left there: %1\n")
                             .arg(failures_.join(QStringLiteral("; ")));
    // An owner that offers the same bad picture anew, again and again, is told of once for
    // as long as it keeps doing so without a pause of two seconds.
    static QString lastLine;
    static std::chrono::steady_clock::time_point lastTime;
    const auto now = std::chrono::steady_clock::now();
    const bool again = line == lastLine && now - lastTime < std::chrono::seconds(2);
    lastLine = line;
    lastTime = now;
    if (again) {
        return;
    }
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

}  // namespace platform::Clipboard
