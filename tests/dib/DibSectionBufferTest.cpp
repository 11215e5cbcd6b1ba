#include <gtest/gtest.h>

#include "DibTestSupport.h"
#include "dib/cDIBSection.h"
#include "platform/Failure.h"
#include "platform/Picture.h"

using namespace platform::gdi;
using dib_test::Byte;

namespace {

int BytesPerScanLineFor(int width) {
    cDIBSection dib;
    dib.Create(width, 1);
    return dib.BytesPerScanLine();
}

}  // namespace

TEST(DibSectionBuffer, RowsArePaddedToFourBytes) {
    EXPECT_EQ(BytesPerScanLineFor(0), 0);
    EXPECT_EQ(BytesPerScanLineFor(1), 4);
    EXPECT_EQ(BytesPerScanLineFor(2), 8);
    EXPECT_EQ(BytesPerScanLineFor(3), 12);
    EXPECT_EQ(BytesPerScanLineFor(4), 12);
    EXPECT_EQ(BytesPerScanLineFor(5), 16);
}

TEST(DibSectionBuffer, CreateMakesTheBufferAndClearUpKeepsItsSize) {
    const int before = LiveHandleCount();
    cDIBSection dib;
    EXPECT_EQ(dib.hdc(), 0u);
    ASSERT_TRUE(dib.Create(100, 50));
    EXPECT_EQ(dib.Width(), 100);
    EXPECT_EQ(dib.Height(), 50);
    EXPECT_EQ(dib.BytesPerScanLine(), 300);
    EXPECT_EQ(dib.BitmapInfo().bmiHeader.biSizeImage, 15000u);
    EXPECT_EQ(dib.BitmapInfo().bmiHeader.biBitCount, 24);
    EXPECT_NE(dib.hdc(), 0u);
    EXPECT_NE(dib.hDib(), 0u);
    EXPECT_NE(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(LiveHandleCount(), before + 2);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(dib.hDib(), sizeof(BITMAP), &bm), 0);
    EXPECT_EQ(bm.bmBits, dib.DIBSectionBitsPtr());

    dib.ClearUp();
    EXPECT_EQ(dib.hdc(), 0u);
    EXPECT_EQ(dib.hDib(), 0u);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 100);
    EXPECT_EQ(dib.Height(), 50);
    EXPECT_EQ(dib.BytesPerScanLine(), 300);
    EXPECT_EQ(LiveHandleCount(), before);
    dib.ClearUp();  // on an empty object: nothing to release
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(DibSectionBuffer, SecondCreateReleasesTheFirstAndDestructionReleasesAll) {
    const int before = LiveHandleCount();
    {
        cDIBSection dib;
        ASSERT_TRUE(dib.Create(10, 10));
        const HBITMAP first = dib.hDib();
        ASSERT_TRUE(dib.Create(20, 5));
        EXPECT_EQ(LiveHandleCount(), before + 2);
        BITMAP bm{};
        EXPECT_EQ(GetObjectA(first, sizeof(BITMAP), &bm), 0);
        EXPECT_EQ(dib.Width(), 20);
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(DibSectionBuffer, RefusedSizesLeaveAnEmptyObject) {
    const int before = LiveHandleCount();
    cDIBSection dib;
    EXPECT_FALSE(dib.Create(0, 10));
    EXPECT_FALSE(dib.Create(-4, 10));
    EXPECT_FALSE(dib.Create(10, 0));
    EXPECT_EQ(dib.hdc(), 0u);
    EXPECT_EQ(dib.Width(), 10);  // the header keeps the requested size
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(DibSectionBuffer, OverflowingSizesFailAndLeaveNothingBehind) {
    const int before = LiveHandleCount();
    {
        cDIBSection dib;
        EXPECT_THROW(dib.Create(100000, 100000), platform::Failure);
        EXPECT_EQ(dib.hDib(), 0u);
        EXPECT_THROW(dib.Create(0x40000000, 1), platform::Failure);
        EXPECT_THROW(dib.BytesPerScanLine(), platform::Failure);
        dib.ClearUp();
        EXPECT_EQ(LiveHandleCount(), before);
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(DibSectionBuffer, NegativeHeightMakesATopDownSection) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(2, -3));
    EXPECT_EQ(dib.Height(), -3);
    // Paint white at the picture's top-left; in top-down memory that is row 0.
    cDIBSection white;
    ASSERT_TRUE(white.Create(1, 1));
    white.LoadPictureBlt(dib.hdc(), 0, 0, 1, 1, WHITENESS);
    dib.LoadPictureBlt(white.hdc(), 0, 0, 1, 1);
    EXPECT_EQ(Byte(dib, 0, 0), 255);
    EXPECT_EQ(Byte(dib, 0, 2), 0);
}

TEST(DibSectionBuffer, NegativeSizesInTransfersMeanTheWholeBufferAndZeroMeansNothing) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(6, 4));
    source.LoadPictureBlt(0, 0, 0, -1, -1, WHITENESS);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{-1, -1}, {-7, -1}, {-1, -100}}) {
        cDIBSection dest;
        ASSERT_TRUE(dest.Create(6, 4));
        dest.LoadPictureBlt(source.hdc(), 0, 0, w, h);
        EXPECT_EQ(Byte(dest, 0, 0), 255);
        EXPECT_EQ(Byte(dest, 17, 3), 255) << w << "," << h;
        cDIBSection painted;
        ASSERT_TRUE(painted.Create(6, 4));
        source.PaintPicture(painted.hdc(), 0, 0, w, h);
        EXPECT_EQ(Byte(painted, 17, 0), 255) << w << "," << h;
        EXPECT_EQ(Byte(painted, 0, 3), 255) << w << "," << h;
    }
    cDIBSection dest;
    ASSERT_TRUE(dest.Create(6, 4));
    dest.LoadPictureBlt(source.hdc(), 0, 0, 0, -1);
    dest.LoadPictureBlt(source.hdc(), 0, 0, -1, 0);
    source.PaintPicture(dest.hdc(), 0, 0, 0, -1);
    source.PaintPicture(dest.hdc(), 0, 0, -1, 0);
    for (const std::uint8_t b : dib_test::Bytes(dest)) {
        ASSERT_EQ(b, 0);
    }
    // Partial copies land at the buffer's top-left corner (the last rows of bottom-up memory).
    dest.LoadPictureBlt(source.hdc(), 3, 1, 2, 1);
    EXPECT_EQ(Byte(dest, 0, 3), 255);
    EXPECT_EQ(Byte(dest, 5, 3), 255);
    EXPECT_EQ(Byte(dest, 6, 3), 0);
    EXPECT_EQ(Byte(dest, 0, 2), 0);
}

