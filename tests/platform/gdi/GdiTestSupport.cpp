#include "GdiTestSupport.h"

namespace gdi_test {

Section::Section(int w, int h) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    bitmap = CreateDIBSection(0, &info, DIB_RGB_COLORS, &p, 0, 0);
    bits = static_cast<std::uint8_t*>(p);
    stride = (w * 3 + 3) & ~3;
    dc = CreateCompatibleDC(0);
    old = SelectObject(dc, bitmap);
}

Section::~Section() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

std::uint8_t* Section::RowOf(int y) const {
    const int memoryRow = height < 0 ? y : Rows() - 1 - y;
    return bits + static_cast<std::ptrdiff_t>(memoryRow) * stride;
}

std::uint32_t Section::Pixel(int x, int y) const {
    const std::uint8_t* p = RowOf(y) + std::ptrdiff_t{3} * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

void Section::SetPixel(int x, int y, std::uint32_t rgb) {
    std::uint8_t* p = RowOf(y) + std::ptrdiff_t{3} * x;
    p[0] = static_cast<std::uint8_t>(rgb);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb >> 16);
}

}  // namespace gdi_test
