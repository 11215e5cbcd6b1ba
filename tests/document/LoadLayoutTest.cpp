// A capture window takes the clipboard's picture as it loads and lays out its viewport.

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>

#include "document/CaptureWindowTest.h"
#include "platform/forms/Twips.h"

namespace {

class LoadLayout : public capture_test::CaptureWindows {
  protected:
    void SetUp() override {
        frame.Move(0, 0, 30000, 30000);
        CaptureWindows::SetUp();
    }
    void TearDown() override {
        platform::SetTwipsPerPixelForTesting(15.0f);
        CaptureWindows::TearDown();
    }

    static float Twips(int px) { return platform::PixelsToTwipsX(px); }
};

// Larger than the viewport, smaller, and wider by more than 16 bits of twips can say.
TEST_F(LoadLayout, ThePictureSizesItsBoxAndEachRangeIsTheAbsoluteDifferenceWithin16Bits) {
    const testing_support::DesktopColors desktop(0x203040, 0xE0D0C0);
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{40, 30}, std::pair{3000, 100}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        frmDocument& doc = Open(w, h);
        EXPECT_EQ(doc.picMove.BackColor(), 0x203040u) << "the desktop's window background";
        EXPECT_EQ(doc.picMove.ForeColor(), 0xE0D0C0u) << "the desktop's window text";
        EXPECT_FALSE(testing_support::ClipboardHoldsAnything()) << "loading empties the clipboard";
        EXPECT_EQ(std::tuple(doc.picMove.Left(), doc.picMove.Width(), doc.picMove.Height()),
                  std::tuple(0.0f, Twips(w), Twips(h)));
        EXPECT_NEAR(doc.piccont.Width(), doc.ScaleWidth() - 400, 15);
        EXPECT_NEAR(doc.piccont.Height(), doc.ScaleHeight() - 600, 15);
        const auto range = [](float difference) {
            const long r = std::lround(std::fabs(difference));
            return r > 32767 ? 0 : static_cast<int>(r);  // such a range cannot be set
        };
        EXPECT_EQ(doc.ScrollRangeX, range(Twips(w) - doc.piccont.Width()));
        EXPECT_EQ(doc.ScrollRangeY, range(Twips(h) - doc.piccont.Height()));
        EXPECT_EQ(doc.hsb.Max(), doc.ScrollRangeX);
        EXPECT_EQ(doc.vsb.Max(), doc.ScrollRangeY);
        EXPECT_EQ(doc.vsb.LargeChange(), std::max(1L, std::lround(doc.ScrollRangeY * 0.1)));

        doc.hsb.SetValue(doc.hsb.Max());
        doc.vsb.SetValue(doc.vsb.Max());
        EXPECT_EQ(
            std::tuple(doc.picMove.Left(), doc.picMove.Top(), doc.PanLeft, doc.PanTop),
            std::tuple(-doc.ScrollRangeX, -doc.ScrollRangeY, -doc.ScrollRangeX, -doc.ScrollRangeY));
    }
    // Nor can the picture be dragged along a direction without a range.
    frmDocument& wide = Open(3000, 100);
    ASSERT_EQ(wide.ScrollRangeX, 0);
    wide.picMove_MouseDown(1, 0, 3000, 300);
    wide.picMove_MouseMove(1, 0, 1000, 300);
    EXPECT_EQ(wide.picMove.Left(), 0);
    EXPECT_EQ(wide.PanLeft, 0);
}

TEST_F(LoadLayout, SmallRangesGiveLargeStepsOfATenthAndNeverBelowOne) {
    // At two twips per pixel the ranges can be any even number of twips.
    platform::SetTwipsPerPixelForTesting(2.0f);
    struct Case {
        int extra;  // picture size beyond the viewport, twips
        int step;
    } cases[] = {{14, 1}, {16, 2}, {4, 1}, {0, 1}, {24, 2}, {36, 4}};
    for (const Case& c : cases) {
        frmDocument& probe = Open(0, 0);
        const int viewW = static_cast<int>(probe.piccont.Width());
        const int viewH = static_cast<int>(probe.piccont.Height());
        probe.Unload();

        frmDocument& doc = Open((viewW + c.extra) / 2, (viewH + c.extra) / 2);
        EXPECT_EQ(doc.ScrollRangeX, c.extra);
        EXPECT_EQ(doc.hsb.Max(), c.extra);
        EXPECT_EQ(doc.hsb.LargeChange(), c.step) << "range " << c.extra;
        EXPECT_EQ(doc.vsb.LargeChange(), c.step) << "range " << c.extra;
        doc.Unload();
    }
}

TEST_F(LoadLayout, ResizingRelaysTheViewportButKeepsTheRangesEvenWhenTooSmall) {
    frmDocument& doc = Open(900, 700);
    const auto rangeX = doc.ScrollRangeX;
    const auto maxY = doc.vsb.Max();
    doc.Move(0, 0, doc.Width() + 1500, doc.Height() + 750);
    EXPECT_NEAR(doc.piccont.Width(), doc.ScaleWidth() - 400, 15);
    EXPECT_NEAR(doc.piccont.Height(), doc.ScaleHeight() - 600, 15);
    // Positions land on whole pixels: within half a pixel of the twips asked for.
    EXPECT_NEAR(doc.vsb.Left(), doc.Width() - doc.vsb.Width() - 150, 7.5);
    EXPECT_EQ(doc.vsb.Top(), doc.piccont.Top());
    EXPECT_EQ(doc.vsb.Height(), doc.piccont.Height());
    EXPECT_EQ(doc.hsb.Left(), doc.piccont.Left());
    EXPECT_NEAR(doc.hsb.Top(), doc.Height() - 800, 7.5);
    EXPECT_EQ(doc.hsb.Width(), doc.piccont.Width());
    EXPECT_EQ(doc.ScrollRangeX, rangeX);
    EXPECT_EQ(doc.vsb.Max(), maxY);

    // Too low for the viewport: its move fails and is skipped, the scroll bars still move.
    const float viewportHeight = doc.piccont.Height();
    doc.Move(0, 0, 6000, 600);
    ASSERT_LT(doc.ScaleHeight(), 600);
    EXPECT_EQ(doc.piccont.Height(), viewportHeight);
    EXPECT_NEAR(doc.hsb.Top(), doc.Height() - 800, 7.5);
    EXPECT_EQ(doc.ScrollRangeX, rangeX);
}

TEST_F(LoadLayout, AWindowLoadedWithoutAPictureKeepsItsDesignState) {
    testing_support::PutTextOnClipboard("no picture here");
    frmDocument& doc = OpenWithClipboardAsItIs();
    EXPECT_TRUE(doc.picMove.GetPicture().IsEmpty());
    EXPECT_EQ(doc.picMove.Width(), 1215);
    EXPECT_EQ(doc.picMove.Height(), 495);
    EXPECT_FALSE(doc.picMove.AutoSize());
    EXPECT_EQ(doc.Label3.Caption(), "Label3");
    EXPECT_EQ(doc.Label4.Caption(), "Label3");
    EXPECT_EQ(doc.hsb.Max(), 32767);
    EXPECT_EQ(doc.vsb.LargeChange(), 1);
    EXPECT_EQ(testing_support::ClipboardText(), "no picture here");
}

}  // namespace
