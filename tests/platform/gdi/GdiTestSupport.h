#pragma once
// Small helpers shared by the GDI tests: sections with known pixels and reading them back.

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdi_test {

using namespace platform::gdi;

// A 24-bit section selected into its own memory context.
struct Section {
    HDC dc = 0;
    HBITMAP bitmap = 0;
    HGDIOBJ old = 0;
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;  // as requested: negative for top-down
    int stride = 0;

    Section(int w, int h);
    ~Section();
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    int Rows() const { return height < 0 ? -height : height; }
    // Pixel (x, y) counted from the picture's top, as 0xRRGGBB.
    std::uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, std::uint32_t rgb);
    std::uint8_t* RowOf(int y) const;  // y from the top
};

}  // namespace gdi_test
