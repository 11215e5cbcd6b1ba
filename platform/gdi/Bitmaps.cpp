// Making, describing and deleting bitmaps: DIB sections and screen-compatible bitmaps; and
// describing the read-only bitmaps behind pictures.

#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"

namespace platform::gdi {

using detail::Bitmap;
using detail::PixelFormat;
using detail::Table;

namespace {

// One block of pixel memory must stay addressable with 32-bit signed offsets.
constexpr std::int64_t kMaxBitmapBytes = std::numeric_limits<std::int32_t>::max();
constexpr std::uintptr_t kPixelAlignment = 64;

// Zeroed pixel memory for a bitmap of this size (left as it comes when `zeroed` is false), or
// a bitmap with no storage when the size is unusable or the memory cannot be had.
Bitmap NewBitmap(PixelFormat format, std::int64_t width, std::int64_t height, bool zeroed = true) {
    Bitmap bitmap;
    if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() ||
        height > std::numeric_limits<int>::max()) {
        return bitmap;
    }
    const std::int64_t rowBytes = detail::StoredRowBytes(format, width);
    if (rowBytes <= 0 || rowBytes > kMaxBitmapBytes / height) {
        return bitmap;
    }
    // Pixels start on a cache line, as vector code reading whole rows likes them to; rows whose
    // length is a multiple of 64 then all do.
    const auto bytes = static_cast<std::size_t>(rowBytes * height) + kPixelAlignment - 1;
    bitmap.storage.reset(
        static_cast<std::uint8_t*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes)));
    if (!bitmap.storage) {
        return bitmap;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(bitmap.storage.get());
    bitmap.pixels = bitmap.storage.get() + (-address & (kPixelAlignment - 1));
    bitmap.format = format;
    bitmap.width = static_cast<int>(width);
    bitmap.height = static_cast<int>(height);
    bitmap.widthBytes = static_cast<int>(rowBytes);
    bitmap.top = bitmap.pixels;
    bitmap.pitch = rowBytes;
    return bitmap;
}

HBITMAP MakeSection(const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                    DWORD offset, bool zeroed) {
    if (ppvBits != nullptr) {
        *ppvBits = nullptr;
    }
    if (pbmi == nullptr || usage != DIB_RGB_COLORS || hSection != 0 || offset != 0) {
        return 0;
    }
    const BITMAPINFOHEADER& header = pbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
        header.biBitCount != 24 || header.biCompression != BI_RGB) {
        return 0;
    }
    const bool topDown = header.biHeight < 0;
    Bitmap bitmap = NewBitmap(PixelFormat::Bgr24, header.biWidth,
                              topDown ? -std::int64_t{header.biHeight} : header.biHeight, zeroed);
    if (!bitmap.storage) {
        return 0;
    }
    if (!zeroed) {
        // The caller writes the pixels; the padding after them is still zero, as always.
        const std::int64_t used = std::int64_t{bitmap.width} * 3;
        for (std::int64_t row = 0; row < bitmap.height; ++row) {
            std::memset(bitmap.pixels + row * bitmap.pitch + used, 0,
                        static_cast<std::size_t>(bitmap.pitch - used));
        }
    }
    bitmap.section = true;
    if (!topDown) {
        // Bottom-up: the first row in memory is the picture's last.
        bitmap.top = bitmap.pixels + bitmap.pitch * (bitmap.height - 1);
        bitmap.pitch = -bitmap.pitch;
    }
    std::uint8_t* bits = bitmap.pixels;
    const HBITMAP handle = Table().AddBitmap(std::move(bitmap));
    if (ppvBits != nullptr) {
        *ppvBits = bits;
    }
    return handle;
}

}  // namespace

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset) {
    return MakeSection(pbmi, usage, ppvBits, hSection, offset, true);
}

HBITMAP CreateDIBSectionForOverwrite(const BITMAPINFO* pbmi, void** ppvBits) {
    return MakeSection(pbmi, DIB_RGB_COLORS, ppvBits, 0, 0, false);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    detail::DeviceContext* dc = Table().FindDeviceContext(hdc);
    if (dc == nullptr || cx < 0 || cy < 0) {
        return 0;
    }
    if (cx == 0 || cy == 0) {
        return Table().StockBitmap();
    }
    PixelFormat format = PixelFormat::Xrgb32;
    if (!dc->screen) {
        const Bitmap* selected = Table().FindBitmap(dc->bitmap);
        if (selected != nullptr && selected->section) {
            // What a context holding a section makes is a section of its own format, whichever
            // way the one selected runs.
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
            return MakeSection(&info, DIB_RGB_COLORS, nullptr, 0, 0, true);
        }
        if (selected != nullptr && selected->format == PixelFormat::Mono1) {
            format = PixelFormat::Mono1;
        }
    }
    Bitmap bitmap = NewBitmap(format, cx, cy);
    if (!bitmap.storage) {
        return 0;
    }
    return Table().AddBitmap(std::move(bitmap));
}

BOOL DeleteObject(HGDIOBJ h) {
    const Bitmap* bitmap = Table().FindBitmap(h);
    if (bitmap == nullptr || bitmap->stock || bitmap->readOnly || bitmap->selectedInto != 0) {
        return FALSE;
    }
    Table().Remove(h);
    return TRUE;
}

int GetObjectA(HANDLE h, int c, void* pv) {
    const Bitmap* bitmap = Table().FindBitmap(h);
    if (bitmap == nullptr) {
        return 0;
    }
    constexpr int kSize = static_cast<int>(sizeof(BITMAP));
    if (pv == nullptr) {
        return kSize;
    }
    if (c < kSize) {
        return 0;
    }
    BITMAP info{};
    info.bmWidth = bitmap->width;
    info.bmHeight = bitmap->height;
    info.bmWidthBytes = bitmap->widthBytes;
    info.bmPlanes = 1;
    info.bmBitsPixel = bitmap->format == PixelFormat::Mono1   ? 1
                       : bitmap->format == PixelFormat::Bgr24 ? 24
                                                              : 32;
    info.bmBits = bitmap->section ? bitmap->pixels : nullptr;
    std::memcpy(pv, &info, sizeof info);
    return kSize;
}

}  // namespace platform::gdi
