// Block transfers between bitmaps of any of the supported formats, with every ternary raster
// operation. Rectangles are clipped once, up front, so nothing outside a bitmap is touched.

#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/PixelRows.h"
#include "platform/gdi/RasterOp.h"

namespace platform::gdi {

using detail::Bitmap;
using detail::Table;

namespace {

// A new device context's brush is white, so pattern operations paint white.
constexpr std::uint32_t kBrush = 0xFFFFFF;

// The bitmap a memory device context holds, or null for the screen's context, a context that
// holds nothing, or no context at all.
Bitmap* HeldBitmap(HDC hdc) {
    const detail::DeviceContext* dc = Table().FindDeviceContext(hdc);
    if (dc == nullptr || dc->screen) {
        return nullptr;
    }
    return Table().FindBitmap(dc->bitmap);
}

void CopyRowBytes(const Bitmap& from, Bitmap& to, const detail::Transfer& t, int row) {
    const int bpp = detail::BytesPerPixel(to.format);
    std::memmove(to.Row(t.destY + row) + std::ptrdiff_t{t.destX} * bpp,
                 from.Row(t.srcY + row) + std::ptrdiff_t{t.srcX} * bpp,
                 static_cast<std::size_t>(t.width) * bpp);
}

// Whole rows of two bitmaps laid out alike are one block of memory: copied in one go, a large
// copy streams past the cache instead of stalling on row-sized copies whose addresses alias.
bool CopyWholeBlock(const Bitmap& from, Bitmap& to, const detail::Transfer& t) {
    const std::ptrdiff_t rowBytes = std::ptrdiff_t{t.width} * detail::BytesPerPixel(to.format);
    if (t.destX != 0 || t.srcX != 0 || from.pitch != to.pitch ||
        (to.pitch != rowBytes && to.pitch != -rowBytes)) {
        return false;
    }
    const int firstRow = to.pitch > 0 ? 0 : t.height - 1;
    std::memcpy(to.Row(t.destY + firstRow), from.Row(t.srcY + firstRow),
                static_cast<std::size_t>(rowBytes) * t.height);
    return true;
}

}  // namespace

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    Bitmap* dest = HeldBitmap(hdc);
    if (dest == nullptr || dest->readOnly) {
        return FALSE;
    }
    const bool usesSource = detail::RopUsesSource(rop);
    const bool usesDest = detail::RopUsesDestination(rop);
    Bitmap* source = nullptr;
    if (usesSource) {
        source = HeldBitmap(hdcSrc);
        if (source == nullptr) {
            return FALSE;
        }
    }
    const auto clipped = detail::ClipTransfer(x, y, cx, cy, dest->width, dest->height, x1, y1,
                                              usesSource, source != nullptr ? source->width : 0,
                                              source != nullptr ? source->height : 0);
    if (!clipped) {
        return TRUE;
    }
    const detail::Transfer& t = *clipped;
    // Within one bitmap, rows are taken in the order that reads each before overwriting it;
    // between two, in the order the destination's memory runs, which streams fastest.
    const bool upwards = source == dest ? t.srcY < t.destY : dest->pitch < 0;
    const unsigned index = detail::RopIndex(rop);
    const bool plainCopy = index == detail::RopIndex(SRCCOPY) && source->format == dest->format &&
                           dest->format != detail::PixelFormat::Mono1;

    if (plainCopy && source != dest && CopyWholeBlock(*source, *dest, t)) {
        return TRUE;
    }
    std::vector<std::uint32_t> srcRow(plainCopy ? 0 : static_cast<std::size_t>(t.width));
    std::vector<std::uint32_t> destRow(srcRow.size());
    for (int step = 0; step < t.height; ++step) {
        const int row = upwards ? t.height - 1 - step : step;
        if (plainCopy) {
            CopyRowBytes(*source, *dest, t, row);
            continue;
        }
        if (usesSource) {
            detail::ReadPixels(*source, t.srcX, t.srcY + row, t.width, srcRow.data());
        }
        if (usesDest) {
            detail::ReadPixels(*dest, t.destX, t.destY + row, t.width, destRow.data());
        }
        if (index == detail::RopIndex(SRCCOPY)) {
            detail::WritePixels(*dest, t.destX, t.destY + row, t.width, srcRow.data());
            continue;
        }
        for (int i = 0; i < t.width; ++i) {
            destRow[i] = detail::ApplyRop(index, kBrush, srcRow[i], destRow[i]);
        }
        detail::WritePixels(*dest, t.destX, t.destY + row, t.width, destRow.data());
    }
    return TRUE;
}

}  // namespace platform::gdi
