#include <gtest/gtest.h>

#include <set>

#include "GdiTestSupport.h"
#include "platform/Picture.h"

using namespace platform::gdi;
using gdi_test::Section;

namespace {

BITMAP Describe(HANDLE h) {
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(h, sizeof(BITMAP), &bm), static_cast<int>(sizeof(BITMAP)));
    return bm;
}

BITMAPINFO Header24(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    return info;
}

}  // namespace

TEST(GdiHandles, AreNonZeroUniqueAndCountedWhileAlive) {
    const int before = LiveHandleCount();
    std::set<HANDLE> seen;
    std::vector<HDC> dcs;
    for (int i = 0; i < 20; ++i) {
        dcs.push_back(CreateCompatibleDC(0));
        ASSERT_NE(dcs.back(), 0u);
        seen.insert(dcs.back());
    }
    EXPECT_EQ(seen.size(), 20u);
    EXPECT_EQ(LiveHandleCount(), before + 20);
    for (HDC dc : dcs) {
        EXPECT_EQ(DeleteDC(dc), TRUE);
    }
    EXPECT_EQ(LiveHandleCount(), before);
    EXPECT_EQ(DeleteDC(dcs.front()), FALSE);
}

TEST(GdiMemoryDc, StartsWithOneByOneMonochromeBitmapAndSelectReturnsThePrevious) {
    const HDC dc = CreateCompatibleDC(0);
    const BITMAPINFO info = Header24(3, 2);
    const HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, 0, 0);
    ASSERT_NE(section, 0u);
    const HGDIOBJ stock = SelectObject(dc, section);
    ASSERT_NE(stock, 0u);
    const BITMAP mono = Describe(stock);
    EXPECT_EQ(mono.bmWidth, 1);
    EXPECT_EQ(mono.bmHeight, 1);
    EXPECT_EQ(mono.bmBitsPixel, 1);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 0, 0), stock);
    EXPECT_EQ(SelectObject(dc, stock), section);
    // The stock bitmap is never deleted.
    EXPECT_EQ(DeleteObject(stock), FALSE);
    EXPECT_EQ(Describe(stock).bmWidth, 1);
    EXPECT_EQ(DeleteObject(section), TRUE);
    DeleteDC(dc);
}

TEST(GdiMemoryDc, BitmapLivesInOneContextAtATimeAndIsNotDeletedWhileSelected) {
    const HDC first = CreateCompatibleDC(0);
    const HDC second = CreateCompatibleDC(0);
    const BITMAPINFO info = Header24(2, 2);
    const HBITMAP section = CreateDIBSection(0, &info, DIB_RGB_COLORS, nullptr, 0, 0);
    const HGDIOBJ stock = SelectObject(first, section);
    EXPECT_EQ(SelectObject(second, section), 0u);
    EXPECT_EQ(DeleteObject(section), FALSE);
    EXPECT_EQ(Describe(section).bmWidth, 2);
    DeleteDC(first);  // releases the selection, not the bitmap
    EXPECT_NE(SelectObject(second, section), 0u);
    SelectObject(second, stock);
    EXPECT_EQ(DeleteObject(section), TRUE);
    DeleteDC(second);
}

TEST(GdiDibSection, DescribesItselfAndStartsZeroed) {
    const HDC dc = CreateCompatibleDC(0);
    const BITMAPINFO info = Header24(5, -3);
    void* bits = nullptr;
    const HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_NE(section, 0u);
    ASSERT_NE(bits, nullptr);
    const BITMAP bm = Describe(section);
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmWidthBytes, 16);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    EXPECT_EQ(bm.bmBits, bits);
    const auto* bytes = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < 48; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
    // Too small a buffer describes nothing.
    BITMAP small{};
    EXPECT_EQ(GetObjectA(section, 24, &small), 0);
    EXPECT_EQ(small.bmWidth, 0);
    EXPECT_EQ(GetObjectA(dc, sizeof(BITMAP), &small), 0);
    DeleteObject(section);
    DeleteDC(dc);
}

