#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "platform/clipboard/Clipboard.h"
#include "platform/pictures/Picture.h"
#include "support/TestSupport.h"

using platform::Picture;
namespace Clipboard = platform::Clipboard;

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
