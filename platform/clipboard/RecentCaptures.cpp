#include "platform/clipboard/RecentCaptures.h"

#include <QHashFunctions>
#include <QRandomGenerator>
#include <algorithm>
#include <cstring>

#include "platform/pictures/PictureData.h"

namespace platform::Clipboard {

namespace {

// Captures and encodings remembered at most: a burst of different pictures is no repeat.
constexpr std::size_t kMostCaptures = 4;
constexpr std::size_t kMostEncodings = 4;

}  // namespace

namespace {

std::size_t FingerprintSeed() {
    static const std::size_t seed = QRandomGenerator::system()->generate64();
    return seed;
}

}  // namespace

Fingerprint Fingerprint::Of(const QByteArray& bytes) {
    return {bytes.size(),
            static_cast<std::uint64_t>(qHashBits(
                bytes.constData(), static_cast<std::size_t>(bytes.size()), FingerprintSeed()))};
}

// Of 32-bit rows without padding, whose alpha is always opaque.
Fingerprint Fingerprint::OfPixels(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const std::size_t seed = FingerprintSeed() ^ static_cast<std::size_t>(image.width());
    return {image.sizeInBytes(),
            static_cast<std::uint64_t>(
                qHashBits(image.constBits(), static_cast<std::size_t>(image.sizeInBytes()), seed))};
}

bool SamePixels(const QImage& a, const QImage& b) {
    if (a.isNull() || b.isNull() || a.size() != b.size() || a.depth() != 32 || b.depth() != 32) {
        return false;
    }
    const auto rowBytes = static_cast<std::size_t>(a.width()) * 4;
    for (int y = 0; y < a.height(); ++y) {
        const auto* left = reinterpret_cast<const std::uint32_t*>(a.constScanLine(y));
        const auto* right = reinterpret_cast<const std::uint32_t*>(b.constScanLine(y));
        if (std::memcmp(left, right, rowBytes) == 0) {
            continue;
        }
        for (int x = 0; x < a.width(); ++x) {
            if (((left[x] ^ right[x]) & 0xFFFFFFu) != 0) {
                return false;
            }
        }
    }
    return true;
}

void RecentCaptures::Forget(Clock::time_point now) {
    std::erase_if(recent_, [now](const Capture& c) { return now - c.seen > kRecent; });
}

void RecentCaptures::Seen(Capture& capture, const Fingerprint& bytes, Clock::time_point now) {
    capture.seen = now;
    match_ = capture.origin;
    if (bytes.size < 0 ||
        std::find(capture.bytes.begin(), capture.bytes.end(), bytes) != capture.bytes.end()) {
        return;
    }
    capture.bytes.push_front(bytes);
    if (capture.bytes.size() > kMostEncodings) {
        capture.bytes.pop_back();
    }
}

void RecentCaptures::Took(const Picture& picture, const Fingerprint& bytes, Clock::time_point now,
                          const void* where) {
    Forget(now);
    const Fingerprint pixels = Fingerprint::OfPixels(ImageOf(picture));
    Capture capture{picture.data(), pixels, {}, {now, where}, now};
    if (bytes.size >= 0) {
        capture.bytes.push_front(bytes);
    }
    recent_.push_front(std::move(capture));
    if (recent_.size() > kMostCaptures) {
        recent_.pop_back();
    }
    last_ = pixels;
    lastOrigin_ = {now, where};
}

bool RecentCaptures::SameBytes(const Fingerprint& bytes, Clock::time_point now) {
    Forget(now);
    for (Capture& capture : recent_) {
        if (std::find(capture.bytes.begin(), capture.bytes.end(), bytes) != capture.bytes.end()) {
            Seen(capture, bytes, now);
            return true;
        }
    }
    return false;
}

bool RecentCaptures::SamePicture(const QImage& image, const Fingerprint& bytes,
                                 Clock::time_point now, bool relay) {
    Forget(now);
    const Fingerprint pixels = Fingerprint::OfPixels(image);
    for (Capture& capture : recent_) {
        if (capture.pixels != pixels) {
            continue;
        }
        const auto held = capture.picture.lock();
        if (held == nullptr || SamePixels(held->image, image)) {
            Seen(capture, bytes, now);
            return true;
        }
    }
    if (relay && last_.size >= 0 && pixels == last_) {
        match_ = lastOrigin_;
        return true;
    }
    return false;
}

}  // namespace platform::Clipboard
