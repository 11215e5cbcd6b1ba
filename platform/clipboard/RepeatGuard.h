#pragma once
// One picture, one window. An owner that claims the clipboard again and again with the same
// picture (a storm of claims, or a bridge between two clipboards that offers the last picture
// anew whenever the focus comes back) must not open a window each time: a picture that is
// byte for byte the one last taken, offered again by the same client within two seconds of
// that take, is not taken again. A relay, a client that passes on other programs' pictures,
// offers them anew at any time, so from it the picture last taken is never taken again. A new
// picture from any owner is taken as always, and so is the same picture copied again later.

#include <QByteArray>
#include <chrono>
#include <cstdint>

namespace platform::Clipboard {

// What tells two pictures' bytes apart: their length and a hash keyed afresh in every run, so
// that no owner can make other bytes pass for the picture last taken.
struct Fingerprint {
    std::int64_t size = -1;
    std::uint64_t hash = 0;

    static Fingerprint Of(const QByteArray& bytes);
    bool operator==(const Fingerprint&) const = default;
};

class RepeatGuard {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kWithin{2000};

    enum class Verdict {
        New,          // take it
        Repeat,       // the first repeat since the take: leave it, and say so
        RepeatAgain,  // more of the same burst: leave it silently
    };

    Verdict Judge(const Fingerprint& picture, std::uint64_t client, Clock::time_point now,
                  bool relay = false);
    // The picture was taken into a window.
    void Took(const Fingerprint& picture, std::uint64_t client, Clock::time_point now);

  private:
    bool taken_ = false;
    Fingerprint picture_;
    std::uint64_t client_ = 0;
    Clock::time_point when_;
    bool reported_ = false;
};

// Says on standard error that the picture just taken, offered again, was emptied from the
// clipboard without opening it again; for a Verdict::Repeat, once a burst.
void SayRepeatEmptied();

}  // namespace platform::Clipboard
