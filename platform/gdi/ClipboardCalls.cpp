// The Win32 clipboard calls, on top of the platform's clipboard. Only this program's own
// open/close pairing is tracked: opening fails while the clipboard is already open.

#include <exception>
#include <vector>

#include "platform/clipboard/Clipboard.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/PixelRows.h"
#include "platform/pictures/Picture.h"

namespace platform::gdi {

namespace {

bool clipboardOpen = false;

// The bitmap's pixels as a picture; the empty picture when memory for it cannot be had.
Picture PictureOfBitmap(const detail::Bitmap& bitmap) {
    try {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bitmap.width) *
                                          static_cast<std::size_t>(bitmap.height));
        for (int y = 0; y < bitmap.height; ++y) {
            detail::ReadPixels(bitmap, 0, y, bitmap.width,
                               pixels.data() + static_cast<std::size_t>(y) * bitmap.width);
        }
        return Picture::FromRgb32(bitmap.width, bitmap.height, pixels.data(), bitmap.width * 4);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

BOOL OpenClipboard(HWND /*hwnd*/) {
    if (clipboardOpen) {
        return FALSE;
    }
    clipboardOpen = true;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!clipboardOpen) {
        return FALSE;
    }
    Clipboard::Clear();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE h) {
    if (!clipboardOpen || format != CF_BITMAP) {
        return 0;
    }
    const detail::Bitmap* bitmap = detail::Table().FindBitmap(h);
    // Stock bitmaps and pictures' bitmaps belong to others; a selected one is still in use.
    if (bitmap == nullptr || bitmap->stock || bitmap->readOnly || bitmap->selectedInto != 0) {
        return 0;
    }
    const Picture picture = PictureOfBitmap(*bitmap);
    if (picture.IsEmpty()) {
        return 0;
    }
    Clipboard::SetData(picture);
    // The clipboard now holds the picture; the bitmap it was taken from is the clipboard's to
    // release, and nothing else may use it.
    detail::Table().Remove(h);
    return h;
}

BOOL CloseClipboard() {
    if (!clipboardOpen) {
        return FALSE;
    }
    clipboardOpen = false;
    return TRUE;
}

}  // namespace platform::gdi
