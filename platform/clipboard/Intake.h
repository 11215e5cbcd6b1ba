#pragma once
// How the program takes pictures from the clipboard, whichever links bring them. Every claim
// of every side is read once: its image formats are asked for cheapest first (FormatPlan),
// each within the transfer's limits, and the first that decodes (on a thread of its own, so
// that the windows never wait) gives the claim's picture. The newest picture not yet taken is
// the clipboard's. Taking it empties exactly the claim it came from, once however often the
// program empties the clipboard, and on every other side that holds the same picture; a claim
// that came after it is never emptied unread.
//
// A picture that is a recent capture again (RecentCaptures) opens no window and is left where
// it is: emptying it would only make a clipboard manager put it back. A bridge between two
// sides (a compositor's XWayland) shows a picture on both: its copy on the side that did not
// give the capture, coming within a second of the take, is emptied too.

#include <QStringList>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clipboard/BackgroundDecoder.h"
#include "platform/clipboard/ClipboardLink.h"
#include "platform/clipboard/FormatPlan.h"
#include "platform/clipboard/RecentCaptures.h"
#include "platform/pictures/Picture.h"

namespace platform::Clipboard {

class Intake final : private ClipboardLink::Listener {
  public:
    using Clock = RecentCaptures::Clock;
    // The copy of a picture on the other side of a bridge comes within this of the take.
    static constexpr std::chrono::milliseconds kBridgeCopy{1000};

    explicit Intake(std::vector<std::unique_ptr<ClipboardLink>> links);
    ~Intake();
    Intake(const Intake&) = delete;
    Intake& operator=(const Intake&) = delete;

    // The picture of the clipboard's newest claim that gave one and is not taken yet; the empty
    // picture while there is none, while it is being read, and once it is taken.
    Picture Current();
    // Takes the picture Current gave last, and empties the clipboard of it; gives the picture
    // taken, or the empty picture when that was done already.
    Picture Clear();
    // The program itself has put a picture on the clipboard.
    void Changed() { ownNext_ = true; }

  private:
    enum class Stage { Listing, Receiving, Decoding, Done };
    struct Side {
        std::unique_ptr<ClipboardLink> link;
        std::unique_ptr<BackgroundDecoder> decoder;
        std::uint64_t claim = 0;
        QStringList types;
        bool relay = false;
        Clock::time_point since;  // when the claim came
        std::uint64_t order = 0;  // which claim, of all sides', came last
        Stage stage = Stage::Done;
        FormatPlan plan;
        Picture picture;
        Fingerprint bytes;  // of what the picture was decoded from
        bool taken = false;
        bool emptied = false;
        // The decode under way, and the claim it is for; one for a claim replaced meanwhile is
        // kept for the next offer of the same bytes (an owner claiming anew, faster than it
        // decodes).
        std::uint64_t decodingClaim = 0;
        Fingerprint decodingBytes;
        std::optional<std::pair<Fingerprint, DecodedImage>> superseded;
    };

    void Changed(ClipboardLink& link, std::uint64_t claim) override;
    void Offered(ClipboardLink& link, const ClipboardLink::Claim& claim) override;
    void Received(ClipboardLink& link, std::uint64_t claim, const QByteArray& bytes,
                  std::shared_ptr<const void> keep) override;
    void Refused(ClipboardLink& link, std::uint64_t claim, const QString& why,
                 bool tryOthers) override;

    Side& SideOf(const ClipboardLink& link);
    bool TakeOwnPicture(Side& side);
    void AskNext(Side& side);
    void DecodeDone(Side& side, DecodedImage decoded);
    void Repeat(Side& side);
    void Finish(Side& side);
    void Empty(Side& side);

    std::vector<Side> sides_;
    std::uint64_t claims_ = 0;
    RecentCaptures recent_;
    bool ownNext_ = false;
    // The picture Current gave last.
    Side* shown_ = nullptr;
    std::uint64_t shownClaim_ = 0;
};

}  // namespace platform::Clipboard
