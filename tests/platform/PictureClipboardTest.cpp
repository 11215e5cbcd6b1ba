#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <set>

#include "platform/Clipboard.h"
#include "platform/Picture.h"

using platform::Picture;
namespace Clipboard = platform::Clipboard;

TEST(Picture, HandlesAreUniqueWhileAliveAndPixelsAreKept) {
    EXPECT_EQ(Picture().Handle(), 0u);
    std::set<std::uint32_t> handles;
    std::vector<Picture> alive;
    for (int i = 0; i < 50; ++i) {
        alive.push_back(Picture::Filled(2, 2, 0x102030));
        ASSERT_NE(alive.back().Handle(), 0u);
        handles.insert(alive.back().Handle());
    }
    EXPECT_EQ(handles.size(), 50u);
    const Picture copy = alive.front();
    EXPECT_EQ(copy.Handle(), alive.front().Handle());

    const std::uint32_t pixels[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    const Picture p = Picture::FromRgb32(2, 2, pixels, 8);
    EXPECT_EQ(p.PixelAt(1, 0), 0x00FF00u);
    EXPECT_EQ(p.PixelAt(1, 1), 0x123456u);
    EXPECT_THROW(p.PixelAt(2, 0), std::exception);
    EXPECT_TRUE(Picture::FromRgb32(0, 5, pixels, 8).IsEmpty());
}

class ClipboardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        Settle();
    }
    static void Settle() { QCoreApplication::processEvents(); }
};

TEST_F(ClipboardTest, PictureIsDecodedOncePerChange) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    Settle();
    const long before = Clipboard::DecodeCount();
    const Picture first = Clipboard::GetData();
    const Picture second = Clipboard::GetData();
    ASSERT_FALSE(first.IsEmpty());
    EXPECT_EQ(first.Handle(), second.Handle());
    EXPECT_EQ(first.PixelWidth(), 3);
    EXPECT_EQ(first.PixelAt(0, 0), 0xFF0000u);
    EXPECT_EQ(Clipboard::DecodeCount() - before, 1);
}

TEST_F(ClipboardTest, TextIsNoPictureAndIsLeftAlone) {
    QGuiApplication::clipboard()->setText("hello");
    Settle();
    EXPECT_TRUE(Clipboard::GetData().IsEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "hello");
}

TEST_F(ClipboardTest, GarbageImageBytesAreNoPictureAndAreNotDecodedAgain) {
    auto* data = new QMimeData;
    data->setData("image/png", QByteArray("definitely not a png"));
    QGuiApplication::clipboard()->setMimeData(data);
    Settle();
    EXPECT_TRUE(Clipboard::GetData().IsEmpty());
    const long after = Clipboard::DecodeCount();
    EXPECT_TRUE(Clipboard::GetData().IsEmpty());
    EXPECT_EQ(Clipboard::DecodeCount(), after);
}

TEST_F(ClipboardTest, ClearEmptiesAndTheSamePictureIsNotTakenAgain) {
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    Settle();
    ASSERT_FALSE(Clipboard::GetData().IsEmpty());
    Clipboard::Clear();
    EXPECT_TRUE(Clipboard::GetData().IsEmpty());
    Settle();
    EXPECT_TRUE(Clipboard::GetData().IsEmpty());
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(now == nullptr || now->formats().isEmpty());
}
