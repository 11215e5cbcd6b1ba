#pragma once
// Decodes clipboard pictures on a thread of their own, one at a time, so that the windows
// never wait for a large picture: a 200 MB bitmap takes a good part of a second to decode.
// The result comes back in the event loop of the user interface's thread.

#include <QByteArray>
#include <QPointer>
#include <QSocketNotifier>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "platform/pictures/PictureDecoder.h"

namespace platform::Clipboard {

class BackgroundDecoder {
  public:
    using Done = std::function<void(DecodedImage)>;

    // Results are handed over in the event loop of the thread that makes the decoder, while
    // `context` lives.
    explicit BackgroundDecoder(QObject* context);
    ~BackgroundDecoder();
    BackgroundDecoder(const BackgroundDecoder&) = delete;
    BackgroundDecoder& operator=(const BackgroundDecoder&) = delete;

    // Decodes bytes offered as `format` and hands the result to `done`; `keep` holds what the
    // bytes lie in until the decode is over. A decode already under way is cancelled.
    void Start(QByteArray bytes, std::shared_ptr<const void> keep, QString format, Done done);
    // The decode under way, if any, hands over nothing.
    void Cancel();
    bool Busy() const { return static_cast<bool>(done_); }

  private:
    struct Mailbox;
    void Deliver();

    std::shared_ptr<Mailbox> mailbox_;    // shared with the decodes under way
    QPointer<QSocketNotifier> notifier_;  // goes with the context
    std::uint64_t current_ = 0;           // the number of the decode whose result is wanted
    Done done_;
};

}  // namespace platform::Clipboard
