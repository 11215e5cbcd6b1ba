#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <set>
#include <tuple>

#include "GdiTestSupport.h"
#include "platform/pictures/Picture.h"

using gdi_test::Header24;
using gdi_test::Section;
using namespace platform::gdi;

namespace {

BITMAP Describe(HANDLE h) {
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(h, sizeof(BITMAP), &bm), static_cast<int>(sizeof(BITMAP)));
    return bm;
}

}  // namespace

TEST(GdiHandles, AreNonZeroAndNeverReusedWhileAlive) {
    const int before = LiveHandleCount();
    std::set<HANDLE> alive;
    for (int i = 0; i < 30; ++i) {
        const HDC dc = CreateCompatibleDC(0);
        EXPECT_TRUE(dc != 0 && alive.insert(dc).second) << dc;
        if (i % 3 == 0) {  // handles are also made while freed ones are about
            EXPECT_EQ(DeleteDC(*alive.begin()), TRUE);
            EXPECT_EQ(DeleteDC(*alive.begin()), FALSE);
            alive.erase(alive.begin());
        }
    }
    EXPECT_EQ(LiveHandleCount(), before + static_cast<int>(alive.size()));
    for (const HANDLE dc : alive) {
        DeleteDC(dc);
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(GdiMemoryDc, StartsWithAOneByOneMonochromeBitmapAndLendsABitmapToOneContext) {
    const HDC first = CreateCompatibleDC(0), second = CreateCompatibleDC(0);
    const BITMAPINFO info = Header24(3, 2);
    const HBITMAP section = CreateDIBSection(first, &info, DIB_RGB_COLORS, nullptr, 0, 0);
    const HGDIOBJ stock = SelectObject(first, section);
    const BITMAP mono = Describe(stock);
    EXPECT_EQ(std::tuple(mono.bmWidth, mono.bmHeight, mono.bmBitsPixel), std::tuple(1, 1, 1));
    EXPECT_EQ(CreateCompatibleBitmap(first, 0, 0), stock);
    EXPECT_EQ(DeleteObject(stock), FALSE);  // the stock bitmap is never deleted
    // Selected in one context: not in another, and not deleted.
    EXPECT_EQ(SelectObject(second, section), 0u);
    EXPECT_EQ(DeleteObject(section), FALSE);
    EXPECT_EQ(SelectObject(first, stock), section);
    EXPECT_NE(SelectObject(second, section), 0u);
    DeleteDC(second);  // releases the selection, not the bitmap
    EXPECT_EQ(Describe(section).bmWidth, 3);
    EXPECT_EQ(DeleteObject(section), TRUE);
    DeleteDC(first);
}

// A context holding a section makes sections (bottom-up, whichever way the one it holds runs);
// one holding a monochrome bitmap makes monochrome ones; the screen's makes 32-bit bitmaps.
TEST(GdiMemoryDc, CompatibleBitmapsTakeTheFormatOfWhatTheContextHolds) {
    const int before = LiveHandleCount();
    Section held(2, -2);
    const HBITMAP made = CreateCompatibleBitmap(held.dc, 5, 3);
    const BITMAP bm = Describe(made);
    EXPECT_EQ(std::tuple(bm.bmWidth, bm.bmHeight, bm.bmWidthBytes, bm.bmBitsPixel),
              std::tuple(5, 3, 16, 24));
    ASSERT_NE(bm.bmBits, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(bm.bmBits);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 48), std::vector<std::uint8_t>(48, 0));
    // The picture's top-left pixel is the first of the last row in memory.
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ stock = SelectObject(dc, made);
    held.SetPixel(0, 0, 0x0A0B0C);
    ASSERT_EQ(BitBlt(dc, 0, 0, 1, 1, held.dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes + 32, bytes + 35),
              (std::vector<std::uint8_t>{0x0C, 0x0B, 0x0A}));

    SelectObject(dc, stock);
    const HBITMAP mono = CreateCompatibleBitmap(dc, 5, 3);
    EXPECT_EQ(std::tuple(Describe(mono).bmBitsPixel, Describe(mono).bmBits),
              std::tuple(1, nullptr));
    const HDC screen = GetDC(GetDesktopWindow());
    const HBITMAP wide = CreateCompatibleBitmap(screen, 5, 3);
    const BITMAP screenBm = Describe(wide);
    EXPECT_EQ(std::tuple(screenBm.bmWidthBytes, screenBm.bmBitsPixel, screenBm.bmBits),
              std::tuple(20, 32, nullptr));
    // A context holding such a 32-bit bitmap makes 32-bit bitmaps too.
    SelectObject(dc, wide);
    const HBITMAP again = CreateCompatibleBitmap(dc, 2, 2);
    EXPECT_EQ(Describe(again).bmBitsPixel, 32);
    SelectObject(dc, stock);
    for (const HBITMAP bitmap : {made, mono, wide, again}) {
        EXPECT_EQ(DeleteObject(bitmap), TRUE);
    }
    DeleteDC(dc);
    ReleaseDC(GetDesktopWindow(), screen);
    EXPECT_EQ(LiveHandleCount(), before + 2);  // the held section and its context
}

TEST(GdiDibSection, DescribesItselfStartsZeroedAndRefusesWhatItCannotHonour) {
    const BITMAPINFO info = Header24(5, -3);
    void* bits = nullptr;
    const HBITMAP section = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
    const BITMAP bm = Describe(section);
    EXPECT_EQ(std::tuple(bm.bmWidth, bm.bmHeight, bm.bmWidthBytes, bm.bmPlanes, bm.bmBitsPixel),
              std::tuple(5, 3, 16, 1, 24));
    ASSERT_EQ(bm.bmBits, bits);
    const auto* bytes = static_cast<const std::uint8_t*>(bits);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 48), std::vector<std::uint8_t>(48, 0));
    BITMAP small{};
    EXPECT_EQ(GetObjectA(section, 24, &small), 0);  // smaller than BITMAP: nothing
    EXPECT_EQ(small.bmWidth, 0);
    DeleteObject(section);

    const int before = LiveHandleCount();
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {0, 5}, {5, 0}, {-2, 5}, {1 << 30, 4}, {100000, 100000}}) {
        const BITMAPINFO refused = Header24(w, h);
        EXPECT_EQ(CreateDIBSection(0, &refused, DIB_RGB_COLORS, &bits, 0, 0), 0u) << w << "x" << h;
        EXPECT_EQ(bits, nullptr);
    }
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
    EXPECT_EQ(LiveHandleCount(), before);
}

