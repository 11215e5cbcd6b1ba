#pragma once
// Every live picture by its handle, with its pixels. The GDI equivalent reads a picture
// through it when the picture's handle is selected into a device context, so pictures need
// not know the GDI equivalent. A picture enters when it is made and leaves when its last copy
// goes. Picture handles have the top bit set, and the GDI equivalent's own handles never do,
// so that one handle never names two things.

#include <cstdint>
#include <optional>

namespace platform {

// Top-down rows of 0xFFRRGGBB words, stride bytes apart; read-only, and kept by the picture.
struct PicturePixels {
    int width = 0;
    int height = 0;
    const std::uint8_t* bits = nullptr;
    int stride = 0;
};

constexpr std::uint32_t kFirstPictureHandle = 0x80000000u;

constexpr bool IsPictureHandle(std::uint32_t handle) {
    return handle >= kFirstPictureHandle;
}

// A handle for the pixels of a new picture, unique among the live ones; never 0.
std::uint32_t RegisterPicture(const PicturePixels& pixels);
// After this the handle names nothing, and the listener (if any) hears of it.
void UnregisterPicture(std::uint32_t handle);

// The pixels of the live picture with this handle; nothing for any other handle.
std::optional<PicturePixels> FindPicture(std::uint32_t handle);
int LivePictureCount();

// Told a picture's handle once the picture has gone, on the thread that let it go, so that
// whatever still holds the handle can let it go. One listener at a time; null for none.
using PictureGoneListener = void (*)(std::uint32_t handle);
void SetPictureGoneListener(PictureGoneListener listener);

}  // namespace platform
