#include "platform/gdi/PixelRows.h"

#include <cstring>

namespace platform::gdi::detail {

namespace {

// Monochrome bits: 1 is the background colour (white), 0 the text colour (black), as in a
// new device context; a colour pixel becomes 1 exactly when it is the background colour.
constexpr std::uint32_t kWhite = 0xFFFFFF;

void ReadMono(const Bitmap& b, int x, int y, int n, std::uint32_t* out) {
    const std::uint8_t* row = b.Row(y);
    for (int i = 0; i < n; ++i) {
        const int bit = x + i;
        out[i] = ((row[bit >> 3] >> (7 - (bit & 7))) & 1) != 0 ? kWhite : 0;
    }
}

void WriteMono(Bitmap& b, int x, int y, int n, const std::uint32_t* in) {
    std::uint8_t* row = b.Row(y);
    for (int i = 0; i < n; ++i) {
        const int bit = x + i;
        const auto mask = static_cast<std::uint8_t>(0x80u >> (bit & 7));
        if ((in[i] & kWhite) == kWhite) {
            row[bit >> 3] |= mask;
        } else {
            row[bit >> 3] &= static_cast<std::uint8_t>(~mask);
        }
    }
}

void ReadBgr24(const Bitmap& b, int x, int y, int n, std::uint32_t* out) {
    const std::uint8_t* p = b.Row(y) + std::ptrdiff_t{x} * 3;
    for (int i = 0; i < n; ++i, p += 3) {
        out[i] = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
}

void WriteBgr24(Bitmap& b, int x, int y, int n, const std::uint32_t* in) {
    std::uint8_t* p = b.Row(y) + std::ptrdiff_t{x} * 3;
    for (int i = 0; i < n; ++i, p += 3) {
        p[0] = static_cast<std::uint8_t>(in[i]);
        p[1] = static_cast<std::uint8_t>(in[i] >> 8);
        p[2] = static_cast<std::uint8_t>(in[i] >> 16);
    }
}

void ReadXrgb32(const Bitmap& b, int x, int y, int n, std::uint32_t* out) {
    const std::uint8_t* p = b.Row(y) + std::ptrdiff_t{x} * 4;
    std::memcpy(out, p, static_cast<std::size_t>(n) * 4);
    for (int i = 0; i < n; ++i) {
        out[i] &= kWhite;
    }
}

void WriteXrgb32(Bitmap& b, int x, int y, int n, const std::uint32_t* in) {
    std::memcpy(b.Row(y) + std::ptrdiff_t{x} * 4, in, static_cast<std::size_t>(n) * 4);
}

}  // namespace

void ReadPixels(const Bitmap& bitmap, int x, int y, int n, std::uint32_t* out) {
    switch (bitmap.format) {
        case PixelFormat::Mono1:
            return ReadMono(bitmap, x, y, n, out);
        case PixelFormat::Bgr24:
            return ReadBgr24(bitmap, x, y, n, out);
        case PixelFormat::Xrgb32:
            return ReadXrgb32(bitmap, x, y, n, out);
    }
}

void WritePixels(Bitmap& bitmap, int x, int y, int n, const std::uint32_t* in) {
    switch (bitmap.format) {
        case PixelFormat::Mono1:
            return WriteMono(bitmap, x, y, n, in);
        case PixelFormat::Bgr24:
            return WriteBgr24(bitmap, x, y, n, in);
        case PixelFormat::Xrgb32:
            return WriteXrgb32(bitmap, x, y, n, in);
    }
}

int BytesPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Mono1:
            return 0;
        case PixelFormat::Bgr24:
            return 3;
        case PixelFormat::Xrgb32:
            return 4;
    }
    return 0;
}

}  // namespace platform::gdi::detail
