// The clipboard of a Wayland session as a link of the intake, through the compositor's data
// control, which shows every change of the selection whichever window has the focus. The
// format asked for arrives through a non-blocking pipe watched by the event loop, and every
// part is checked against the transfer's limits as it arrives. A source that sends nothing for
// a while is given up. The user interface never waits for a source.

#include "platform/clipboard/DataControlLink.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/clipboard/Transfer.h"

namespace platform::Clipboard {

namespace {

// Read at a time from the pipe.
constexpr std::size_t kChunk = std::size_t{1} << 18;
// Read in one turn of the event loop at most, so that a large picture arriving at full speed
// still leaves the windows their turns.
constexpr std::size_t kMostPerTurn = std::size_t{16} << 20;

class DataControlLink final : public ClipboardLink, private SelectionLink::Listener {
  public:
    DataControlLink(std::unique_ptr<SelectionLink> wire, std::chrono::milliseconds deadline)
        : wire_(std::move(wire)), partDeadline_(deadline) {
        context_ = new QObject(QCoreApplication::instance());
        deadline_ = new QTimer(context_);
        deadline_->setSingleShot(true);
        QObject::connect(deadline_, &QTimer::timeout, context_, [this] { SourceSilent(); });
        wire_->SetListener(this);
    }
    ~DataControlLink() override {
        wire_->SetListener(nullptr);
        EndRead();
        delete context_.data();
    }
    DataControlLink(const DataControlLink&) = delete;
    DataControlLink& operator=(const DataControlLink&) = delete;

    void Receive(std::uint64_t claim, const QString& type) override;
    void Empty(std::uint64_t claim) override;

  private:
    void SelectionChanged(std::uint64_t offer, const QStringList& types) override;
    void LinkLost() override {
        // Nothing more can be read; the toolkit ends the program in its own way if the session
        // is gone.
        EndRead();
        lost_ = true;
    }

    void PipeReadable();
    void SourceSilent();
    void EndRead();
    void Refuse(QString why, bool tryOthers);

    std::unique_ptr<SelectionLink> wire_;
    std::chrono::milliseconds partDeadline_;
    QPointer<QObject> context_;
    QTimer* deadline_ = nullptr;
    bool lost_ = false;
    std::uint64_t offer_ = 0;  // the selection

    // The read of it.
    std::optional<Transfer> transfer_;
    int pipe_ = -1;
    QSocketNotifier* pipeNotifier_ = nullptr;
    std::vector<char> buffer_;
};

void DataControlLink::SelectionChanged(std::uint64_t offer, const QStringList& types) {
    // A read under way is about contents that are gone: it ends without a word.
    EndRead();
    offer_ = offer;
    if (listener_ == nullptr) {
        return;
    }
    listener_->Changed(*this, offer);
    if (offer != 0) {
        listener_->Offered(*this, {offer, types, false});
    }
}

void DataControlLink::Receive(std::uint64_t claim, const QString& type) {
    if (lost_ || claim != offer_) {
        return;
    }
    EndRead();
    const int fd = wire_->Receive(offer_, type);
    if (fd < 0) {
        Refuse(type + QStringLiteral(" could not be asked for"), true);
        return;
    }
    pipe_ = fd;
    transfer_.emplace(type);
    pipeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, context_);
    QObject::connect(pipeNotifier_, &QSocketNotifier::activated, context_,
                     [this] { PipeReadable(); });
    deadline_->start(partDeadline_);
}

void DataControlLink::PipeReadable() {
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
                // Over the limits, this selection gives nothing more; bytes that are no
                // picture of their format fail that format only.
                Refuse(transfer_->Refusal(), !transfer_->OverLimit());
                return;
            }
            continue;
        }
        if (got == 0) {
            // The source closed its end: all of it is here.
            if (transfer_->Received() == 0) {
                Refuse(transfer_->Format() + QStringLiteral(" gave no data"), true);
                return;
            }
            auto whole = std::make_shared<const Transfer>(std::move(*transfer_));
            EndRead();
            if (listener_ != nullptr) {
                listener_->Received(*this, offer_, whole->Bytes(), whole);
            }
            return;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        }
        Refuse(transfer_->Format() + QStringLiteral(" could not be read (%1)")
                                         .arg(QString::fromLocal8Bit(std::strerror(errno))),
               true);
        return;
    }
    if (thisTurn > 0) {
        deadline_->start(partDeadline_);
    }
}

void DataControlLink::SourceSilent() {
    if (pipe_ < 0) {
        return;
    }
    Refuse(QStringLiteral("its owner did not answer within %1 s, and is not asked again while it "
                          "keeps the clipboard")
               .arg(static_cast<double>(partDeadline_.count()) / 1000.0),
           false);
}

// `why` is a copy: it may lie in the transfer that ends here.
void DataControlLink::Refuse(QString why,  // NOLINT(performance-unnecessary-value-param)
                             bool tryOthers) {
    EndRead();
    if (listener_ != nullptr) {
        listener_->Refused(*this, offer_, why, tryOthers);
    }
}

void DataControlLink::EndRead() {
    if (deadline_ != nullptr) {
        deadline_->stop();
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

// The compositor may have sent a newer selection that is not handled yet: everything it sent
// is handled first, and a newer selection stays. What remains is the moment between this check
// and the compositor handling the request: a selection set within it is emptied unread. Data
// control has no way to name the selection meant (no serial, no timestamp); the moment is the
// time a local socket takes to carry one message, and a picture copied within it is, to the
// user, copied together with the one just taken, as several pictures within one tick are.
void DataControlLink::Empty(std::uint64_t claim) {
    if (lost_ || claim == 0 || claim != offer_) {
        return;
    }
    wire_->CatchUp();
    if (lost_ || offer_ != claim) {
        return;
    }
    wire_->ClearSelection();
}

}  // namespace

std::unique_ptr<ClipboardLink> MakeDataControlLink(std::unique_ptr<SelectionLink> wire,
                                                   std::chrono::milliseconds partDeadline) {
    return std::make_unique<DataControlLink>(std::move(wire), partDeadline);
}

}  // namespace platform::Clipboard
