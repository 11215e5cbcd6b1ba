// The clipboard of a Wayland session, read through the compositor's data control, which shows
// every change of the selection whichever window has the focus. Each selection is read once:
// its offer's image types go through the same plan as on X11, the chosen one arrives through
// a non-blocking pipe watched by the event loop, and every part is checked against the
// transfer's limits as it arrives. A source that sends nothing for a while is given up, and
// the selection it holds is not asked again. The user interface never waits for a source.
//
// Emptying sets the selection to none, but only while it is still the one that was read: a
// picture copied meanwhile stays and is read in turn.

#include "platform/clipboard/DataControlSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/clipboard/BackgroundDecoder.h"
#include "platform/clipboard/FormatPlan.h"
#include "platform/clipboard/RepeatGuard.h"
#include "platform/clipboard/Transfer.h"
#include "platform/pictures/PictureDecoder.h"

namespace platform::Clipboard {

namespace {

// Data control names no client: every selection comes from the compositor.
constexpr std::uint64_t kCompositor = 1;
// Read at a time from the pipe.
constexpr std::size_t kChunk = std::size_t{1} << 18;
// Read in one turn of the event loop at most, so that a large picture arriving at full speed
// still leaves the windows their turns.
constexpr std::size_t kMostPerTurn = std::size_t{16} << 20;

class DataControlSource final : public ClipboardSource, private SelectionLink::Listener {
  public:
    DataControlSource(std::unique_ptr<SelectionLink> link, std::chrono::milliseconds deadline)
        : link_(std::move(link)), partDeadline_(deadline) {
        context_ = new QObject(QCoreApplication::instance());
        decoder_ = std::make_unique<BackgroundDecoder>(context_);
        deadline_ = new QTimer(context_);
        deadline_->setSingleShot(true);
        QObject::connect(deadline_, &QTimer::timeout, context_, [this] { SourceSilent(); });
        link_->SetListener(this);
    }
    ~DataControlSource() override {
        link_->SetListener(nullptr);
        EndRead();
        delete context_.data();
    }
    DataControlSource(const DataControlSource&) = delete;
    DataControlSource& operator=(const DataControlSource&) = delete;

    Picture Current() override { return taken_ ? Picture() : picture_; }

    void Clear() override {
        // Contents still being read were never shown: they stay to be shown once read.
        if (read_) {
            if (!picture_.IsEmpty() && !taken_) {
                guard_.Took(fingerprint_, kCompositor, RepeatGuard::Clock::now());
            }
            taken_ = true;
            picture_ = {};
        }
        EmptySelection();
    }

    // The program put a picture on the clipboard itself: the next selection is its own.
    void Changed() override { ownNext_ = true; }

  private:
    void SelectionChanged(std::uint64_t offer, const QStringList& types) override;
    void LinkLost() override;

    bool TakeOwnPicture(const QStringList& types);
    void AskNextFormat();
    void PipeReadable();
    void Arrived();
    void DecodeDone(DecodedImage decoded, const Fingerprint& fingerprint);
    void SourceSilent();
    void Finish();
    void EndRead();
    void EmptySelection();

    std::unique_ptr<SelectionLink> link_;
    std::chrono::milliseconds partDeadline_;
    QPointer<QObject> context_;
    QTimer* deadline_ = nullptr;
    std::unique_ptr<BackgroundDecoder> decoder_;
    bool lost_ = false;

    // The selection.
    std::uint64_t offer_ = 0;
    bool read_ = false;     // its read is over, with a picture or without
    bool emptied_ = false;  // it was set to none
    Picture picture_;
    Fingerprint fingerprint_;
    bool taken_ = false;
    bool ownNext_ = false;
    RepeatGuard guard_;

    // The read of it.
    FormatPlan plan_;
    std::optional<Transfer> transfer_;
    int pipe_ = -1;
    QSocketNotifier* pipeNotifier_ = nullptr;
    std::vector<char> buffer_;
};

void DataControlSource::SelectionChanged(std::uint64_t offer, const QStringList& types) {
    // A read under way is about contents that are gone: it ends without a word.
    EndRead();
    offer_ = offer;
    read_ = false;
    emptied_ = false;
    picture_ = {};
    fingerprint_ = {};
    taken_ = false;
    plan_ = FormatPlan(types);
    if (offer == 0 || TakeOwnPicture(types)) {
        read_ = true;
        return;
    }
    AskNextFormat();
}

// The program's own picture is taken from the toolkit: a source that writes on the windows'
// thread cannot be read through a pipe on the same thread. It is the selection that follows
// the program's putting it, offered the toolkit's way, while the toolkit holds the clipboard.
bool DataControlSource::TakeOwnPicture(const QStringList& types) {
    if (!ownNext_) {
        return false;
    }
    ownNext_ = false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || !types.contains(QStringLiteral("application/x-qt-image")) ||
        !clipboard->ownsClipboard()) {
        return false;
    }
    Decoded decoded = TakeImage(clipboard->image());
    picture_ = std::move(decoded.picture);
    return true;
}

void DataControlSource::LinkLost() {
    // Nothing more can be read; the toolkit ends the program in its own way if the session is
    // gone.
    EndRead();
    lost_ = true;
}

void DataControlSource::AskNextFormat() {
    while (const auto format = plan_.Next()) {
        const int fd = link_->Receive(offer_, *format);
        if (fd < 0) {
            plan_.Refused(QStringLiteral("could not be asked for"));
            continue;
        }
        pipe_ = fd;
        transfer_.emplace(*format);
        pipeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, context_);
        QObject::connect(pipeNotifier_, &QSocketNotifier::activated, context_,
                         [this] { PipeReadable(); });
        deadline_->start(partDeadline_);
        return;
    }
    Finish();
}

