// A capture window takes the clipboard's picture as it loads and lays out its viewport.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "document/frmDocument.h"
#include "platform/forms/MdiForm.h"
#include "platform/forms/Twips.h"
#include "support/TestSupport.h"

namespace {

using testing_support::PutPictureOnClipboard;

class LoadLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        frame.Move(0, 0, 30000, 30000);
        frame.Show();
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        platform::SetTwipsPerPixelForTesting(15.0f);
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }

    // A window loaded with a picture of w x h pixels, as intake makes it.
    frmDocument& Open(int w, int h) {
        PutPictureOnClipboard(w, h, static_cast<unsigned>(w * 31 + h));
        return OpenWithClipboardAsItIs();
    }
    frmDocument& OpenWithClipboardAsItIs() {
        auto document = std::make_unique<frmDocument>(frame);
        document->Load();
        document->Show();
        return *document.release();
    }

    static float Twips(int px) { return platform::PixelsToTwipsX(px); }

    platform::MdiForm frame{"frame"};
};

TEST_F(LoadLayout, APictureLargerThanTheViewportGetsTheDifferenceAsItsRange) {
    const testing_support::DesktopColors desktop(0x203040, 0xE0D0C0);
    frmDocument& doc = Open(800, 600);
    EXPECT_EQ(doc.picMove.BackColor(), 0x203040u) << "the desktop's window background";
    EXPECT_EQ(doc.picMove.ForeColor(), 0xE0D0C0u) << "the desktop's window text";
    EXPECT_FALSE(testing_support::ClipboardHoldsAnything()) << "loading empties the clipboard";
    EXPECT_EQ(doc.picMove.Width(), Twips(800));
    EXPECT_EQ(doc.picMove.Height(), Twips(600));
    EXPECT_EQ(doc.picMove.Left(), 0);
    const float viewW = doc.ScaleWidth() - 400;
    EXPECT_NEAR(doc.piccont.Width(), viewW, 15);
    EXPECT_NEAR(doc.piccont.Height(), doc.ScaleHeight() - 600, 15);
    EXPECT_EQ(doc.ScrollRangeX, static_cast<int>(std::lround(Twips(800) - doc.piccont.Width())));
    EXPECT_EQ(doc.ScrollRangeY, static_cast<int>(std::lround(Twips(600) - doc.piccont.Height())));
    EXPECT_EQ(doc.hsb.Max(), doc.ScrollRangeX);
    EXPECT_EQ(doc.vsb.Max(), doc.ScrollRangeY);
    EXPECT_EQ(doc.hsb.LargeChange(), std::lround(doc.ScrollRangeX * 0.1));

    doc.hsb.SetValue(doc.hsb.Max());
    EXPECT_EQ(doc.picMove.Left(), -doc.ScrollRangeX);
    EXPECT_EQ(doc.PanLeft, -doc.ScrollRangeX);
    doc.vsb.SetValue(doc.vsb.Max());
    EXPECT_EQ(doc.picMove.Top(), -doc.ScrollRangeY);
    EXPECT_EQ(doc.PanTop, -doc.ScrollRangeY);
}

TEST_F(LoadLayout, APictureSmallerThanTheViewportStillGetsTheAbsoluteDifference) {
    frmDocument& doc = Open(40, 30);
    EXPECT_EQ(doc.ScrollRangeX, static_cast<int>(doc.piccont.Width() - Twips(40)));
    EXPECT_GT(doc.ScrollRangeX, 0);
    EXPECT_EQ(doc.ScrollRangeY, static_cast<int>(doc.piccont.Height() - Twips(30)));
    doc.hsb.SetValue(doc.hsb.Max());
    EXPECT_EQ(doc.picMove.Left(), -doc.ScrollRangeX);
}

TEST_F(LoadLayout, SmallRangesGiveLargeStepsOfATenthAndNeverBelowOne) {
    // At two twips per pixel the ranges can be any even number of twips.
    platform::SetTwipsPerPixelForTesting(2.0f);
    struct Case {
        int extra;  // picture size beyond the viewport, twips
        int step;
    } cases[] = {{14, 1}, {16, 2}, {4, 1}, {0, 1}, {24, 2}, {36, 4}};
    for (const Case& c : cases) {
        auto probe = std::make_unique<frmDocument>(frame);
        probe->Load();
        const int viewW = static_cast<int>(probe->piccont.Width());
        const int viewH = static_cast<int>(probe->piccont.Height());
        probe.reset();

        frmDocument& doc = Open((viewW + c.extra) / 2, (viewH + c.extra) / 2);
        EXPECT_EQ(doc.ScrollRangeX, c.extra);
        EXPECT_EQ(doc.hsb.Max(), c.extra);
        EXPECT_EQ(doc.hsb.LargeChange(), c.step) << "range " << c.extra;
        EXPECT_EQ(doc.vsb.LargeChange(), c.step) << "range " << c.extra;
        doc.Unload();
    }
}

TEST_F(LoadLayout, ADifferenceBeyond16BitsCannotBePannedThatWay) {
    frmDocument& doc = Open(3000, 100);  // 45000 twips: 36550 more than the viewport
    EXPECT_EQ(doc.ScrollRangeX, 0);
    EXPECT_EQ(doc.hsb.Max(), 0);
    EXPECT_GT(doc.ScrollRangeY, 0);
    doc.picMove_MouseDown(1, 0, 3000, 300);
    doc.picMove_MouseMove(1, 0, 1000, 300);
    EXPECT_EQ(doc.picMove.Left(), 0);
    EXPECT_EQ(doc.PanLeft, 0);
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
