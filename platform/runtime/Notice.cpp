#include "platform/runtime/Notice.h"

#include <sys/uio.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// A line offered again this soon after its last offer belongs to the same burst.
constexpr Clock::duration kBurst = std::chrono::seconds(2);
// The most lines kept in mind: a storm of different lines pushes the oldest out, so that
// neither memory nor the time to compare grows with it.
constexpr std::size_t kMostRemembered = 64;

constexpr std::string_view kProgram = "vornal3: ";

// The whole line in one call, so that lines of several threads (and of the sanitizers, which
// write on their own) never cut into each other; the rest of it after a partial write.
void WriteLine(std::string_view text) noexcept {
    std::array<iovec, 3> parts{{
        {const_cast<char*>(kProgram.data()), kProgram.size()},
        {const_cast<char*>(text.data()), text.size()},
        {const_cast<char*>("\n"), 1},
    }};
    iovec* next = parts.data();
    int left = static_cast<int>(parts.size());
    while (left > 0) {
        ssize_t written = ::writev(STDERR_FILENO, next, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // nowhere to say it
        }
        while (left > 0 && static_cast<std::size_t>(written) >= next->iov_len) {
            written -= static_cast<ssize_t>(next->iov_len);
            ++next;
            --left;
        }
        if (left > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + written;
            next->iov_len -= static_cast<std::size_t>(written);
        }
    }
}

class Sink {
  public:
    void Offer(std::string_view text) noexcept {
        const std::lock_guard lock(mutex_);
        if (!Repeats(text, Clock::now())) {
            WriteLine(text);
        }
    }

  private:
    struct Offered {
        std::string line;
        Clock::time_point at;
    };

    // Whether the line was offered within the last burst. Its offer is remembered either way,
    // so a line offered steadily is said once, when it starts.
    bool Repeats(std::string_view text, Clock::time_point now) noexcept {
        std::erase_if(recent_,
                      [now](const Offered& offered) { return now - offered.at >= kBurst; });
        for (Offered& offered : recent_) {
            if (offered.line == text) {
                offered.at = now;
                return true;
            }
        }
        if (recent_.size() >= kMostRemembered) {
            recent_.erase(
                std::min_element(recent_.begin(), recent_.end(),
                                 [](const Offered& a, const Offered& b) { return a.at < b.at; }));
        }
        try {
            recent_.push_back({std::string(text), now});
        } catch (...) {
            // Said all the same; only a repeat of it would be said again.
        }
        return false;
    }

    std::mutex mutex_;
    std::vector<Offered> recent_;
};

Sink& TheSink() {
    // Never destroyed: a line may still be said while static objects go at the end.
    static Sink* sink = new Sink;
    return *sink;
}

}  // namespace

void Notice(std::string_view text) noexcept {
    TheSink().Offer(text);
}

void Notice(const QString& text) noexcept {
    try {
        const QByteArray bytes = text.toLocal8Bit();
        Notice(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (...) {
        Notice("a line could not be put into words: out of memory");
    }
}

}  // namespace platform
