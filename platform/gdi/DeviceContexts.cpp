// Memory and screen device contexts and the selection of bitmaps into them.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/ScreenSize.h"

namespace platform::gdi {

using detail::DeviceContext;
using detail::Table;

namespace {
constexpr HWND kDesktopWindow = 0x00010010;
}  // namespace

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc != 0 && Table().FindDeviceContext(hdc) == nullptr) {
        return 0;
    }
    DeviceContext dc;
    dc.bitmap = Table().StockBitmap();
    return Table().AddDeviceContext(dc);
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = Table().FindDeviceContext(hdc);
    if (dc == nullptr || dc->screen) {
        return FALSE;
    }
    if (detail::Bitmap* selected = Table().FindBitmap(dc->bitmap); selected != nullptr) {
        if (selected->selectedInto == hdc) {
            selected->selectedInto = 0;
        }
    }
    Table().Remove(hdc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* dc = Table().FindDeviceContext(hdc);
    detail::Bitmap* bitmap = Table().FindBitmap(h);
    if (dc == nullptr || dc->screen || bitmap == nullptr) {
        return 0;
    }
    if (dc->bitmap == h) {
        return h;
    }
    if (!bitmap->stock && bitmap->selectedInto != 0) {
        return 0;
    }
    const HBITMAP previous = dc->bitmap;
    if (detail::Bitmap* old = Table().FindBitmap(previous); old != nullptr && !old->stock) {
        old->selectedInto = 0;
    }
    if (!bitmap->stock) {
        bitmap->selectedInto = hdc;
    }
    dc->bitmap = h;
    return previous;
}

HWND GetDesktopWindow() {
    return kDesktopWindow;
}

HDC GetDC(HWND hwnd) {
    if (hwnd != 0 && hwnd != kDesktopWindow) {
        return 0;
    }
    const auto size = detail::PrimaryScreenSize();
    if (!size) {
        return 0;
    }
    DeviceContext dc;
    dc.screen = true;
    dc.screenWidth = size->first;
    dc.screenHeight = size->second;
    return Table().AddDeviceContext(dc);
}

int ReleaseDC(HWND /*hwnd*/, HDC hdc) {
    const DeviceContext* dc = Table().FindDeviceContext(hdc);
    if (dc == nullptr || !dc->screen) {
        return 0;
    }
    Table().Remove(hdc);
    return 1;
}

int LiveHandleCount() {
    return Table().LiveCount();
}

}  // namespace platform::gdi