TEST(DibSectionBuffer, TransfersOnAnEmptyObjectDoNothing) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(2, 2));
    source.LoadPictureBlt(0, 0, 0, -1, -1, WHITENESS);
    cDIBSection empty;
    empty.LoadPictureBlt(source.hdc());
    empty.PaintPicture(source.hdc(), 0, 0, -1, -1, 0, 0, BLACKNESS);
    EXPECT_EQ(Byte(source, 0, 0), 255);
}

TEST(DibSectionBuffer, CreateFromPictureCopiesItsPixelsTopRowLast) {
    std::vector<std::uint32_t> pixels(15);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint32_t>(0x010203 * (i + 1));
    }
    const platform::Picture picture = platform::Picture::FromRgb32(5, 3, pixels.data(), 20);
    const int before = LiveHandleCount();
    {
        cDIBSection dib;
        dib.CreateFromPicture(picture);
        ASSERT_EQ(dib.Width(), 5);
        ASSERT_EQ(dib.Height(), 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const std::uint32_t rgb = picture.PixelAt(x, y);
                const int row = 2 - y;  // bottom-up
                EXPECT_EQ(Byte(dib, 3 * x, row), rgb & 0xFF);
                EXPECT_EQ(Byte(dib, 3 * x + 1, row), (rgb >> 8) & 0xFF);
                EXPECT_EQ(Byte(dib, 3 * x + 2, row), rgb >> 16);
            }
        }
        EXPECT_EQ(LiveHandleCount(), before + 2);
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(DibSectionBuffer, CreateFromPictureThatDescribesNothingAsksForNoSize) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    dib.CreateFromPicture(platform::Picture());
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_EQ(dib.hdc(), 0u);
}

TEST(DibSectionBuffer, CreateDibWritesTheHeaderButKeepsTheObjectsHandles) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    const HDC dc = dib.hdc();
    const HBITMAP own = dib.hDib();
    HBITMAP other = 0;
    ASSERT_TRUE(dib.CreateDIB(dc, 7, 2, other));
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, own);
    EXPECT_EQ(dib.Width(), 7);
    EXPECT_EQ(dib.BytesPerScanLine(), 24);
    EXPECT_EQ(dib.hDib(), own);
    BITMAP bm{};
    GetObjectA(other, sizeof(BITMAP), &bm);
    EXPECT_EQ(bm.bmBits, dib.DIBSectionBitsPtr());
    EXPECT_EQ(DeleteObject(other), TRUE);
}
