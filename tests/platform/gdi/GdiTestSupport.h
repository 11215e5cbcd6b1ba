#pragma once
// A 24-bit section selected into its own memory context, its pixels read and written as
// 0xRRGGBB with y counted from the picture's top.

#include <cstdint>
#include <random>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdi_test {

using namespace platform::gdi;

inline BITMAPINFO Header24(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

struct Section {
    HDC dc = CreateCompatibleDC(0);
    std::uint8_t* bits = nullptr;
    HBITMAP bitmap;
    int width, height;  // height as requested: negative for top-down

    Section(int w, int h) : width(w), height(h) {
        const BITMAPINFO info = Header24(w, h);
        bitmap = CreateDIBSection(0, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), 0, 0);
        SelectObject(dc, bitmap);
    }
    ~Section() {
        DeleteDC(dc);  // releases the section, which can then go
        DeleteObject(bitmap);
    }

    int Rows() const { return height < 0 ? -height : height; }
    std::uint8_t* At(int x, int y) const {
        const int row = height < 0 ? y : Rows() - 1 - y;
        return bits + static_cast<std::ptrdiff_t>(row) * ((width * 3 + 3) & ~3) +
               std::ptrdiff_t{3} * x;
    }
    std::uint32_t Pixel(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return p[0] | p[1] << 8 | p[2] << 16;
    }
    void SetPixel(int x, int y, std::uint32_t rgb) const {
        std::uint8_t* p = At(x, y);
        p[0] = static_cast<std::uint8_t>(rgb);
        p[1] = static_cast<std::uint8_t>(rgb >> 8);
        p[2] = static_cast<std::uint8_t>(rgb >> 16);
    }
    // Every pixel, row by row from the top.
    std::vector<std::uint32_t> Pixels() const {
        std::vector<std::uint32_t> out;
        out.reserve(static_cast<std::size_t>(width) * Rows());
        for (int i = 0; i < width * Rows(); ++i) {
            out.push_back(Pixel(i % width, i / width));
        }
        return out;
    }
    void Fill(std::mt19937& rng) const {
        for (int i = 0; i < width * Rows(); ++i) {
            SetPixel(i % width, i / width, rng() & 0xFFFFFF);
        }
    }
};

}  // namespace gdi_test
