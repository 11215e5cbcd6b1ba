#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstring>
#include <set>
#include <tuple>

#include "DibTestSupport.h"
#include "platform/gdi/MessageBoxHook.h"
#include "platform/pictures/Picture.h"
#include "platform/runtime/Failure.h"

using namespace platform::gdi;
using dib_test::Byte;
using dib_test::PixelBytes;

TEST(DibSectionBuffer, RowsArePaddedToFourBytes) {
    const int expected[] = {0, 4, 8, 12, 12, 16};
    for (int width = 0; width <= 5; ++width) {
        cDIBSection dib;
        dib.Create(width, 1);
        EXPECT_EQ(dib.BytesPerScanLine(), expected[width]) << width;
    }
}

TEST(DibSectionBuffer, CreateReleasesTheEarlierBufferAndClearUpKeepsTheSize) {
    const int before = LiveHandleCount();
    {
        cDIBSection dib;
        ASSERT_TRUE(dib.Create(10, 10));
        const HBITMAP first = dib.hDib();
        ASSERT_TRUE(dib.Create(100, 50));
        EXPECT_EQ(LiveHandleCount(), before + 2);
        BITMAP bm{};
        EXPECT_EQ(GetObjectA(first, sizeof(BITMAP), &bm), 0);
        const auto size = [&] {
            return std::tuple(dib.Width(), dib.Height(), dib.BytesPerScanLine());
        };
        EXPECT_EQ(size(), std::tuple(100, 50, 300));
        EXPECT_EQ(dib.BitmapInfo().bmiHeader.biSizeImage, 15000u);
        EXPECT_NE(dib.hdc(), 0u);
        ASSERT_NE(GetObjectA(dib.hDib(), sizeof(BITMAP), &bm), 0);
        EXPECT_EQ(bm.bmBits, dib.DIBSectionBitsPtr());
        EXPECT_NE(bm.bmBits, nullptr);

        dib.ClearUp();
        EXPECT_EQ(std::tuple(dib.hdc(), dib.hDib(), dib.DIBSectionBitsPtr()),
                  std::tuple(0u, 0u, nullptr));
        EXPECT_EQ(size(), std::tuple(100, 50, 300));
        EXPECT_EQ(LiveHandleCount(), before);
        // Refused and overflowing sizes leave nothing behind either.
        EXPECT_FALSE(dib.Create(0, 10) || dib.Create(-4, 10) || dib.Create(10, 0));
        EXPECT_EQ(LiveHandleCount(), before);
        EXPECT_THROW(dib.Create(100000, 100000), platform::Failure);
        EXPECT_EQ(dib.hDib(), 0u);  // the context made stays until the next release
        ASSERT_TRUE(dib.Create(3, 3));
        EXPECT_EQ(LiveHandleCount(), before + 2);
        // CreateDIB called directly describes its new section but keeps the object's handles.
        const HBITMAP own = dib.hDib();
        HBITMAP other = 0;
        ASSERT_TRUE(dib.CreateDIB(dib.hdc(), 7, 2, other));
        EXPECT_EQ(std::tuple(dib.hDib(), dib.BytesPerScanLine()), std::tuple(own, 24));
        ASSERT_NE(GetObjectA(other, sizeof(BITMAP), &bm), 0);
        EXPECT_EQ(bm.bmBits, dib.DIBSectionBitsPtr());
        EXPECT_EQ(DeleteObject(other), TRUE);
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST(DibSectionBuffer, TransfersTakeNegativeSizesAsTheWholeBufferAndZeroAsNothing) {
    cDIBSection white;
    ASSERT_TRUE(white.Create(6, 4));
    white.LoadPictureBlt(0, 0, 0, -1, -1, WHITENESS);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{-1, -1}, {-7, -1}, {-1, -100}}) {
        cDIBSection loaded, painted;
        ASSERT_TRUE(loaded.Create(6, 4) && painted.Create(6, 4));
        loaded.LoadPictureBlt(white.hdc(), 0, 0, w, h);
        white.PaintPicture(painted.hdc(), 0, 0, w, h);
        EXPECT_EQ(PixelBytes(loaded), std::vector<std::uint8_t>(72, 255)) << w << "," << h;
        EXPECT_EQ(PixelBytes(painted), std::vector<std::uint8_t>(72, 255)) << w << "," << h;
    }
    cDIBSection dest;
    ASSERT_TRUE(dest.Create(6, 4));
    dest.LoadPictureBlt(white.hdc(), 0, 0, 0, -1);
    dest.LoadPictureBlt(white.hdc(), 0, 0, -1, 0);
    white.PaintPicture(dest.hdc(), 0, 0, 0, -1);
    white.PaintPicture(dest.hdc(), 0, 0, -1, 0);
    EXPECT_EQ(PixelBytes(dest), std::vector<std::uint8_t>(72, 0));
    // A negative height is top-down: the picture's top row comes first in memory.
    cDIBSection topDown;
    ASSERT_TRUE(topDown.Create(2, -3));
    EXPECT_EQ(topDown.Height(), -3);
    topDown.LoadPictureBlt(white.hdc(), 0, 0, 1, 1);
    EXPECT_EQ(Byte(topDown, 0, 0), 255);
    EXPECT_EQ(Byte(topDown, 0, 2), 0);
    // An object without a buffer transfers nothing.
    cDIBSection empty;
    empty.PaintPicture(white.hdc(), 0, 0, -1, -1, 0, 0, BLACKNESS);
    EXPECT_EQ(Byte(white, 0, 0), 255);
}

