#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>

#include "platform/pictures/PictureHeader.h"
#include "support/TestSupport.h"

using platform::kHeaderAllowance;
using platform::PictureHeader;
using platform::ReadPictureHeader;
using testing_support::EncodeImage;
using testing_support::NoiseImage;

TEST(PictureHeaderTest, RealFilesTellTheirSizeAndFitTheirOwnBound) {
    struct Case {
        QImage::Format format;
        const char* writer;
        const char* kind;
    };
    for (const Case& c :
         {Case{QImage::Format_ARGB32, "png", "PNG"}, Case{QImage::Format_RGBA64, "png", "PNG"},
          Case{QImage::Format_Grayscale8, "png", "PNG"}, Case{QImage::Format_RGB32, "bmp", "BMP"},
          Case{QImage::Format_ARGB32, "bmp", "BMP"}, Case{QImage::Format_Mono, "bmp", "BMP"},
          Case{QImage::Format_RGB32, "ppm", "PNM"}, Case{QImage::Format_Grayscale8, "pgm", "PNM"},
          Case{QImage::Format_Mono, "pbm", "PNM"}}) {
        const QByteArray file = EncodeImage(NoiseImage(301, 67, c.format), c.writer, 0);
        const PictureHeader header = ReadPictureHeader(file.constData(), file.size());
        ASSERT_EQ(header.state, PictureHeader::State::Read) << c.writer << " " << c.format;
        EXPECT_STREQ(header.kind, c.kind);
        EXPECT_EQ(header.width, 301);
        EXPECT_EQ(header.height, 67);
        // The pixels themselves must fit the bound without the room left for metadata.
        EXPECT_GE(header.mostBytes - kHeaderAllowance, file.size()) << c.writer << " " << c.format;
        EXPECT_LT(header.mostBytes - kHeaderAllowance, file.size() * 2) << c.writer;
    }
}

TEST(PictureHeaderTest, ShortPrefixesWaitAndForeignOrImpossibleHeadersSaySo) {
    const QByteArray png = EncodeImage(NoiseImage(10, 10, QImage::Format_RGB32), "png", 0);
    const QByteArray ppm =
        QByteArrayLiteral("P6 # made by hand\n# two comments\n 640\t480\r\n255\n");
    for (const QByteArray& file : {png, ppm}) {
        // The PNG's size is known at the end of its image header, before that chunk's checksum.
        const std::size_t whole = file == png ? 29 : static_cast<std::size_t>(ppm.size());
        for (std::size_t size = 0; size < whole; ++size) {
            EXPECT_EQ(ReadPictureHeader(file.constData(), size).state,
                      PictureHeader::State::Incomplete)
                << size;
        }
        EXPECT_EQ(ReadPictureHeader(file.constData(), whole).state, PictureHeader::State::Read);
    }
    const PictureHeader read = ReadPictureHeader(ppm.constData(), ppm.size());
    EXPECT_EQ(read.width, 640);
    EXPECT_EQ(read.height, 480);
    EXPECT_EQ(read.mostBytes, kHeaderAllowance + ppm.size() + std::int64_t{640} * 480 * 3);

    EXPECT_EQ(ReadPictureHeader("GIF89a", 6).state, PictureHeader::State::Unknown);
    EXPECT_EQ(ReadPictureHeader("<html>", 6).state, PictureHeader::State::Unknown);
    QByteArray bmp = EncodeImage(NoiseImage(4, 4, QImage::Format_RGB32), "bmp", 0);
    bmp[10] = 0;  // pixels 4 GB into the file
    bmp[11] = 0;
    bmp[12] = 0;
    bmp[13] = static_cast<char>(0xF0);
    EXPECT_EQ(ReadPictureHeader(bmp.constData(), bmp.size()).state, PictureHeader::State::Damaged);
    const QByteArray letters("P6 640 x 480 255\n");
    EXPECT_EQ(ReadPictureHeader(letters.constData(), letters.size()).state,
              PictureHeader::State::Damaged);
    QByteArray noHeader("P6");
    noHeader.append(5000, ' ');
    EXPECT_EQ(ReadPictureHeader(noHeader.constData(), noHeader.size()).state,
              PictureHeader::State::Damaged);
    // The widest and highest a PNG can claim: the bound saturates instead of overflowing.
    QByteArray widest = png;
    for (int at : {16, 20}) {
        widest[at] = 0x7F;
        widest[at + 1] = widest[at + 2] = widest[at + 3] = static_cast<char>(0xFF);
    }
    widest[24] = 16;  // bits
    widest[25] = 6;   // red, green, blue and alpha
    const PictureHeader widestHeader = ReadPictureHeader(widest.constData(), widest.size());
    ASSERT_EQ(widestHeader.state, PictureHeader::State::Read);
    EXPECT_EQ(widestHeader.mostBytes, INT64_MAX);
}
