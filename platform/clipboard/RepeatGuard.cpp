#include "platform/clipboard/RepeatGuard.h"

#include <QHashFunctions>
#include <QRandomGenerator>
#include <cstdio>

namespace platform::Clipboard {

Fingerprint Fingerprint::Of(const QByteArray& bytes) {
    static const std::size_t seed = QRandomGenerator::system()->generate64();
    return {bytes.size(), static_cast<std::uint64_t>(qHashBits(
                              bytes.constData(), static_cast<std::size_t>(bytes.size()), seed))};
}

RepeatGuard::Verdict RepeatGuard::Judge(const Fingerprint& picture, std::uint64_t client,
                                        Clock::time_point now, bool relay) {
    const bool repeat =
        taken_ && picture == picture_ && client == client_ && (relay || now - when_ <= kWithin);
    if (!repeat) {
        return Verdict::New;
    }
    if (reported_) {
        return Verdict::RepeatAgain;
    }
    reported_ = true;
    return Verdict::Repeat;
}

void RepeatGuard::Took(const Fingerprint& picture, std::uint64_t client, Clock::time_point now) {
    taken_ = true;
    picture_ = picture;
    client_ = client;
    when_ = now;
    reported_ = false;
}

void SayRepeatEmptied() {
    std::fputs(
        "vornal3: the picture on the clipboard is the one just taken, offered again by the same "
        "program: it is emptied without opening it again\n",
        stderr);
    std::fflush(stderr);
}

}  // namespace platform::Clipboard
