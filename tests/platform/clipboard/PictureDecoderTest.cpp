#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "platform/clipboard/PictureDecoder.h"
#include "platform/pictures/Picture.h"

using platform::Picture;
using platform::Clipboard::DecodePicture;

namespace {

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, format).write(image)) << format;
    return bytes;
}

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

}  // namespace

TEST(PictureDecoderTest, EveryLosslessFormatGivesTheSamePixels) {
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        const QImage source = Pattern(format);
        const auto png = DecodePicture(Encode(source, "png"), "image/png");
        ASSERT_FALSE(png.picture.IsEmpty()) << png.failure.toStdString();
        EXPECT_EQ(png.picture.PixelWidth(), 97);
        EXPECT_EQ(png.picture.PixelHeight(), 61);
        for (const auto& [mime, writer] :
             {std::pair{"image/bmp", "bmp"}, std::pair{"image/x-bmp", "bmp"},
              std::pair{"image/ppm", "ppm"}, std::pair{"image/x-portable-pixmap", "ppm"}}) {
            const auto other = DecodePicture(Encode(source, writer), mime);
            ASSERT_FALSE(other.picture.IsEmpty()) << mime << ": " << other.failure.toStdString();
            EXPECT_EQ(Pixels(other.picture), Pixels(png.picture)) << mime << " format " << format;
        }
    }
}

TEST(PictureDecoderTest, DamagedBytesGiveNoPictureAndSayWhy) {
    const QByteArray png = Encode(Pattern(QImage::Format_RGB32), "png");
    const long before = platform::Clipboard::DecodeAttempts();
    for (const QByteArray& bad :
         {QByteArray("not a picture at all"), png.left(png.size() / 2), QByteArray()}) {
        const auto decoded = DecodePicture(bad, "image/png");
        EXPECT_TRUE(decoded.picture.IsEmpty());
        EXPECT_TRUE(decoded.failure.startsWith("image/png")) << decoded.failure.toStdString();
    }
    EXPECT_EQ(platform::Clipboard::DecodeAttempts() - before, 3);
}
