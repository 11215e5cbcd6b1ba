#include "platform/gdi/HandleTable.h"

#include <limits>

#include "platform/pictures/PictureRegistry.h"

namespace platform::gdi::detail {

namespace {

void PictureGone(std::uint32_t handle) {
    Table().ForgetPicture(handle);
}

}  // namespace

HANDLE HandleTable::NextFreeHandle() {
    // Handles only grow; after a wrap-around, ones still in use are skipped, never reused.
    // Pictures' handles are left to pictures.
    do {
        next_ = IsPictureHandle(next_ + 1) ? 1 : next_ + 1;
    } while (objects_.count(next_) != 0);
    return next_;
}

HANDLE HandleTable::AddBitmap(Bitmap bitmap) {
    const HANDLE handle = NextFreeHandle();
    objects_.emplace(handle, std::move(bitmap));
    return handle;
}

HANDLE HandleTable::AddDeviceContext(DeviceContext dc) {
    const HANDLE handle = NextFreeHandle();
    objects_.emplace(handle, dc);
    return handle;
}

Bitmap* HandleTable::FindBitmap(HANDLE handle) {
    if (IsPictureHandle(handle)) {
        return FindPictureBitmap(handle);
    }
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : std::get_if<Bitmap>(&it->second);
}

Bitmap* HandleTable::FindPictureBitmap(HANDLE handle) {
    const std::optional<PicturePixels> pixels = FindPicture(handle);
    if (!pixels) {
        return nullptr;
    }
    // Before any context can hold a picture.
    static const bool listening = (SetPictureGoneListener(&PictureGone), true);
    static_cast<void>(listening);
    Bitmap& bitmap = pictures_[handle];
    bitmap.format = PixelFormat::Xrgb32;
    bitmap.width = pixels->width;
    bitmap.height = pixels->height;
    bitmap.widthBytes = pixels->stride;
    // Never written through: readOnly makes every transfer into it a refusal.
    bitmap.top = const_cast<std::uint8_t*>(pixels->bits);
    bitmap.pitch = pixels->stride;
    bitmap.readOnly = true;
    return &bitmap;
}

void HandleTable::ForgetPicture(HANDLE handle) {
    const auto it = pictures_.find(handle);
    if (it == pictures_.end()) {
        return;
    }
    if (DeviceContext* dc = FindDeviceContext(it->second.selectedInto)) {
        dc->bitmap = StockBitmap();
    }
    pictures_.erase(it);
}

DeviceContext* HandleTable::FindDeviceContext(HANDLE handle) {
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : std::get_if<DeviceContext>(&it->second);
}

void HandleTable::Remove(HANDLE handle) {
    objects_.erase(handle);
}

HBITMAP HandleTable::StockBitmap() {
    if (stock_ == 0) {
        Bitmap mono;
        mono.format = PixelFormat::Mono1;
        mono.width = 1;
        mono.height = 1;
        mono.widthBytes = 2;
        mono.storage.reset(static_cast<std::uint8_t*>(std::calloc(1, 2)));
        mono.pixels = mono.storage.get();
        mono.top = mono.pixels;
        mono.pitch = 2;
        mono.stock = true;
        stock_ = AddBitmap(std::move(mono));
    }
    return stock_;
}

int HandleTable::LiveCount() const {
    return static_cast<int>(objects_.size()) - (stock_ != 0 ? 1 : 0) + LivePictureCount();
}

HandleTable& Table() {
    // Never destroyed: pictures held in static objects unregister their bitmaps during
    // static destruction, which may come after this table's.
    static HandleTable* table = new HandleTable;
    return *table;
}

std::int64_t StoredRowBytes(PixelFormat format, std::int64_t width) {
    std::int64_t bytes = 0;
    switch (format) {
        case PixelFormat::Mono1:
            bytes = (width + 15) / 16 * 2;
            break;
        case PixelFormat::Bgr24:
            bytes = (width * 3 + 3) / 4 * 4;
            break;
        case PixelFormat::Xrgb32:
            bytes = width * 4;
            break;
    }
    return bytes > std::numeric_limits<int>::max() ? -1 : bytes;
}

}  // namespace platform::gdi::detail
