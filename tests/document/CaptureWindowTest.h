#pragma once
// Capture windows for the editing tests: each test gets a frame of its own and opens capture
// windows in it the way the intake does, from a picture on the clipboard.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdint>
#include <string>
#include <vector>

#include "document/frmDocument.h"
#include "platform/Clipboard.h"
#include "platform/MdiForm.h"
#include "platform/Picture.h"
#include "support/TestSupport.h"

namespace capture_test {

constexpr float kTwipsPerPixel = 15.0f;  // pinned by the test main

// Up to 256 x 256 pixels every pixel has a colour of its own, so a crop or a save that is off
// by one pixel in either direction shows.
inline std::uint32_t PatternPixel(int x, int y) {
    const auto r = static_cast<std::uint32_t>((x * 7) & 0xFF);
    const auto g = static_cast<std::uint32_t>((y * 13) & 0xFF);
    const auto b = static_cast<std::uint32_t>((x + 3 * y + 64) & 0xFF);
    return (r << 16) | (g << 8) | b;
}

inline platform::Picture Pattern(int width, int height) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * width + x] = PatternPixel(x, y);
        }
    }
    return platform::Picture::FromRgb32(width, height, pixels.data(), width * 4);
}

// Whether `actual` shows the part of `source` that starts at pixel (left, top), with `fill`
// wherever that part lies outside the source.
inline ::testing::AssertionResult ShowsPart(const platform::Picture& actual,
                                            const platform::Picture& source, int left, int top,
                                            int width, int height, std::uint32_t fill = 0) {
    if (actual.PixelWidth() != width || actual.PixelHeight() != height) {
        return ::testing::AssertionFailure()
               << "size " << actual.PixelWidth() << " x " << actual.PixelHeight() << ", expected "
               << width << " x " << height;
    }
    int wrong = 0;
    std::string first;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int sx = left + x;
            const int sy = top + y;
            const bool inside =
                sx >= 0 && sy >= 0 && sx < source.PixelWidth() && sy < source.PixelHeight();
            const std::uint32_t expected = inside ? source.PixelAt(sx, sy) : fill;
            if (actual.PixelAt(x, y) != expected && wrong++ == 0) {
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    if (wrong != 0) {
        return ::testing::AssertionFailure() << wrong << " pixels differ, the first at " << first;
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SamePixels(const platform::Picture& actual,
                                             const platform::Picture& expected) {
    return ShowsPart(actual, expected, 0, 0, expected.PixelWidth(), expected.PixelHeight());
}

class CaptureWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        frame.Show();
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        // Tests that expect a failure take it themselves.
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }

    // A shown capture window that loaded `picture` from the clipboard; the frame owns it.
    frmDocument& Open(const platform::Picture& picture) {
        platform::Clipboard::SetData(picture);
        QCoreApplication::processEvents();
        return LoadAndShow();
    }

    // A capture window that found no picture on the clipboard.
    frmDocument& OpenWithoutPicture() {
        platform::Clipboard::Clear();
        QCoreApplication::processEvents();
        return LoadAndShow();
    }

    platform::MdiForm frame{"frame"};

  private:
    frmDocument& LoadAndShow() {
        auto* document = new frmDocument(frame);
        document->Load();
        document->Show();
        return *document;
    }
};

}  // namespace capture_test
