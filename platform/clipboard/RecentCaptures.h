#pragma once
// One picture, one window. The captures taken in the last few seconds, to tell a picture
// offered again from a new one: a clipboard manager puts the picture just taken back on the
// clipboard, often encoded anew, and a storm of claims offers it again and again. A picture
// whose pixels equal a recent capture's is the same picture, whoever offers it and whatever
// its bytes; it opens no window. A fingerprint of the pixels tells them apart cheaply, and a
// full compare confirms a match while the capture's window still holds its pixels.
//
// "Recent" is three seconds since the picture was last offered: managers put a picture back
// within a second of its leaving the clipboard, and an owner that keeps offering it keeps it
// recent, so a storm opens one window however long it lasts; the user copying the same
// picture again after a pause gets a window of it as always. A bridge between two clipboards
// (a compositor's XWayland) offers the picture last taken anew whenever the focus comes back,
// which may be much later: from it, that picture is never taken again.

#include <QByteArray>
#include <QImage>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/pictures/Picture.h"

namespace platform::Clipboard {

// What tells two pictures' bytes apart, cheaply: their length and a hash keyed afresh in
// every run, so that no owner can make other bytes pass for a recent capture's.
struct Fingerprint {
    std::int64_t size = -1;
    std::uint64_t hash = 0;

    static Fingerprint Of(const QByteArray& bytes);
    static Fingerprint OfPixels(const QImage& image);
    bool operator==(const Fingerprint&) const = default;
};

class RecentCaptures {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRecent{3000};

    // What was matched last: when its capture was taken, and where from.
    struct Match {
        Clock::time_point taken;
        const void* where = nullptr;
    };

    // A picture was taken into a window, from bytes with this fingerprint, from `where` (the
    // caller's name for the side it came from).
    void Took(const Picture& picture, const Fingerprint& bytes, Clock::time_point now,
              const void* where = nullptr);
    // Whether bytes are those of a recent capture: the same picture, without decoding.
    bool SameBytes(const Fingerprint& bytes, Clock::time_point now);
    // Whether a decoded picture is a recent capture, or from a relay the one last taken; its
    // bytes are remembered beside it, so that the next offer of them needs no decoding.
    bool SamePicture(const QImage& image, const Fingerprint& bytes, Clock::time_point now,
                     bool relay);
    const Match& LastMatch() const { return match_; }

  private:
    struct Capture {
        // The pixels, while a window holds them, for a full compare; their fingerprint once
        // it no longer does.
        std::weak_ptr<const Picture::Data> picture;
        Fingerprint pixels;
        std::deque<Fingerprint> bytes;  // the encodings it was offered in, newest first
        Match origin;
        Clock::time_point seen;
    };
    void Forget(Clock::time_point now);
    void Seen(Capture& capture, const Fingerprint& bytes, Clock::time_point now);

    std::deque<Capture> recent_;  // newest first
    Fingerprint last_;            // of the pixels of the capture taken last, however long ago
    Match lastOrigin_;
    Match match_;
};

// Whether two images hold the same pixels (alpha aside), row by row.
bool SamePixels(const QImage& a, const QImage& b);

}  // namespace platform::Clipboard
