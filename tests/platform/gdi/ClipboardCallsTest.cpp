#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "GdiTestSupport.h"

using namespace platform::gdi;

class GdiClipboard : public ::testing::Test {
  protected:
    void SetUp() override {
        QGuiApplication::clipboard()->setText("earlier");
        QCoreApplication::processEvents();
    }
};

TEST_F(GdiClipboard, CallsFailUnlessOpenAndOpeningTwiceFails) {
    EXPECT_EQ(EmptyClipboard(), FALSE);
    EXPECT_EQ(CloseClipboard(), FALSE);
    const HDC screen = GetDC(GetDesktopWindow());
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 2);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0u);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier");
    ASSERT_EQ(OpenClipboard(0), TRUE);
    EXPECT_EQ(OpenClipboard(0), FALSE);
    EXPECT_EQ(SetClipboardData(1, bitmap), 0u);  // only CF_BITMAP is offered
    EXPECT_EQ(CloseClipboard(), TRUE);
    DeleteObject(bitmap);
    ReleaseDC(GetDesktopWindow(), screen);
}

TEST_F(GdiClipboard, SetClipboardDataPutsThePictureThereAndTakesTheBitmap) {
    const HDC screen = GetDC(GetDesktopWindow());
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    gdi_test::Section source(3, 2);
    source.SetPixel(2, 1, 0x336699);
    BitBlt(memory, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY);
    const int live = LiveHandleCount();
    ASSERT_EQ(OpenClipboard(0), TRUE);
    // Still selected: in use, so refused.
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0u);
    SelectObject(memory, old);
    EXPECT_EQ(EmptyClipboard(), TRUE);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EXPECT_EQ(CloseClipboard(), TRUE);
    EXPECT_EQ(LiveHandleCount(), live - 1);
    EXPECT_EQ(DeleteObject(bitmap), FALSE);
    QCoreApplication::processEvents();
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(2, 1) & 0xFFFFFFu, 0x336699u);
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFFu, 0u);
    DeleteDC(memory);
    ReleaseDC(GetDesktopWindow(), screen);
}
