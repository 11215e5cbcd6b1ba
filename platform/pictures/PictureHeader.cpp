#include "platform/pictures/PictureHeader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <limits>

namespace platform {

namespace {

using Wide = unsigned __int128;

// Sizes that overflow 64 bits are as good as endless.
std::int64_t Saturated(Wide value) {
    constexpr auto most = static_cast<Wide>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(value, most));
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

std::uint32_t LittleEndian32(const unsigned char* p) {
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
           p[0];
}

std::uint16_t LittleEndian16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

PictureHeader Damaged(const char* kind, std::string problem) {
    PictureHeader header;
    header.state = PictureHeader::State::Damaged;
    header.kind = kind;
    header.problem = std::move(problem);
    return header;
}

PictureHeader Read(const char* kind, std::int64_t width, std::int64_t height, Wide mostBytes) {
    PictureHeader header;
    header.state = PictureHeader::State::Read;
    header.kind = kind;
    header.width = width;
    header.height = height;
    header.mostBytes = Saturated(mostBytes + kHeaderAllowance);
    return header;
}

// PNG: the signature, then the IHDR chunk, which must come first.
PictureHeader ReadPng(const unsigned char* p, std::size_t size) {
    constexpr std::size_t kNeeded = 8 + 8 + 13;
    if (size < kNeeded) {
        return {};
    }
    if (BigEndian32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0) {
        return Damaged("PNG", "its first chunk is not the image header");
    }
    const std::uint32_t width = BigEndian32(p + 16);
    const std::uint32_t height = BigEndian32(p + 20);
    const unsigned depth = p[24];
    const unsigned colourType = p[25];
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
        return Damaged("PNG", "its header gives an impossible size");
    }
    unsigned channels = 0;
    switch (colourType) {
        case 0:
        case 3:
            channels = 1;
            break;
        case 2:
            channels = 3;
            break;
        case 4:
            channels = 2;
            break;
        case 6:
            channels = 4;
            break;
        default:
            return Damaged("PNG", "its header gives an unknown colour type");
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) {
        return Damaged("PNG", "its header gives an impossible bit depth");
    }
    // Every row is a filter byte and its samples; interlacing adds at most a few bytes a row
    // (each pass's rows are filtered and rounded up to whole bytes on their own). The deflate
    // stream stores data no larger than that plus its block headers, and the chunks framing it
    // add 12 bytes each: a sixty-fourth on top covers both for chunks of a kilobyte and more.
    const Wide rowBytes = (Wide{width} * channels * depth + 7) / 8;
    const Wide raw = Wide{height} * (1 + rowBytes) + Wide{height} * 4;
    return Read("PNG", width, height, raw + raw / 64);
}

// BMP: the file header, then an information header of 12 bytes (the oldest kind) or 40 and
// more.
PictureHeader ReadBmp(const unsigned char* p, std::size_t size) {
    if (size < 14 + 4) {
        return {};
    }
    const std::uint32_t pixelsAt = LittleEndian32(p + 10);
    const std::uint32_t infoSize = LittleEndian32(p + 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned bits = 0;
    std::uint32_t compression = 0;
    if (infoSize == 12) {
        if (size < 14 + 12) {
            return {};
        }
        width = LittleEndian16(p + 18);
        height = LittleEndian16(p + 20);
        bits = LittleEndian16(p + 24);
    } else if (infoSize >= 40 && infoSize <= 4096) {
        if (size < 14 + 20) {
            return {};
        }
        width = static_cast<std::int32_t>(LittleEndian32(p + 18));
        height = static_cast<std::int32_t>(LittleEndian32(p + 22));
        bits = LittleEndian16(p + 28);
        compression = LittleEndian32(p + 30);
    } else {
        return Damaged("BMP", "its header has an unknown size");
    }
    height = height < 0 ? -height : height;  // negative: rows from the top down
    if (width <= 0 || height == 0) {
        return Damaged("BMP", "its header gives an impossible size");
    }
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32) {
        return Damaged("BMP", "its header gives an impossible bit depth");
    }
    if (pixelsAt > kHeaderAllowance) {
        return Damaged("BMP", "its header puts the pixels " + std::to_string(pixelsAt) +
                                  " bytes into the file");
    }
    Wide pixelBytes = 0;
    switch (compression) {
        case 0:  // plain rows, each padded to 4 bytes
        case 3:  // the same, with colour masks
        case 6:
            pixelBytes = Wide{static_cast<std::uint64_t>(height)} *
                         ((Wide{static_cast<std::uint64_t>(width)} * bits + 31) / 32 * 4);
            break;
        case 1:  // run lengths: at worst every pixel stored as it is, in runs of 255 with
        case 2:  // a 2-byte code each, plus an end-of-row code
            pixelBytes = Wide{static_cast<std::uint64_t>(height)} *
                         (Wide{static_cast<std::uint64_t>(width)} +
                          Wide{2} * (static_cast<std::uint64_t>(width) / 255 + 1) + 4);
            break;
        default: {
            PictureHeader header = Read("BMP", width, height, 0);
            header.mostBytes = -1;  // an embedded compressed picture: not bounded here
            return header;
        }
    }
    return Read("BMP", width, height, Wide{pixelsAt} + pixelBytes);
}

// The binary portable maps: "P4", "P5" or "P6", then width, height and (but for P4) the
// largest sample value as decimal numbers, separated by white space and comments, and one
// white-space byte before the samples.
PictureHeader ReadPnm(const unsigned char* p, std::size_t size) {
    constexpr std::size_t kMostHeader = 4096;
    const char type = static_cast<char>(p[1]);
    const int fields = type == '4' ? 2 : 3;
    std::array<std::uint64_t, 3> values{};
    std::size_t at = 2;
    for (int field = 0; field < fields; ++field) {
        // White space and comments before the number.
        while (true) {
            if (at >= size) {
                return size > kMostHeader ? Damaged("PNM", "no header in its first 4 KiB")
                                          : PictureHeader{};
            }
            if (p[at] == '#') {
                while (at < size && p[at] != '\n' && p[at] != '\r') {
                    ++at;
                }
            } else if (std::isspace(p[at]) != 0) {
                ++at;
            } else {
                break;
            }
            if (at > kMostHeader) {
                return Damaged("PNM", "no header in its first 4 KiB");
            }
        }
        if (std::isdigit(p[at]) == 0) {
            return Damaged("PNM", "its header holds something other than numbers");
        }
        std::uint64_t value = 0;
        while (at < size && std::isdigit(p[at]) != 0) {
            value = value * 10 + static_cast<unsigned>(p[at] - '0');
            if (value > 0x7FFFFFFFu) {
                return Damaged("PNM", "its header gives an impossible size");
            }
            ++at;
        }
        if (at >= size) {
            return {};  // the number may go on
        }
        values[static_cast<std::size_t>(field)] = value;
    }
    if (std::isspace(p[at]) == 0) {
        return Damaged("PNM", "its header holds something other than numbers");
    }
    const std::uint64_t width = values[0];
    const std::uint64_t height = values[1];
    const std::uint64_t maximum = fields == 3 ? values[2] : 1;
    if (width == 0 || height == 0 || maximum == 0 || maximum > 65535) {
        return Damaged("PNM", "its header gives an impossible size or sample range");
    }
    const unsigned sampleBytes = maximum > 255 ? 2 : 1;
    const unsigned channels = type == '6' ? 3 : 1;
    const Wide rowBytes =
        type == '4' ? (Wide{width} + 7) / 8 : Wide{width} * channels * sampleBytes;
    return Read("PNM", static_cast<std::int64_t>(width), static_cast<std::int64_t>(height),
                Wide{at} + 1 + Wide{height} * rowBytes);
}

}  // namespace

PictureHeader ReadPictureHeader(const char* data, std::size_t size) {
    if (size == 0) {
        return {};  // (and data may be null)
    }
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    static constexpr std::array<unsigned char, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                                   '\r', '\n', 0x1A, '\n'};
    // Too few bytes to tell the kind: wait for more, unless they already rule out every kind.
    const auto startsLike = [&](const unsigned char* magic, std::size_t length) {
        return std::memcmp(p, magic, std::min(size, length)) == 0;
    };
    if (startsLike(kPngSignature.data(), kPngSignature.size())) {
        return size < kPngSignature.size() ? PictureHeader{} : ReadPng(p, size);
    }
    static constexpr std::array<unsigned char, 2> kBmp = {'B', 'M'};
    if (startsLike(kBmp.data(), kBmp.size())) {
        return size < kBmp.size() ? PictureHeader{} : ReadBmp(p, size);
    }
    if (size >= 1 && p[0] == 'P') {
        if (size < 2) {
            return {};
        }
        if (p[1] == '4' || p[1] == '5' || p[1] == '6') {
            return ReadPnm(p, size);
        }
    }
    PictureHeader unknown;
    unknown.state = PictureHeader::State::Unknown;
    return unknown;
}

}  // namespace platform
