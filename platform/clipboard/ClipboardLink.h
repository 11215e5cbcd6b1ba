#pragma once
// One side of the clipboard as the intake reads it: the X11 selection, a Wayland compositor's
// data control, or the toolkit's clipboard. A link knows its wire and nothing else: it tells
// of the claims its side holds, fetches one claim's contents in one format when asked, and
// empties its side while a given claim still holds it. What to ask for, what to take, and
// when to empty are the intake's (Intake.h).

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace platform::Clipboard {

class ClipboardLink {
  public:
    // One owner's contents of this side, as one claim of it.
    struct Claim {
        std::uint64_t id = 0;  // never 0, never used again by this link
        QStringList types;     // the formats offered, as MIME types or the wire's names
        bool relay = false;    // the owner passes on what the other side of a bridge holds
    };

    class Listener {
      public:
        // The side's contents changed: `claim` now holds it (0: nothing does). Its types
        // follow with Offered, unless its owner cannot tell them.
        virtual void Changed(ClipboardLink& link, std::uint64_t claim) = 0;
        virtual void Offered(ClipboardLink& link, const Claim& claim) = 0;
        // The answer to Receive: the bytes whole, held by `keep` for as long as it lives.
        virtual void Received(ClipboardLink& link, std::uint64_t claim, const QByteArray& bytes,
                              std::shared_ptr<const void> keep) = 0;
        // No answer to Receive, or no list of formats: `why` says so. Unless `tryOthers`, the
        // claim gives nothing more (its owner is silent, or sends more than the limits allow).
        virtual void Refused(ClipboardLink& link, std::uint64_t claim, const QString& why,
                             bool tryOthers) = 0;

      protected:
        ~Listener() = default;
    };

    ClipboardLink() = default;
    virtual ~ClipboardLink() = default;
    ClipboardLink(const ClipboardLink&) = delete;
    ClipboardLink& operator=(const ClipboardLink&) = delete;

    void SetListener(Listener* listener) { listener_ = listener; }
    // Tells the listener of the claim that holds the side now, once it listens.
    virtual void Begin() {}

    // Asks the claim's owner for its contents as `type`. The answer comes to the listener,
    // within the transfer's limits (Transfer.h) and a deadline, unless the claim goes first.
    virtual void Receive(std::uint64_t claim, const QString& type) = 0;
    // Handles what the wire has already brought in but not yet told of, without a system call:
    // asked on every tick.
    virtual void CatchUp() {}
    // Empties this side if `claim` still holds it; a newer claim stays.
    virtual void Empty(std::uint64_t claim) = 0;
    // Whether Receive answers before it returns: not worth a thread of its own to decode.
    virtual bool Immediate() const { return false; }
    // An image put on the clipboard in this process, where the link can hand it over whole.
    virtual QImage InProcessImage(std::uint64_t /*claim*/) { return {}; }

  protected:
    Listener* listener_ = nullptr;
};

}  // namespace platform::Clipboard
