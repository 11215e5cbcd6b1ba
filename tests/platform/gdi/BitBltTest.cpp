#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "GdiTestSupport.h"
#include "platform/gdi/RasterOp.h"

using namespace platform::gdi;
using gdi_test::Section;

namespace {

// The truth table read literally, one bit of one channel at a time.
std::uint32_t ExpectedRop(unsigned index, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    std::uint32_t out = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const unsigned row = ((p >> bit) & 1u) << 2 | ((s >> bit) & 1u) << 1 | ((d >> bit) & 1u);
        out |= ((index >> row) & 1u) << bit;
    }
    return out;
}

void Fill(Section& section, std::mt19937& rng) {
    for (int y = 0; y < section.Rows(); ++y) {
        for (int x = 0; x < section.width; ++x) {
            section.SetPixel(x, y, rng() & 0xFFFFFF);
        }
    }
}

}  // namespace

TEST(GdiBitBlt, EveryRasterOperationFollowsItsTruthTable) {
    std::mt19937 rng(7);
    Section source(6, 3);
    Section dest(6, 3);
    Fill(source, rng);
    for (unsigned index = 0; index < 256; ++index) {
        Fill(dest, rng);
        std::vector<std::uint32_t> before;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 6; ++x) {
                before.push_back(dest.Pixel(x, y));
            }
        }
        const DWORD rop = index << 16;
        ASSERT_EQ(BitBlt(dest.dc, 0, 0, 6, 3, source.dc, 0, 0, rop), TRUE) << index;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 6; ++x) {
                ASSERT_EQ(dest.Pixel(x, y),
                          ExpectedRop(index, 0xFFFFFF, source.Pixel(x, y), before[y * 6 + x]))
                    << "rop " << index << " at " << x << "," << y;
            }
        }
    }
}

TEST(GdiBitBlt, SourceIsUsedExactlyWhenTheTableDependsOnIt) {
    for (unsigned index = 0; index < 256; ++index) {
        bool depends = false;
        for (unsigned row = 0; row < 8; ++row) {
            depends = depends || ((index >> row) & 1u) != ((index >> (row ^ 2u)) & 1u);
        }
        EXPECT_EQ(platform::gdi::detail::RopUsesSource(index << 16), depends) << index;
    }
    // An operation without source never looks at the source context, valid or not.
    Section dest(2, 2);
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, 2, 2, 0xDEADBEEF, 0, 0, WHITENESS), TRUE);
    EXPECT_EQ(dest.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, 1, 1, 0, 0, 0, DSTINVERT), TRUE);
    EXPECT_EQ(dest.Pixel(0, 0), 0u);
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, 2, 2, 0xDEADBEEF, 0, 0, SRCCOPY), FALSE);
}

// Random rectangles against a per-pixel reference that only copies pixels lying inside both
// bitmaps; bitmaps of 1 to 9 pixels, both orientations, overlapping copies within one.
TEST(GdiBitBlt, ClipsToBothBitmapsWithAnyRectangle) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> size(1, 9);
    std::uniform_int_distribution<int> coord(-12, 12);
    for (int round = 0; round < 400; ++round) {
        const int sw = size(rng);
        const int sh = size(rng) * (rng() % 2 ? 1 : -1);
        Section source(sw, sh);
        Section dest(size(rng), size(rng) * (rng() % 2 ? 1 : -1));
        Fill(source, rng);
        Fill(dest, rng);
        const bool same = rng() % 4 == 0;
        const Section& from = same ? dest : source;
        std::vector<std::uint32_t> src;
        for (int y = 0; y < from.Rows(); ++y) {
            for (int x = 0; x < from.width; ++x) {
                src.push_back(from.Pixel(x, y));
            }
        }
        std::vector<std::uint32_t> expected;
        for (int y = 0; y < dest.Rows(); ++y) {
            for (int x = 0; x < dest.width; ++x) {
                expected.push_back(dest.Pixel(x, y));
            }
        }
        const int x = coord(rng), y = coord(rng), cx = coord(rng), cy = coord(rng);
        const int x1 = coord(rng), y1 = coord(rng);
        for (int j = 0; j < cy; ++j) {
            for (int i = 0; i < cx; ++i) {
                const int dx = x + i, dy = y + j, sx = x1 + i, sy = y1 + j;
                if (dx >= 0 && dy >= 0 && dx < dest.width && dy < dest.Rows() && sx >= 0 &&
                    sy >= 0 && sx < from.width && sy < from.Rows()) {
                    expected[dy * dest.width + dx] = src[sy * from.width + sx];
                }
            }
        }
        ASSERT_EQ(BitBlt(dest.dc, x, y, cx, cy, from.dc, x1, y1, SRCCOPY), TRUE);
        for (int py = 0; py < dest.Rows(); ++py) {
            for (int px = 0; px < dest.width; ++px) {
                ASSERT_EQ(dest.Pixel(px, py), expected[py * dest.width + px])
                    << "round " << round << " pixel " << px << "," << py;
            }
        }
    }
}

