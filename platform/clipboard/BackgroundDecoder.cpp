#include "platform/clipboard/BackgroundDecoder.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <QThreadPool>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

namespace platform::Clipboard {

namespace {

// One thread, made when first needed; never destroyed, so that ending the program never
// waits for a decode.
QThreadPool& Worker() {
    static QThreadPool* const worker = [] {
        auto* pool = new QThreadPool;
        pool->setMaxThreadCount(1);
        return pool;
    }();
    return *worker;
}

}  // namespace

// Where a decode leaves its result, and the bell it rings. Lives as long as its decoder or a
// decode under way, whichever is longer: nothing on the worker thread refers to the decoder.
struct BackgroundDecoder::Mailbox {
    Mailbox() : bell(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Mailbox() {
        if (bell >= 0) {
            close(bell);
        }
    }
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    const int bell;
    std::atomic<std::uint64_t> wanted{0};  // the decode whose result is still wanted
    std::mutex mutex;
    std::optional<std::pair<std::uint64_t, DecodedImage>> result;
};

BackgroundDecoder::BackgroundDecoder(QObject* context) : mailbox_(std::make_shared<Mailbox>()) {
    if (mailbox_->bell >= 0) {
        notifier_ = new QSocketNotifier(mailbox_->bell, QSocketNotifier::Read, context);
        // Listened to only while a decode is wanted: an idle program's every wake-up watches
        // one descriptor less.
        notifier_->setEnabled(false);
        QObject::connect(notifier_, &QSocketNotifier::activated, context, [this] { Deliver(); });
    }
}

BackgroundDecoder::~BackgroundDecoder() {
    Cancel();
    delete notifier_.data();
}

void BackgroundDecoder::Start(QByteArray bytes, std::shared_ptr<const void> keep, QString format,
                              Done done) {
    Cancel();
    if (notifier_ == nullptr) {
        done(DecodeImage(bytes, format));  // no bell to ring: decoded here
        return;
    }
    const std::uint64_t number = ++current_;
    mailbox_->wanted = number;
    done_ = std::move(done);
    // A bell left ringing by a cancelled decode is heard at once and finds nothing wanted.
    notifier_->setEnabled(true);
    Worker().start([mailbox = mailbox_, number, bytes = std::move(bytes), keep = std::move(keep),
                    format = std::move(format)]() mutable {
        if (mailbox->wanted != number) {
            return;
        }
        DecodedImage decoded;
        try {
            decoded = DecodeImage(bytes, format);
        } catch (const std::exception& e) {
            decoded.failure = QStringLiteral("%1: %2").arg(format, QString::fromUtf8(e.what()));
        }
        // The bytes' memory back at once, whatever becomes of the picture.
        bytes = QByteArray();
        keep.reset();
        {
            const std::lock_guard<std::mutex> lock(mailbox->mutex);
            mailbox->result.emplace(number, std::move(decoded));
        }
        // Adds to the counter of an event descriptor, which cannot fail short of the counter
        // being full; a result the bell misses is found with the next one.
        const std::uint64_t ring = 1;
        if (write(mailbox->bell, &ring, sizeof ring) != sizeof ring) {
            return;
        }
    });
}

void BackgroundDecoder::Cancel() {
    mailbox_->wanted = 0;
    done_ = nullptr;
    if (notifier_ != nullptr) {
        notifier_->setEnabled(false);
    }
}

void BackgroundDecoder::Deliver() {
    // Resets the counter; a bell rung again meanwhile only finds the mailbox empty.
    std::uint64_t rings = 0;
    if (read(mailbox_->bell, &rings, sizeof rings) != sizeof rings) {
        return;
    }
    std::optional<std::pair<std::uint64_t, DecodedImage>> result;
    {
        const std::lock_guard<std::mutex> lock(mailbox_->mutex);
        result.swap(mailbox_->result);
    }
    if (!result || result->first != current_ || !done_) {
        return;  // cancelled meanwhile
    }
    const Done done = std::exchange(done_, nullptr);
    mailbox_->wanted = 0;
    notifier_->setEnabled(false);
    done(std::move(result->second));
}

}  // namespace platform::Clipboard
