#pragma once
// The one table behind every device context and bitmap handle. Internal to the GDI
// equivalent; callers go through the Win32-named functions. Pictures' handles are bitmap
// handles too: their pixels are found in the pictures' own registry.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <variant>

#include "platform/gdi/Gdi.h"

namespace platform::gdi::detail {

enum class PixelFormat { Mono1, Bgr24, Xrgb32 };

struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};

// A bitmap is described once by its top row and the signed distance to the row below it,
// so bottom-up and top-down memory go through the same code.
struct Bitmap {
    PixelFormat format = PixelFormat::Mono1;
    int width = 0;
    int height = 0;
    int widthBytes = 0;
    std::uint8_t* top = nullptr;
    std::ptrdiff_t pitch = 0;
    std::unique_ptr<std::uint8_t, FreeDeleter> storage;
    std::uint8_t* pixels = nullptr;  // the first byte in memory, within storage
    bool section = false;
    bool readOnly = false;  // a picture's pixels, owned by the picture
    bool stock = false;
    HDC selectedInto = 0;

    std::uint8_t* Row(int y) const { return top + pitch * y; }
};

struct DeviceContext {
    bool screen = false;
    int screenWidth = 0;
    int screenHeight = 0;
    HBITMAP bitmap = 0;  // memory contexts only
};

class HandleTable {
  public:
    HANDLE AddBitmap(Bitmap bitmap);
    HANDLE AddDeviceContext(DeviceContext dc);
    Bitmap* FindBitmap(HANDLE handle);
    DeviceContext* FindDeviceContext(HANDLE handle);
    void Remove(HANDLE handle);
    HBITMAP StockBitmap();
    // Device contexts, bitmaps and live pictures (stock objects excluded).
    int LiveCount() const;
    // The picture has gone: a context still holding it falls back to its default bitmap
    // rather than keep pointing at freed pixels.
    void ForgetPicture(HANDLE handle);

  private:
    HANDLE NextFreeHandle();
    Bitmap* FindPictureBitmap(HANDLE handle);

    std::unordered_map<HANDLE, std::variant<Bitmap, DeviceContext>> objects_;
    // Pictures looked up so far and still alive, as bitmaps: which context holds each.
    std::unordered_map<HANDLE, Bitmap> pictures_;
    HANDLE next_ = 0x100;
    HBITMAP stock_ = 0;
};

HandleTable& Table();

// Bytes of one stored row of a bitmap of this format, or -1 when it does not fit an int.
std::int64_t StoredRowBytes(PixelFormat format, std::int64_t width);

}  // namespace platform::gdi::detail