TEST(GdiDibSection, SizesThatCannotBeHonouredGiveZero) {
    const int before = LiveHandleCount();
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {0, 5}, {5, 0}, {-2, 5}, {0, 0}, {1 << 30, 4}, {100000, 100000}}) {
        const BITMAPINFO info = Header24(w, h);
        void* bits = &bits;
        EXPECT_EQ(CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0), 0u) << w << "x" << h;
        EXPECT_EQ(bits, nullptr);
    }
    BITMAPINFO wrongDepth = Header24(2, 2);
    wrongDepth.bmiHeader.biBitCount = 8;
    EXPECT_EQ(CreateDIBSection(0, &wrongDepth, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(GdiScreenDc, HasTheScreensFormatAndSizeAndTakesNoBitmap) {
    const HWND desktop = GetDesktopWindow();
    ASSERT_NE(desktop, 0u);
    const HDC screen = GetDC(desktop);
    ASSERT_NE(screen, 0u);
    const HBITMAP compatible = CreateCompatibleBitmap(screen, 7, 4);
    const BITMAP bm = Describe(compatible);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 7);
    EXPECT_EQ(bm.bmWidthBytes, 28);
    EXPECT_EQ(SelectObject(screen, compatible), 0u);
    // Memory contexts made from the screen's take it.
    const HDC memory = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(memory, compatible);
    EXPECT_NE(old, 0u);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(compatible);
    EXPECT_EQ(DeleteDC(screen), FALSE);
    EXPECT_EQ(ReleaseDC(desktop, screen), 1);
    EXPECT_EQ(ReleaseDC(desktop, screen), 0);
    EXPECT_EQ(CreateCompatibleDC(0x7FFFFFF0u), 0u);
}

TEST(GdiPictureBitmap, IsDescribedSelectedAndReadButNeverWritten) {
    const std::uint32_t pixels[] = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000001};
    const int before = LiveHandleCount();
    {
        const platform::Picture picture = platform::Picture::FromRgb32(3, 2, pixels, 12);
        EXPECT_EQ(LiveHandleCount(), before + 1);
        const BITMAP bm = Describe(picture.Handle());
        EXPECT_EQ(bm.bmWidth, 3);
        EXPECT_EQ(bm.bmHeight, 2);
        EXPECT_EQ(bm.bmBitsPixel, 32);
        EXPECT_EQ(DeleteObject(picture.Handle()), FALSE);

        const HDC dc = CreateCompatibleDC(0);
        const HGDIOBJ old = SelectObject(dc, picture.Handle());
        ASSERT_NE(old, 0u);
        Section target(3, 2);
        EXPECT_EQ(BitBlt(target.dc, 0, 0, 3, 2, dc, 0, 0, SRCCOPY), TRUE);
        EXPECT_EQ(target.Pixel(0, 0), 0x112233u);
        EXPECT_EQ(target.Pixel(2, 1), 0x000001u);
        // Writing into a picture is refused and changes nothing.
        EXPECT_EQ(BitBlt(dc, 0, 0, 3, 2, 0, 0, 0, WHITENESS), FALSE);
        EXPECT_EQ(BitBlt(dc, 0, 0, 3, 2, target.dc, 0, 0, NOTSRCCOPY), FALSE);
        EXPECT_EQ(picture.PixelAt(0, 0), 0x112233u);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(GdiPictureBitmap, DroppedWhileSelectedLeavesTheContextSafe) {
    const HDC dc = CreateCompatibleDC(0);
    HANDLE handle = 0;
    {
        const platform::Picture picture = platform::Picture::Filled(4, 4, 0xFF0000);
        handle = picture.Handle();
        SelectObject(dc, handle);
    }
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(handle, sizeof(BITMAP), &bm), 0);
    Section target(4, 4);
    EXPECT_EQ(BitBlt(target.dc, 0, 0, 4, 4, dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_NE(target.Pixel(0, 0), 0xFF0000u);
    DeleteDC(dc);
}