TEST(GdiBitBlt, ConvertsBetweenSectionsScreenBitmapsAndMonochrome) {
    const HDC screen = GetDC(GetDesktopWindow());
    ASSERT_NE(screen, 0u);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP screenBitmap = CreateCompatibleBitmap(screen, 3, 2);
    const HGDIOBJ stock = SelectObject(memory, screenBitmap);
    Section source(3, 2);
    source.SetPixel(0, 0, 0x123456);
    source.SetPixel(2, 1, 0xFFFFFF);
    ASSERT_EQ(BitBlt(memory, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY), TRUE);
    Section back(3, 2);
    ASSERT_EQ(BitBlt(back.dc, 0, 0, 3, 2, memory, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(back.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(back.Pixel(2, 1), 0xFFFFFFu);
    EXPECT_EQ(back.Pixel(1, 0), 0u);

    // Into the monochrome default bitmap: white stays white, every other colour is black.
    SelectObject(memory, stock);
    Section grey(1, 1);
    ASSERT_EQ(BitBlt(memory, 0, 0, 1, 1, source.dc, 2, 1, SRCCOPY), TRUE);
    ASSERT_EQ(BitBlt(grey.dc, 0, 0, 1, 1, memory, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(grey.Pixel(0, 0), 0xFFFFFFu);
    ASSERT_EQ(BitBlt(memory, 0, 0, 1, 1, source.dc, 0, 0, SRCCOPY), TRUE);
    ASSERT_EQ(BitBlt(grey.dc, 0, 0, 1, 1, memory, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(grey.Pixel(0, 0), 0u);

    // The screen's own context holds no pixels here; transfers on it draw nothing.
    EXPECT_EQ(BitBlt(screen, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY), FALSE);
    EXPECT_EQ(BitBlt(back.dc, 0, 0, 3, 2, screen, 0, 0, SRCCOPY), FALSE);
    EXPECT_EQ(back.Pixel(0, 0), 0x123456u);
    DeleteObject(screenBitmap);
    DeleteDC(memory);
    ReleaseDC(GetDesktopWindow(), screen);
}

TEST(GdiBitBlt, EmptyOrMissingTargetsDrawNothing) {
    Section dest(4, 4);
    Section source(4, 4);
    source.SetPixel(0, 0, 0xABCDEF);
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, 0, 4, source.dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(BitBlt(dest.dc, 0, 0, -4, -4, source.dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(BitBlt(dest.dc, 4, 0, 4, 4, source.dc, 0, 0, SRCCOPY), TRUE);
    EXPECT_EQ(BitBlt(dest.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, source.dc, INT32_MAX,
                     INT32_MAX, SRCCOPY),
              TRUE);
    EXPECT_EQ(dest.Pixel(0, 0), 0u);
    EXPECT_EQ(BitBlt(0, 0, 0, 4, 4, source.dc, 0, 0, SRCCOPY), FALSE);
    const HDC deleted = CreateCompatibleDC(0);
    DeleteDC(deleted);
    EXPECT_EQ(BitBlt(deleted, 0, 0, 4, 4, source.dc, 0, 0, SRCCOPY), FALSE);
}
