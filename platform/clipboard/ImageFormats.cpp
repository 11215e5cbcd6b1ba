#include "platform/clipboard/ImageFormats.h"

#include <QImageReader>
#include <algorithm>
#include <array>

#include "platform/runtime/PageCost.h"

namespace platform::Clipboard {

namespace {

// Owners encode a picture only when asked, so an uncompressed format costs them and us a
// plain copy where PNG costs a compression and a decompression. PPM decodes in about half
// the time BMP takes.
constexpr std::array kLossless = {
    "image/x-portable-pixmap", "image/ppm", "image/bmp", "image/x-bmp",
    "image/x-ms-bmp",          "image/png"};
constexpr std::array kReduced = {"image/jpeg", "image/jpg", "image/x-portable-graymap",
                                 "image/x-portable-bitmap", "image/x-xbitmap"};

// A 4 KiB page of an uncompressed picture is written fresh about three times on its way (by
// its owner, the display server and the transfer here), while compressing and decompressing
// the pixels it holds costs a few microseconds; past this cost of a fresh page, PNG is the
// cheaper way. Machines whose memory is cheap measure well under one microsecond, virtual
// machines that back guest memory on demand ten and more.
constexpr double kDearPageMicroseconds = 3.0;

template <std::size_t N>
int RankIn(const std::array<const char*, N>& list, const QString& lower) {
    const auto* found = std::find_if(
        list.begin(), list.end(), [&](const char* name) { return lower == QLatin1String(name); });
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

bool Readable(const QString& lower) {
    return lower.startsWith(QLatin1String("image/")) &&
           !QImageReader::imageFormatsForMimeType(lower.toLatin1()).isEmpty();
}

}  // namespace

FreshMemory FreshMemoryHere() {
    return FreshPageMicroseconds() > kDearPageMicroseconds ? FreshMemory::Dear : FreshMemory::Cheap;
}

std::vector<QString> ImageFormatsToAsk(const QStringList& offered, FreshMemory memory) {
    struct Candidate {
        int rank;
        int position;
        QString name;
    };
    std::vector<Candidate> candidates;
    const int others = static_cast<int>(kLossless.size());
    const int reduced = others + 1;
    const QLatin1String png("image/png");
    for (int i = 0; i < offered.size(); ++i) {
        const QString lower = offered[i].toLower();
        const bool seen = std::any_of(candidates.begin(), candidates.end(), [&](const auto& c) {
            return c.name.compare(offered[i], Qt::CaseInsensitive) == 0;
        });
        if (seen) {
            continue;
        }
        if (const int rank = RankIn(kLossless, lower); rank >= 0) {
            const bool compressedFirst = memory == FreshMemory::Dear && lower == png;
            candidates.push_back({compressedFirst ? -1 : rank, i, offered[i]});
        } else if (RankIn(kReduced, lower) >= 0) {
            if (Readable(lower)) {
                candidates.push_back({reduced, i, offered[i]});
            }
        } else if (Readable(lower)) {
            candidates.push_back({others, i, offered[i]});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const auto& a, const auto& b) { return a.rank < b.rank; });
    std::vector<QString> formats;
    formats.reserve(candidates.size());
    for (auto& c : candidates) {
        formats.push_back(std::move(c.name));
    }
    return formats;
}

QStringList KnownImageFormats() {
    QStringList names;
    for (const char* name : kLossless) {
        names.append(QLatin1String(name));
    }
    for (const char* name : kReduced) {
        names.append(QLatin1String(name));
    }
    for (const QByteArray& type : QImageReader::supportedMimeTypes()) {
        names.append(QString::fromLatin1(type).toLower());
    }
    names.removeDuplicates();
    names.removeIf([](const QString& name) { return ImageFormatsToAsk({name}).empty(); });
    return names;
}

}  // namespace platform::Clipboard
