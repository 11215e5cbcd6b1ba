#include <gtest/gtest.h>

#include <QImageReader>

#include "platform/clipboard/ImageFormats.h"

using platform::Clipboard::FreshMemory;
using platform::Clipboard::ImageFormatsToAsk;

namespace {

std::vector<std::string> Ask(const QStringList& offered, FreshMemory memory = FreshMemory::Cheap) {
    std::vector<std::string> asked;
    for (const QString& format : ImageFormatsToAsk(offered, memory)) {
        asked.push_back(format.toStdString());
    }
    return asked;
}

}  // namespace

TEST(ImageFormatsTest, UncompressedFormatsComeFirstThenPngThenOtherImagesWithLossyOnesLast) {
    // What a toolkit program offers for one picture.
    const QStringList toolkit = {"TARGETS",
                                 "MULTIPLE",
                                 "TIMESTAMP",
                                 "image/png",
                                 "image/jpeg",
                                 "image/bmp",
                                 "image/ppm",
                                 "image/x-portable-graymap",
                                 "image/x-xbitmap",
                                 "image/x-xpixmap",
                                 "image/x-portable-pixmap",
                                 "application/x-qt-image"};
    // The ones that lose colour or detail come last, in the owner's order; the rest are no
    // pictures' bytes.
    EXPECT_EQ(Ask(toolkit),
              (std::vector<std::string>{"image/x-portable-pixmap", "image/ppm", "image/bmp",
                                        "image/png", "image/x-xpixmap", "image/jpeg",
                                        "image/x-portable-graymap", "image/x-xbitmap"}));
}

TEST(ImageFormatsTest, WhereFreshMemoryIsDearPngComesBeforeTheUncompressedFormats) {
    const QStringList offered = {"image/bmp", "image/jpeg", "image/PNG", "image/ppm",
                                 "image/x-xpixmap"};
    const std::vector<std::string> cheap = Ask(offered, FreshMemory::Cheap);
    std::vector<std::string> dear = Ask(offered, FreshMemory::Dear);
    ASSERT_FALSE(dear.empty());
    EXPECT_EQ(dear.front(), "image/PNG");
    // Only PNG moves: every other format keeps its place in the order.
    dear.erase(dear.begin());
    std::vector<std::string> cheapWithoutPng = cheap;
    std::erase(cheapWithoutPng, "image/PNG");
    EXPECT_EQ(dear, cheapWithoutPng);
    EXPECT_EQ(cheap.front(), "image/ppm");
}

TEST(ImageFormatsTest, NamesInAnyCaseOnceEachPngAloneTextAloneAndUnreadableImages) {
    EXPECT_EQ(Ask({"image/PNG", "image/x-MS-bmp", "IMAGE/BMP", "image/bmp", "image/png"}),
              (std::vector<std::string>{"IMAGE/BMP", "image/x-MS-bmp", "image/PNG"}));
    EXPECT_EQ(Ask({"TARGETS", "image/png"}), (std::vector<std::string>{"image/png"}));
    EXPECT_TRUE(Ask({"UTF8_STRING", "text/plain", "STRING"}).empty());
    // The toolkit's in-process picture has no bytes to ask for; unknown images are skipped.
    EXPECT_TRUE(Ask({"application/x-qt-image", "image/x-nothing-reads-this", "image/"}).empty());
    ASSERT_FALSE(QImageReader::imageFormatsForMimeType("image/gif").isEmpty());
    EXPECT_EQ(Ask({"image/gif", "text/plain"}), (std::vector<std::string>{"image/gif"}));
}