void DataControlSource::PipeReadable() {
    if (pipe_ < 0) {
        return;
    }
    if (buffer_.empty()) {
        buffer_.resize(kChunk);
    }
    std::size_t thisTurn = 0;
    while (thisTurn < kMostPerTurn) {
        const ssize_t got = read(pipe_, buffer_.data(), buffer_.size());
        if (got > 0) {
            thisTurn += static_cast<std::size_t>(got);
            if (!transfer_->Append(buffer_.data(), static_cast<std::size_t>(got))) {
                // Over the limits, this selection is not read on; bytes that are no picture of
                // their format fail that format only.
                plan_.Fail(transfer_->Refusal());
                if (transfer_->OverLimit()) {
                    Finish();
                } else {
                    EndRead();
                    AskNextFormat();
                }
                return;
            }
            continue;
        }
        if (got == 0) {
            Arrived();
            return;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        }
        plan_.Refused(QStringLiteral("could not be read (%1)")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
        EndRead();
        AskNextFormat();
        return;
    }
    if (thisTurn > 0) {
        deadline_->start(partDeadline_);
    }
}

// The source closed its end: all of it is here.
void DataControlSource::Arrived() {
    deadline_->stop();
    if (transfer_->Received() == 0) {
        plan_.Refused(QStringLiteral("gave no data"));
        EndRead();
        AskNextFormat();
        return;
    }
    const QByteArray bytes = transfer_->Bytes();
    const Fingerprint fingerprint = Fingerprint::Of(bytes);
    switch (guard_.Judge(fingerprint, kCompositor, RepeatGuard::Clock::now())) {
        case RepeatGuard::Verdict::Repeat:
            SayRepeatEmptied();
            [[fallthrough]];
        case RepeatGuard::Verdict::RepeatAgain:
            EndRead();
            read_ = true;
            EmptySelection();
            return;
        case RepeatGuard::Verdict::New:
            break;
    }
    // Decoded away from the windows' thread; the transfer holds the bytes till then.
    auto whole = std::make_shared<const Transfer>(std::move(*transfer_));
    EndRead();
    decoder_->Start(
        whole->Bytes(), whole, plan_.Current(),
        [this, fingerprint](DecodedImage decoded) { DecodeDone(std::move(decoded), fingerprint); });
}

void DataControlSource::DecodeDone(DecodedImage decoded, const Fingerprint& fingerprint) {
    Picture picture = plan_.Accept(std::move(decoded));
    if (picture.IsEmpty()) {
        AskNextFormat();
        return;
    }
    picture_ = std::move(picture);
    fingerprint_ = fingerprint;
    Finish();
}

void DataControlSource::SourceSilent() {
    if (pipe_ < 0) {
        return;
    }
    plan_.Fail(QStringLiteral("its owner did not answer within %1 s, and is not asked again "
                              "while it keeps the clipboard")
                   .arg(static_cast<double>(partDeadline_.count()) / 1000.0));
    Finish();
}

void DataControlSource::Finish() {
    EndRead();
    read_ = true;
    if (picture_.IsEmpty()) {
        plan_.ReportFailures();
    }
}

void DataControlSource::EndRead() {
    if (deadline_ != nullptr) {
        deadline_->stop();
    }
    if (decoder_) {
        decoder_->Cancel();
    }
    if (pipeNotifier_ != nullptr) {
        // Possibly inside its own signal: it goes once that has returned.
        pipeNotifier_->setEnabled(false);
        pipeNotifier_->deleteLater();
        pipeNotifier_ = nullptr;
    }
    if (pipe_ >= 0) {
        close(pipe_);
        pipe_ = -1;
    }
    transfer_.reset();
}

// Only the selection that was read is emptied, and only once. The compositor may have sent a
// newer selection that is not handled yet: everything it sent is handled first, and a newer
// selection stays. What remains is the moment between this check and the compositor handling
// the request: a selection set within it is emptied unread. Data control has no way to name
// the selection meant (no serial, no timestamp); the moment is the time a local socket takes
// to carry one message, and a picture copied within it is, to the user, copied together with
// the one just taken, as several pictures within one tick are.
void DataControlSource::EmptySelection() {
    const std::uint64_t read = offer_;
    if (lost_ || read == 0 || !read_ || emptied_) {
        return;
    }
    link_->CatchUp();
    if (lost_ || offer_ != read) {
        return;
    }
    link_->ClearSelection();
    emptied_ = true;
}

}  // namespace

std::unique_ptr<ClipboardSource> MakeDataControlSource(std::unique_ptr<SelectionLink> link,
                                                       std::chrono::milliseconds partDeadline) {
    return std::make_unique<DataControlSource>(std::move(link), partDeadline);
}

}  // namespace platform::Clipboard
