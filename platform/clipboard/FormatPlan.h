#pragma once
// One clipboard change's read: the formats to ask for, each once and cheapest first, the
// picture the first good one gives, and why the others gave none.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/pictures/Picture.h"
#include "platform/pictures/PictureDecoder.h"

namespace platform::Clipboard {

class FormatPlan {
  public:
    FormatPlan() = default;
    // From the formats the clipboard offers.
    explicit FormatPlan(const QStringList& offered);

    // The next format to ask for; none once every format was asked.
    std::optional<QString> Next();
    // The format last handed out.
    QString Current() const { return next_ > 0 ? formats_[next_ - 1] : QString(); }
    // The bytes the format last handed out gave: a picture, or the empty picture with the
    // reason kept.
    Picture Take(const QByteArray& bytes);
    // The same, decoded elsewhere (on another thread) from the format last handed out.
    Picture Accept(DecodedImage decoded);
    // The format last handed out gave no bytes.
    void Refused(const QString& why);
    // Something else kept the picture from being taken.
    void Fail(const QString& why) { failures_.append(why); }

    bool Empty() const { return formats_.empty(); }
    // Says on standard error why a picture was left on the clipboard; nothing when no format
    // was tried. An owner offering the same bad picture again and again is told of once a
    // burst.
    void ReportFailures() const;

  private:
    std::vector<QString> formats_;
    std::size_t next_ = 0;
    QStringList failures_;
};

}  // namespace platform::Clipboard
