#include <gtest/gtest.h>

#include <QImage>
#include <thread>

#include "platform/pictures/Picture.h"
#include "platform/pictures/PictureDecoder.h"
#include "platform/pictures/PictureHeader.h"
#include "platform/runtime/ToolkitMessages.h"
#include "support/TestSupport.h"

using platform::DecodePicture;
using platform::kHeaderAllowance;
using platform::Picture;
using platform::PictureHeader;
using platform::ReadPictureHeader;
using testing_support::EncodeImage;
using testing_support::NoiseImage;

namespace {

// Every pixel differs from its neighbours, and some are see-through to varying degrees.
QImage Pattern(QImage::Format format) {
    QImage image(97, 61, format);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const auto v = static_cast<unsigned>(x * 2654435761u ^ y * 40503u);
            const int alpha = (x + y) % 5 == 0 ? static_cast<int>(v >> 24) : 255;
            image.setPixelColor(x, y, QColor(v & 255, (v >> 8) & 255, (v >> 16) & 255, alpha));
        }
    }
    return image;
}

std::vector<std::uint32_t> Pixels(const Picture& picture) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < picture.PixelHeight(); ++y) {
        for (int x = 0; x < picture.PixelWidth(); ++x) {
            pixels.push_back(picture.PixelAt(x, y));
        }
    }
    return pixels;
}

void PutBigEndian(QByteArray& bytes, int at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
    }
}

std::uint32_t Crc32(const char* data, int size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (int i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// A PNG whose header claims the given size, with the pixel data of one pixel behind it.
QByteArray PngClaiming(std::uint32_t width, std::uint32_t height) {
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray png = EncodeImage(tiny, "png");
    // Signature (8), the header's length (4) and name (4), width, height, 5 more bytes and
    // the checksum of name and contents.
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc32(png.constData() + 12, 17));
    return png;
}

}  // namespace

TEST(PictureDecoderTest, EveryLosslessFormatGivesTheSamePixels) {
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        const QImage source = Pattern(format);
        const auto png = DecodePicture(EncodeImage(source, "png"), "image/png");
        ASSERT_FALSE(png.picture.IsEmpty()) << png.failure.toStdString();
        EXPECT_EQ(png.picture.PixelWidth(), 97);
        EXPECT_EQ(png.picture.PixelHeight(), 61);
        for (const auto& [mime, writer] :
             {std::pair{"image/bmp", "bmp"}, std::pair{"image/x-bmp", "bmp"},
              std::pair{"image/ppm", "ppm"}, std::pair{"image/x-portable-pixmap", "ppm"}}) {
            const auto other = DecodePicture(EncodeImage(source, writer), mime);
            ASSERT_FALSE(other.picture.IsEmpty()) << mime << ": " << other.failure.toStdString();
            EXPECT_EQ(Pixels(other.picture), Pixels(png.picture)) << mime << " format " << format;
        }
    }
}

TEST(PictureDecoderTest, SizesBeyondWhatMayOrCanBeHeldAreRefusedWithTheirReason) {
    // Larger than 32767 x 32767 in all: refused before anything is allocated.
    const auto huge = DecodePicture(PngClaiming(40000, 40000), "image/png");
    EXPECT_TRUE(huge.picture.IsEmpty());
    EXPECT_TRUE(huge.failure.contains("40000 x 40000")) << huge.failure.toStdString();
    EXPECT_TRUE(huge.failure.contains("32767")) << huge.failure.toStdString();
    // Long and thin is fine as long as the pixels would fit: this one only lacks its data.
    const auto thin = DecodePicture(PngClaiming(60000, 2), "image/png");
    EXPECT_FALSE(thin.failure.contains("32767")) << thin.failure.toStdString();

    // More than the memory left: 4 MB of pixels, as many again to work on them in a window,
    // and 16 MB for the rest.
    QImage picture(1000, 1000, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    const QByteArray bmp = EncodeImage(picture, "bmp");
    for (const int megabytes : {2, 23}) {
        const auto starved = DecodePicture(bmp, "image/bmp", std::int64_t{megabytes} << 20);
        EXPECT_TRUE(starved.picture.IsEmpty()) << megabytes;
        EXPECT_TRUE(starved.failure.contains(QStringLiteral("only %1 MB").arg(megabytes)))
            << starved.failure.toStdString();
    }
    EXPECT_FALSE(DecodePicture(bmp, "image/bmp", std::int64_t{24} << 20).picture.IsEmpty());
}

TEST(PictureDecoderTest, DamagedBytesGiveNoPictureAndSayWhyInOneLineOfTheirOwn) {
    const QByteArray png = EncodeImage(Pattern(QImage::Format_RGB32), "png");
    const long before = platform::DecodeAttempts();
    testing::internal::CaptureStderr();
    for (const QByteArray& bad :
         {QByteArray("not a picture at all"), png.left(png.size() / 2), QByteArray()}) {
        const auto decoded = DecodePicture(bad, "image/png");
        EXPECT_TRUE(decoded.picture.IsEmpty());
        EXPECT_TRUE(decoded.failure.startsWith("image/png") && !decoded.failure.contains('\n'))
            << decoded.failure.toStdString();
        // A damaged PNG: libpng's own words join the reason, instead of standard error.
        EXPECT_EQ(decoded.failure.contains("libpng error"), bad.startsWith("\x89PNG"))
            << decoded.failure.toStdString();
    }
    EXPECT_EQ(platform::DecodeAttempts() - before, 3);
    // A JPEG whose header is damaged: its reader tells no format it can name.
    EXPECT_TRUE(DecodePicture(QByteArray::fromBase64("/9jY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY"
                                                     "2NjY2NjY2NjY2NjY2NjY2P8AUFNHDQoaCgBj"),
                              "image/jpeg")
                    .picture.IsEmpty());
    {
        // What another thread says meanwhile is its own line, not part of this thread's reason.
        const platform::GatheredWarnings gathered;
        std::thread([] { qWarning("decoder test: another thread's line"); }).join();
        EXPECT_EQ(gathered.Joined(), "");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vornal3: decoder test: another thread's line\n");
}

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
