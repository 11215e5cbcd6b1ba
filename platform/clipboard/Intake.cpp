#include "platform/clipboard/Intake.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <exception>

#include "platform/pictures/PictureData.h"
#include "platform/pictures/PictureDecoder.h"
#include "platform/runtime/Notice.h"

namespace platform::Clipboard {

namespace {

// The toolkit's own image, offered by whatever part of this process put it on the clipboard.
const QString kInProcessImage = QStringLiteral("application/x-qt-image");

}  // namespace

Intake::Intake(std::vector<std::unique_ptr<ClipboardLink>> links) {
    sides_.resize(links.size());
    for (std::size_t i = 0; i < links.size(); ++i) {
        Side& side = sides_[i];
        side.link = std::move(links[i]);
        if (!side.link->Immediate()) {
            side.decoder = std::make_unique<BackgroundDecoder>(QCoreApplication::instance());
        }
        side.link->SetListener(this);
    }
    for (Side& side : sides_) {
        side.link->Begin();
    }
}

Intake::~Intake() {
    for (Side& side : sides_) {
        side.link->SetListener(nullptr);
    }
}

Intake::Side& Intake::SideOf(const ClipboardLink& link) {
    for (Side& side : sides_) {
        if (side.link.get() == &link) {
            return side;
        }
    }
    throw std::logic_error("a clipboard link the intake does not know");
}

void Intake::Changed(ClipboardLink& link, std::uint64_t claim) {
    Side& side = SideOf(link);
    if (claim == side.claim) {
        return;
    }
    // A decode under way goes on: its picture may be offered again at once.
    side.claim = claim;
    side.types.clear();
    side.relay = false;
    side.since = Clock::now();
    side.order = ++claims_;
    side.stage = claim == 0 ? Stage::Done : Stage::Listing;
    side.plan = {};
    side.picture = {};
    side.bytes = {};
    side.taken = false;
    side.emptied = false;
}

void Intake::Offered(ClipboardLink& link, const ClipboardLink::Claim& claim) {
    Side& side = SideOf(link);
    if (claim.id != side.claim || side.stage != Stage::Listing) {
        return;
    }
    side.types = claim.types;
    side.relay = claim.relay;
    if (TakeOwnPicture(side)) {
        return;
    }
    side.plan = FormatPlan(claim.types);
    AskNext(side);
}

// The program's own picture is taken from the toolkit, without bytes: on some sides its owner
// writes them on the windows' thread, which would wait for itself. It is the claim that follows
// the program's putting it, offered the toolkit's way, while the toolkit holds the clipboard.
bool Intake::TakeOwnPicture(Side& side) {
    if (!ownNext_ || !side.types.contains(kInProcessImage)) {
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || !clipboard->ownsClipboard()) {
        return false;
    }
    ownNext_ = false;
    Decoded own = TakeImage(clipboard->image());
    side.picture = std::move(own.picture);
    side.stage = Stage::Done;
    return true;
}

void Intake::AskNext(Side& side) {
    if (const auto format = side.plan.Next()) {
        side.stage = Stage::Receiving;
        // The answer may come before this returns.
        side.link->Receive(side.claim, *format);
        return;
    }
    if (side.plan.Empty() && side.types.contains(kInProcessImage)) {
        if (const QImage image = side.link->InProcessImage(side.claim); !image.isNull()) {
            Decoded own = TakeImage(image);
            if (own.picture.IsEmpty()) {
                side.plan.Fail(own.failure);
            }
            side.picture = std::move(own.picture);
        }
    }
    Finish(side);
}

void Intake::Received(ClipboardLink& link, std::uint64_t claim, const QByteArray& bytes,
                      std::shared_ptr<const void> keep) {
    Side& side = SideOf(link);
    if (claim != side.claim || side.stage != Stage::Receiving) {
        return;
    }
    const Fingerprint fingerprint = Fingerprint::Of(bytes);
    if (recent_.SameBytes(fingerprint, Clock::now())) {
        Repeat(side);
        return;
    }
    side.stage = Stage::Decoding;
    if (side.superseded && side.superseded->first == fingerprint) {
        DecodedImage decoded = std::move(side.superseded->second);
        side.superseded.reset();
        side.decodingBytes = fingerprint;
        DecodeDone(side, std::move(decoded));
        return;
    }
    side.superseded.reset();
    if (!side.decoder) {
        side.decodingBytes = fingerprint;
        DecodeDone(side, DecodeImage(bytes, side.plan.Current()));
        return;
    }
    if (side.decoder->Busy() && side.decodingBytes == fingerprint) {
        side.decodingClaim = claim;  // the same bytes are being decoded already
        return;
    }
    side.decodingClaim = claim;
    side.decodingBytes = fingerprint;
    side.decoder->Start(bytes, std::move(keep), side.plan.Current(), [this, &side](DecodedImage d) {
        try {
            if (side.decodingClaim != side.claim || side.stage != Stage::Decoding) {
                side.superseded.emplace(side.decodingBytes, std::move(d));
                return;
            }
            DecodeDone(side, std::move(d));
        } catch (const std::exception& e) {
            Notice(QStringLiteral("reading the clipboard failed: %1").arg(e.what()));
            side.stage = Stage::Done;
        }
    });
}

void Intake::DecodeDone(Side& side, DecodedImage decoded) {
    if (!decoded.image.isNull() &&
        recent_.SamePicture(decoded.image, side.decodingBytes, Clock::now(), side.relay)) {
        Repeat(side);
        return;
    }
    Picture picture = side.plan.Accept(std::move(decoded));
    if (picture.IsEmpty()) {
        AskNext(side);
        return;
    }
    side.picture = std::move(picture);
    side.bytes = side.decodingBytes;
    Finish(side);
}

void Intake::Repeat(Side& side) {
    side.plan = {};
    side.stage = Stage::Done;
    const RecentCaptures::Match match = recent_.LastMatch();
    if (match.where != &side && side.since <= match.taken + kBridgeCopy) {
        Empty(side);
        return;
    }
    Notice(
        QStringLiteral("the picture on the clipboard is one just taken, offered again: it is "
                       "left there without opening it again"));
}

void Intake::Refused(ClipboardLink& link, std::uint64_t claim, const QString& why, bool tryOthers) {
    Side& side = SideOf(link);
    if (claim != side.claim || (side.stage != Stage::Receiving && side.stage != Stage::Listing)) {
        return;
    }
    side.plan.Fail(why);
    if (tryOthers && side.stage == Stage::Receiving) {
        AskNext(side);
        return;
    }
    Finish(side);
}

void Intake::Finish(Side& side) {
    side.stage = Stage::Done;
    if (side.picture.IsEmpty()) {
        side.plan.ReportFailures();
    }
    side.plan = {};
}

Picture Intake::Current() {
    for (Side& side : sides_) {
        side.link->CatchUp();
    }
    Side* newest = nullptr;
    for (Side& side : sides_) {
        if (side.stage == Stage::Done && !side.picture.IsEmpty() && !side.taken &&
            (newest == nullptr || side.order > newest->order)) {
            newest = &side;
        }
    }
    shown_ = newest;
    shownClaim_ = newest != nullptr ? newest->claim : 0;
    return newest != nullptr ? newest->picture : Picture();
}

Picture Intake::Clear() {
    Side* const shown = std::exchange(shown_, nullptr);
    if (shown == nullptr || shown->claim != shownClaim_ || shown->taken) {
        return {};
    }
    Picture picture = shown->picture;
    recent_.Took(picture, shown->bytes, Clock::now(), shown);
    shown->taken = true;
    Empty(*shown);
    const QImage image = ImageOf(picture);
    for (Side& side : sides_) {
        if (&side != shown && side.stage == Stage::Done && !side.taken && !side.picture.IsEmpty() &&
            SamePixels(ImageOf(side.picture), image)) {
            side.taken = true;
            Empty(side);
        }
    }
    return picture;
}

void Intake::Empty(Side& side) {
    if (side.emptied || side.claim == 0) {
        return;
    }
    side.emptied = true;
    side.link->Empty(side.claim);
}

}  // namespace platform::Clipboard
