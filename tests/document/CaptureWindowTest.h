#pragma once
// Capture windows for the editing tests: each test gets a frame of its own and opens capture
// windows in it the way the intake does, from a picture on the clipboard.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <cstdint>
#include <vector>

#include "document/frmDocument.h"
#include "platform/clipboard/Clipboard.h"
#include "platform/forms/MdiForm.h"
#include "platform/forms/PictureBox.h"
#include "platform/pictures/Picture.h"
#include "support/TestSupport.h"

namespace capture_test {

using platform::Picture;
using platform::PictureBox;

// Whether `actual` is the width x height part of `source` from pixel (left, top), with `fill`
// wherever that part lies outside the source.
inline ::testing::AssertionResult ShowsPart(const Picture& actual, const Picture& source, int left,
                                            int top, int width, int height,
                                            std::uint32_t fill = 0) {
    if (actual.PixelWidth() != width || actual.PixelHeight() != height) {
        return ::testing::AssertionFailure()
               << "size " << actual.PixelWidth() << " x " << actual.PixelHeight();
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int sx = left + x;
            const int sy = top + y;
            const bool inside =
                sx >= 0 && sy >= 0 && sx < source.PixelWidth() && sy < source.PixelHeight();
            if (actual.PixelAt(x, y) != (inside ? source.PixelAt(sx, sy) : fill)) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The image as any reader of it sees it; none for an image that could not be read.
inline Picture FromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return Picture::FromRgb32(rgb.width(), rgb.height(),
                              reinterpret_cast<const std::uint32_t*>(rgb.constBits()),
                              static_cast<int>(rgb.bytesPerLine()));
}

inline ::testing::AssertionResult SamePixels(const Picture& actual, const Picture& expected) {
    return ShowsPart(actual, expected, 0, 0, expected.PixelWidth(), expected.PixelHeight());
}

// A right-button drag in the box's own coordinates, released where it ends.
inline void Crop(frmDocument& doc, float x1, float y1, float x2, float y2) {
    doc.picMove.MouseDown(PictureBox::RightButton, 0, x1, y1);
    doc.picMove.MouseMove(PictureBox::RightButton, 0, x2, y2);
    doc.picMove.MouseUp(PictureBox::RightButton, 0, x2, y2);
}

class CaptureWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        frame.Show();
        testing_support::TakeReportedFailures();
    }
    // Tests that expect a failure take it themselves.
    void TearDown() override { EXPECT_TRUE(testing_support::TakeReportedFailures().empty()); }

    // A shown capture window that loaded a picture of that size (none if 0 x 0) from the
    // clipboard; the window is the frame's.
    frmDocument& Open(int width, int height) {
        PutSource(width, height);
        return OpenWithClipboardAsItIs();
    }
    frmDocument& OpenWithClipboardAsItIs() {
        auto* document = new frmDocument(frame);
        document->Load();
        document->Show();
        return *document;
    }
    // Puts a picture of that size on the clipboard, every pixel a colour of its own, and keeps
    // it in `source`; 0 x 0 empties the clipboard.
    void PutSource(int width, int height) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                pixels.push_back(testing_support::PatternPixel(x, y, 1));
            }
        }
        source = Picture::FromRgb32(width, height, pixels.data(), width * 4);
        if (source.IsEmpty()) {
            platform::Clipboard::Clear();
        } else {
            platform::Clipboard::SetData(source);
        }
        QCoreApplication::processEvents();
    }

    platform::MdiForm frame{"frame"};
    Picture source;
};

}  // namespace capture_test
