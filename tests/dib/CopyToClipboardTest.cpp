#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "DibTestSupport.h"
#include "dib/cDIBSection.h"
#include "platform/gdi/MessageBoxHook.h"

using namespace platform::gdi;

class CopyToClipboard : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageBoxForTesting(
            [this](const std::string& text, const std::string& caption, UINT type) {
                messages.push_back(caption + "|" + text + "|" + std::to_string(type));
                return IDOK;
            });
        QGuiApplication::clipboard()->setText("earlier");
        QCoreApplication::processEvents();
    }
    void TearDown() override { SetMessageBoxForTesting({}); }

    // A 100 x 50 picture: red rising to the right, green rising upwards, blue 7.
    static void Paint(cDIBSection& dib) {
        for (int r = 0; r < 50; ++r) {
            for (int x = 0; x < 100; ++x) {
                dib_test::Byte(dib, 3 * x, r) = 7;
                dib_test::Byte(dib, 3 * x + 1, r) = static_cast<std::uint8_t>(r * 5);
                dib_test::Byte(dib, 3 * x + 2, r) = static_cast<std::uint8_t>(x * 2);
            }
        }
    }

    std::vector<std::string> messages;
};

TEST_F(CopyToClipboard, PutsTheBuffersPictureThereAsABitmap) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(100, 50));
    Paint(dib);
    const int before = LiveHandleCount();
    ASSERT_TRUE(dib.CopyToClipboard());
    EXPECT_EQ(LiveHandleCount(), before);
    EXPECT_TRUE(messages.empty());
    QCoreApplication::processEvents();
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(100, 50));
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) {
            const int r = 49 - y;  // the image's top row is the buffer's last
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu,
                      static_cast<unsigned>((x * 2) << 16 | (r * 5) << 8 | 7))
                << x << "," << y;
        }
    }
}

TEST_F(CopyToClipboard, FailsQuietlyWhileTheClipboardIsHeldOpen) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(100, 50));
    const int before = LiveHandleCount();
    ASSERT_EQ(OpenClipboard(0), TRUE);
    EXPECT_FALSE(dib.CopyToClipboard());
    CloseClipboard();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(LiveHandleCount(), before);  // the bitmap it made is not left behind
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier");
}

TEST_F(CopyToClipboard, AsDibOnlyExplainsOnce) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(10, 5));
    const int before = LiveHandleCount();
    EXPECT_FALSE(dib.CopyToClipboard(true));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front(),
              "Vornal3|I don't know how to put a DIB on the clipboard! Copy as bitmap "
              "instead!!!|0");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier");
    EXPECT_EQ(LiveHandleCount(), before);
}

TEST_F(CopyToClipboard, AnEmptyBufferOffersNothing) {
    cDIBSection never;
    EXPECT_FALSE(never.CopyToClipboard());
    cDIBSection cleared;
    ASSERT_TRUE(cleared.Create(100, 50));
    cleared.ClearUp();
    EXPECT_FALSE(cleared.CopyToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier");
    EXPECT_TRUE(messages.empty());
}
