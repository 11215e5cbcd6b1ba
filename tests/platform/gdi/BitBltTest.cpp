#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>

#include "GdiTestSupport.h"
#include "platform/gdi/RasterOp.h"

using gdi_test::Section;
using namespace platform::gdi;

// The truth table read literally, bit by bit, with the white default brush as the pattern.
TEST(GdiBitBlt, EveryRasterOperationFollowsItsTruthTable) {
    std::mt19937 rng(7);
    Section source(6, 3), dest(6, 3);
    source.Fill(rng);
    const std::vector<std::uint32_t> s = source.Pixels();
    for (unsigned index = 0; index < 256; ++index) {
        dest.Fill(rng);
        const std::vector<std::uint32_t> d = dest.Pixels();
        ASSERT_EQ(BitBlt(dest.dc, 0, 0, 6, 3, source.dc, 0, 0, index << 16), TRUE) << index;
        const std::vector<std::uint32_t> out = dest.Pixels();
        bool usesSource = false;
        for (std::size_t i = 0; i < out.size(); ++i) {
            for (unsigned bit = 0; bit < 24; ++bit) {
                const unsigned row = 4u | ((s[i] >> bit) & 1u) << 1 | ((d[i] >> bit) & 1u);
                ASSERT_EQ((out[i] >> bit) & 1u, (index >> row) & 1u) << "rop " << index;
            }
        }
        for (unsigned row = 0; row < 8; ++row) {
            usesSource = usesSource || ((index >> row) & 1u) != ((index >> (row ^ 2u)) & 1u);
        }
        EXPECT_EQ(detail::RopUsesSource(index << 16), usesSource) << index;
    }
    // An operation without source never looks at the source context, valid or not.
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, 6, 3, 0xDEADBEEF, 0, 0, WHITENESS), TRUE);
    EXPECT_EQ(dest.Pixels(), std::vector<std::uint32_t>(18, 0xFFFFFF));
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, 6, 3, 0xDEADBEEF, 0, 0, SRCCOPY), FALSE);
}

// Random rectangles against a per-pixel reference that changes only pixels inside both bitmaps
// (the destination alone without a source): bitmaps of 1 to 9 pixels either way up, extents of
// either sign, some copies overlapping within one bitmap, plain copies and operations that mix
// source and destination or read neither.
TEST(GdiBitBlt, ClipsToBothBitmapsWithAnyRectangle) {
    std::mt19937 rng(11);
    const auto size = [&] { return 1 + static_cast<int>(rng() % 9); };
    const auto coord = [&] { return static_cast<int>(rng() % 17) - 6; };
    for (int round = 0; round < 1500; ++round) {
        Section source(size(), size() * (round % 2 ? 1 : -1));
        Section dest(size(), size() * (round % 3 ? 1 : -1));
        source.Fill(rng);
        dest.Fill(rng);
        const Section& from = round % 4 == 0 ? dest : source;
        const std::vector<std::uint32_t> src = from.Pixels(), before = dest.Pixels();
        std::vector<std::uint32_t> expected = before;
        const DWORD rop = std::array{SRCCOPY, SRCINVERT, BLACKNESS}[rng() % 3];
        const bool withSource = rop != BLACKNESS;
        const int x = coord(), y = coord(), cx = coord(), cy = coord();
        // Within one bitmap the source lies near the destination, so that the two overlap.
        const auto near = [&](int at) {
            return &from == &dest ? at + static_cast<int>(rng() % 5) - 2 : coord();
        };
        const int x1 = near(x), y1 = near(y);
        // A negative extent ends at its corner, unmirrored: both rectangles start |extent| - 1
        // earlier.
        const int startX = cx < 0 ? cx + 1 : 0, startY = cy < 0 ? cy + 1 : 0;
        for (int j = 0; j < std::abs(cy); ++j) {
            for (int i = 0; i < std::abs(cx); ++i) {
                const int dx = x + startX + i, dy = y + startY + j;
                const int sx = x1 + startX + i, sy = y1 + startY + j;
                if (dx < 0 || dy < 0 || dx >= dest.width || dy >= dest.Rows() ||
                    (withSource && (sx < 0 || sy < 0 || sx >= from.width || sy >= from.Rows()))) {
                    continue;
                }
                const int at = dy * dest.width + dx;
                const std::uint32_t s = withSource ? src[sy * from.width + sx] : 0;
                expected[at] = rop == SRCINVERT ? s ^ before[at] : s;
            }
        }
        ASSERT_EQ(BitBlt(dest.dc, x, y, cx, cy, withSource ? from.dc : 0, x1, y1, rop), TRUE);
        ASSERT_EQ(dest.Pixels(), expected) << "round " << round << ", rop " << (rop >> 16);
    }
    // Extreme rectangles clip to nothing and succeed; missing contexts fail.
    Section dest(4, 4), source(4, 4);
    source.SetPixel(0, 0, 0xABCDEF);
    EXPECT_EQ(
        BitBlt(dest.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, source.dc, INT_MAX, INT_MAX, SRCCOPY),
        TRUE);
    EXPECT_EQ(
        BitBlt(dest.dc, INT_MAX, INT_MAX, INT_MIN, INT_MIN, source.dc, INT_MIN, INT_MIN, SRCCOPY),
        TRUE);
    EXPECT_EQ(BitBlt(dest.dc, 4, 0, 4, 4, source.dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(dest.Pixel(0, 0), 0u);
    EXPECT_EQ(BitBlt(0, 0, 0, 4, 4, source.dc, 0, 0, SRCCOPY), FALSE);
}

// The screen context has the screen's 32-bit format (whose bitmaps GdiMemoryDc describes), and
// takes no bitmap itself.
TEST(GdiBitBlt, ConvertsBetweenSectionsScreenBitmapsAndMonochrome) {
    const HDC screen = GetDC(GetDesktopWindow());
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP screenBitmap = CreateCompatibleBitmap(screen, 3, 2);
    EXPECT_EQ(SelectObject(screen, screenBitmap), 0u);
    const HGDIOBJ stock = SelectObject(memory, screenBitmap);
    Section source(3, 2), back(3, 2), mono(2, 1);
    source.SetPixel(0, 0, 0x123456);
    source.SetPixel(2, 1, 0xFFFFFF);
    ASSERT_EQ(BitBlt(memory, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY), TRUE);
    ASSERT_EQ(BitBlt(back.dc, 0, 0, 3, 2, memory, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(back.Pixels(), source.Pixels());
    // Through the monochrome default bitmap: white stays white, every other colour is black.
    SelectObject(memory, stock);
    for (const std::uint32_t colour : {0xFFFFFFu, 0xFFFFFEu}) {
        source.SetPixel(0, 0, colour);
        ASSERT_EQ(BitBlt(memory, 0, 0, 1, 1, source.dc, 0, 0, SRCCOPY), TRUE);
        ASSERT_EQ(BitBlt(mono.dc, 0, 0, 2, 1, memory, 0, 0, SRCCOPY), TRUE);
        EXPECT_EQ(mono.Pixel(0, 0), colour == 0xFFFFFFu ? colour : 0u);
    }
    // The screen's own context holds no pixels here; transfers on it draw nothing.
    EXPECT_EQ(BitBlt(screen, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY), FALSE);
    EXPECT_EQ(BitBlt(back.dc, 0, 0, 3, 2, screen, 0, 0, SRCCOPY), FALSE);
    EXPECT_EQ(back.Pixel(0, 0), 0x123456u);
    DeleteObject(screenBitmap);
    DeleteDC(memory);
    EXPECT_EQ(DeleteDC(screen), FALSE);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 1);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 0);
}