TEST(DibSectionBuffer, CreateFromPictureCopiesItsPixelsOrAsksForNoSize) {
    const std::uint32_t pixels[] = {0x010203, 0x040506, 0x070809, 0x0A0B0C};  // top row first
    const platform::Picture picture = platform::Picture::FromRgb32(2, 2, pixels, 8);
    const int before = LiveHandleCount();
    {
        cDIBSection dib;
        dib.CreateFromPicture(picture);
        EXPECT_EQ(std::tuple(dib.Width(), dib.Height()), std::tuple(2, 2));
        EXPECT_EQ(PixelBytes(dib),
                  (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));
        EXPECT_EQ(LiveHandleCount(), before + 2);
        dib.CreateFromPicture(platform::Picture());
        EXPECT_EQ(std::tuple(dib.Width(), dib.Height(), dib.hdc()), std::tuple(0, 0, 0u));
    }
    EXPECT_EQ(LiveHandleCount(), before);
}

// Every byte starts at 0xEE, so a pixel byte left unwritten or a padding byte written shows.
TEST(RandomiseBits, ColourKeepsBlueAtZeroGreyMakesChannelsEqualAndPaddingIsUntouched) {
    for (const int width : {61, 1}) {
        for (const bool grey : {false, true}) {
            cDIBSection dib;
            ASSERT_TRUE(dib.Create(width, 200));
            std::memset(dib.DIBSectionBitsPtr(), 0xEE,
                        static_cast<std::size_t>(dib.BytesPerScanLine()) * 200);
            dib.RandomiseBits(grey);
            std::set<int> levels[3];
            for (int r = 0; r < 200; ++r) {
                for (int c = 3 * width; c < dib.BytesPerScanLine(); ++c) {
                    ASSERT_EQ(Byte(dib, c, r), 0xEE) << "padding " << c << "," << r;
                }
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t* p = &Byte(dib, 3 * x, r);
                    ASSERT_EQ(p[0], grey ? p[2] : 0) << width << " grey " << grey;
                    if (grey) {
                        ASSERT_EQ(p[1], p[2]);
                    }
                    for (int k = 0; k < 3; ++k) {
                        levels[k].insert(p[k]);
                    }
                }
            }
            // At least 200 draws over 256 levels: a fill that misses most of them is no noise.
            EXPECT_GT(levels[1].size(), 100u);
            EXPECT_GT(levels[2].size(), 100u);
            if (width > 1) {  // over 12000 draws: the ends are reached too
                EXPECT_TRUE(levels[2].count(0) && levels[2].count(255));
            }
        }
    }
    cDIBSection cleared;
    ASSERT_TRUE(cleared.Create(10, 10));
    cleared.ClearUp();
    EXPECT_NO_THROW(cleared.RandomiseBits(true));
}

TEST(CopyToClipboard, ExportsTheBufferUnlessTheClipboardIsHeldOpenOrADibIsAskedFor) {
    std::vector<std::string> messages;
    SetMessageBoxForTesting([&](const std::string& text, const std::string& caption, UINT type) {
        messages.push_back(caption + "|" + text + "|" + std::to_string(type));
        return IDOK;
    });
    QGuiApplication::clipboard()->setText("earlier");
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(100, 50));
    Byte(dib, 2, 0) = 0x12;     // bottom-left red
    Byte(dib, 297, 49) = 0x34;  // top-right blue
    const int live = LiveHandleCount();
    ASSERT_EQ(OpenClipboard(0), TRUE);
    EXPECT_FALSE(dib.CopyToClipboard());  // held open by someone else: quietly refused
    CloseClipboard();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(dib.CopyToClipboard(true));
    EXPECT_EQ(messages, std::vector<std::string>{"Vornal3|I don't know how to put a DIB on the "
                                                 "clipboard! Copy as bitmap instead!!!|0"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier");
    EXPECT_EQ(LiveHandleCount(), live);  // no bitmap is left behind

    ASSERT_TRUE(dib.CopyToClipboard());
    EXPECT_EQ(LiveHandleCount(), live);
    QCoreApplication::processEvents();
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(image.pixel(0, 49) & 0xFFFFFFu, 0x120000u);
    EXPECT_EQ(image.pixel(99, 0) & 0xFFFFFFu, 0x000034u);
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFFu, 0u);
    dib.ClearUp();
    EXPECT_FALSE(dib.CopyToClipboard());  // an empty buffer offers nothing
    EXPECT_EQ(messages.size(), 1u);
    SetMessageBoxForTesting({});
}