// A picture's handle is its own while it lives, shared by its copies, and names a bitmap that
// may be read but never written.
TEST(GdiPictureBitmap, IsDescribedAndReadButNeverWrittenAndGoesWithThePicture) {
    const std::uint32_t pixels[] = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000001};
    EXPECT_EQ(platform::Picture().Handle(), 0u);
    EXPECT_TRUE(platform::Picture::FromRgb32(0, 5, pixels, 12).IsEmpty());
    const HDC dc = CreateCompatibleDC(0);
    const int before = LiveHandleCount();
    {
        const platform::Picture picture = platform::Picture::FromRgb32(3, 2, pixels, 12);
        std::vector<platform::Picture> alive;
        std::set<std::uint32_t> handles{picture.Handle()};
        for (int i = 0; i < 50; ++i) {
            alive.push_back(platform::Picture::Filled(2, 2, 0x102030));
            handles.insert(alive.back().Handle());
        }
        EXPECT_EQ(handles.size(), 51u);
        EXPECT_EQ(handles.count(0), 0u);
        EXPECT_EQ(platform::Picture(picture).Handle(), picture.Handle());  // a copy shares it
        EXPECT_EQ(LiveHandleCount(), before + 51);
        alive.clear();
        EXPECT_EQ(Describe(picture.Handle()).bmBitsPixel, 32);
        EXPECT_EQ(DeleteObject(picture.Handle()), FALSE);
        ASSERT_NE(SelectObject(dc, picture.Handle()), 0u);
        Section target(3, 2);
        EXPECT_EQ(BitBlt(target.dc, 0, 0, 3, 2, dc, 0, 0, SRCCOPY), TRUE);
        EXPECT_EQ(target.Pixels(), std::vector<std::uint32_t>(pixels, pixels + 6));
        EXPECT_EQ(BitBlt(dc, 0, 0, 3, 2, 0, 0, 0, WHITENESS), FALSE);
        EXPECT_EQ(BitBlt(dc, 0, 0, 3, 2, target.dc, 0, 0, NOTSRCCOPY), FALSE);
        EXPECT_EQ(std::tuple(picture.PixelAt(0, 0), picture.PixelAt(1, 1)),
                  std::tuple(0x112233u, 0xDDEEFFu));
        EXPECT_THROW(picture.PixelAt(3, 0), std::exception);
    }
    // Dropped while selected: the handle describes nothing and the context reads no pixels.
    EXPECT_EQ(LiveHandleCount(), before);
    Section target(3, 2);
    EXPECT_EQ(BitBlt(target.dc, 0, 0, 3, 2, dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(target.Pixel(0, 0), 0u);
    DeleteDC(dc);
}

// What the clipboard shows of a bitmap handed over is checked with cDIBSection's export.
TEST(GdiClipboard, CallsFailUnlessOpenAndSetClipboardDataTakesTheBitmap) {
    QGuiApplication::clipboard()->setText("earlier");
    const HDC screen = GetDC(GetDesktopWindow());
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_EQ(EmptyClipboard(), FALSE);
    EXPECT_EQ(CloseClipboard(), FALSE);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0u);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier");

    const int live = LiveHandleCount();
    ASSERT_EQ(OpenClipboard(0), TRUE);
    EXPECT_EQ(OpenClipboard(0), FALSE);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0u);  // still selected, so in use
    SelectObject(memory, old);
    EXPECT_EQ(SetClipboardData(1, bitmap), 0u);  // only CF_BITMAP is offered
    EXPECT_EQ(EmptyClipboard(), TRUE);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EXPECT_EQ(CloseClipboard(), TRUE);
    EXPECT_EQ(LiveHandleCount(), live - 1);
    EXPECT_EQ(DeleteObject(bitmap), FALSE);
    QCoreApplication::processEvents();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(3, 2));
    DeleteDC(memory);
    ReleaseDC(GetDesktopWindow(), screen);
}
