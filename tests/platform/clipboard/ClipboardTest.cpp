#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <algorithm>

#include "platform/clipboard/Clipboard.h"
#include "platform/pictures/Picture.h"
#include "support/TestSupport.h"

using platform::Picture;
using testing_support::EncodeImage;
namespace Clipboard = platform::Clipboard;

namespace {}  // namespace

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

TEST_F(ClipboardTest, AFormatThatDoesNotDecodeFallsBackToTheNextOnceWithinTheChange) {
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(QColor(0x12, 0x34, 0x56));
    auto* data = new QMimeData;
    data->setData("image/png", EncodeImage(image, "png"));
    data->setData("image/bmp", EncodeImage(image, "bmp").left(54));  // its headers, no pixels
    data->setData("text/plain", QByteArray("kept"));
    QGuiApplication::clipboard()->setMimeData(data);
    Settle();
    const long before = Clipboard::DecodeCount();
    testing::internal::CaptureStderr();
    const Picture picture = Clipboard::GetData();
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(picture.PixelAt(4, 2), 0x123456u);
    EXPECT_EQ(Clipboard::DecodeCount() - before, 2);  // the BMP first, then the PNG
    EXPECT_EQ(Clipboard::GetData().Handle(), picture.Handle());
    EXPECT_EQ(Clipboard::DecodeCount() - before, 2);
    EXPECT_EQ(said, "") << "a picture that was taken is nothing to report";
}

TEST_F(ClipboardTest, APictureLeftOnTheClipboardIsReportedInOneLineOncePerChangeAndBurst) {
    // Two changes with their own reasons, then the second again at once (an owner offering
    // the same bad picture anew): one line each for the first two, none for the third.
    for (int change = 0; change < 3; ++change) {
        auto* data = new QMimeData;
        data->setData("image/png", QByteArray("no png"));
        if (change == 0) {
            data->setData("image/x-portable-pixmap", QByteArray("P6 no pixmap either"));
        }
        QGuiApplication::clipboard()->setMimeData(data);
        Settle();
        testing::internal::CaptureStderr();
        for (int tick = 0; tick < 5; ++tick) {
            EXPECT_TRUE(Clipboard::GetData().IsEmpty());
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), change < 2 ? 1 : 0) << said;
        if (change < 2) {
            EXPECT_NE(said.find("left there"), std::string::npos) << said;
            EXPECT_NE(said.find("image/png"), std::string::npos) << said;
            EXPECT_EQ(said.find("image/x-portable-pixmap") != std::string::npos, change == 0)
                << said;
        }
    }
}

TEST_F(ClipboardTest, ThePictureJustTakenOfferedAgainIsEmptiedWithoutBeingTakenAgain) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(QColor(1, 2, 3));
    const auto offer = [](const QImage& picture) {
        auto* data = new QMimeData;
        data->setData("image/png", EncodeImage(picture, "png"));
        QGuiApplication::clipboard()->setMimeData(data);
        Settle();
    };
    offer(image);
    ASSERT_FALSE(Clipboard::GetData().IsEmpty());
    Clipboard::Clear();
    Settle();

    testing::internal::CaptureStderr();
    for (int again = 0; again < 3; ++again) {
        offer(image);
        EXPECT_TRUE(Clipboard::GetData().IsEmpty()) << again;
        const QMimeData* now = QGuiApplication::clipboard()->mimeData();
        EXPECT_TRUE(now == nullptr || now->formats().isEmpty()) << "emptied as usual";
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("offered again"), std::string::npos) << said;

    image.setPixelColor(5, 3, QColor(9, 9, 9));
    offer(image);
    EXPECT_FALSE(Clipboard::GetData().IsEmpty()) << "a new picture is taken as always";
}
