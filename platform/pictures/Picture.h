#pragma once
// An immutable, shared picture. Its handle is non-zero and unique while any copy lives; the
// empty picture has handle 0. The handle is also a bitmap handle of the GDI equivalent, so a
// picture can be selected into a memory device context and read with BitBlt.

#include <cstdint>
#include <memory>

namespace platform {

class Picture {
  public:
    struct Data;

    Picture() = default;
    explicit Picture(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

    // Copies top-down 32-bit pixels (0xAARRGGBB words; alpha ignored). A size that cannot be
    // had is a failure, never a crash.
    static Picture FromRgb32(int width, int height, const std::uint32_t* pixels, int strideBytes);
    // A picture of one colour (0xRRGGBB).
    static Picture Filled(int width, int height, std::uint32_t rgb);

    std::uint32_t Handle() const;
    bool IsEmpty() const { return data_ == nullptr; }
    int PixelWidth() const;
    int PixelHeight() const;
    // Top-down rows of 0xFFRRGGBB words, Stride() bytes apart; null for the empty picture.
    const std::uint8_t* Bits() const;
    int Stride() const;
    std::uint32_t PixelAt(int x, int y) const;  // 0xRRGGBB; out of range is a failure

    const std::shared_ptr<const Data>& data() const { return data_; }

  private:
    std::shared_ptr<const Data> data_;
};

}  // namespace platform
