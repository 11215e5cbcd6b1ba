// New capture windows open on the cascade, in view and active, however the frame is sized or
// scrolled.

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <algorithm>
#include <vector>

#include "document/frmDocument.h"
#include "platform/forms/Twips.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace {

class NewWindowPlacement : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::ClearSettings();
        frame.Timer1.SetEnabled(false);
        frame.Load();  // the default placement: a frame smaller than a capture window
        frame.Show();
        testing_support::Settle();
    }
    void TearDown() override { EXPECT_TRUE(testing_support::TakeReportedFailures().empty()); }

    // Takes a picture off the clipboard as the timer does; returns the new window.
    platform::Form& Capture() {
        testing_support::PutPictureOnClipboard(30, 20, ++seed);
        frame.Timer1.Tick();
        testing_support::Settle();
        return *frame.ChildForms().back();
    }
    // The window's top-left in pixels of the visible client area.
    QPoint At(const platform::Form& window) const {
        return {platform::TwipsToPixelsX(window.Left()), platform::TwipsToPixelsY(window.Top())};
    }
    QSize Visible() const { return frame.MdiArea()->viewport()->size(); }
    // Whether the window's top-left quarter is inside the visible client area.
    bool QuarterInView(const platform::Form& window) const {
        const QPoint at = At(window);
        const QSize size(platform::TwipsToPixelsX(window.Width()),
                         platform::TwipsToPixelsY(window.Height()));
        return at.x() >= 0 && at.y() >= 0 && at.x() + (size.width() + 1) / 2 <= Visible().width() &&
               at.y() + (size.height() + 1) / 2 <= Visible().height();
    }

    frmMain frame;
    unsigned seed = 0;
};

TEST_F(NewWindowPlacement, EachOpensActiveOneTitleBarFurtherUntilItWouldLeaveTheView) {
    frame.SetWidth(11000);  // room for a capture window and a few steps
    frame.SetHeight(9000);
    testing_support::Settle();
    std::vector<platform::Form*> opened;
    std::vector<QPoint> places;
    int step = 0;
    bool restarted = false;
    for (int n = 1; n <= 40 && !restarted; ++n) {
        platform::Form& window = Capture();
        opened.push_back(&window);
        places.push_back(At(window));
        EXPECT_EQ(frame.ActiveChildCaption(), window.Caption()) << "window " << n;
        EXPECT_TRUE(QuarterInView(window)) << "window " << n;
        if (n == 1) {
            EXPECT_EQ(places.back(), QPoint(0, 0));
            continue;
        }
        if (n == 2) {
            step = places[1].x();
            ASSERT_GT(step, 10) << "a title bar's height";
        }
        const QPoint next = places[n - 2] + QPoint(step, step);
        if (places.back() == QPoint(0, 0) && n > 2) {
            restarted = true;
            // Only because the next step would have put the top-left quarter out of view.
            const QSize size(platform::TwipsToPixelsX(window.Width()),
                             platform::TwipsToPixelsY(window.Height()));
            EXPECT_TRUE(next.x() + (size.width() + 1) / 2 > Visible().width() ||
                        next.y() + (size.height() + 1) / 2 > Visible().height());
        } else {
            EXPECT_EQ(places.back(), next) << "window " << n;
        }
    }
    EXPECT_TRUE(restarted);
    EXPECT_GT(opened.size(), 3u);

    // Closing windows moves none of the others, and the cascade goes on from the newest.
    const QPoint kept = At(*opened[1]);
    opened[0]->Unload();
    opened[2]->Unload();
    testing_support::Settle();
    EXPECT_EQ(At(*opened[1]), kept);
    EXPECT_EQ(At(Capture()), QPoint(step, step));
}

TEST_F(NewWindowPlacement, InASmallOrScrolledFrameANewWindowOpensAtTheVisibleTopLeft) {
    // The default frame is smaller than a capture window: every new one opens at the top-left.
    ASSERT_LT(Visible().width(), platform::TwipsToPixelsX(8850));
    EXPECT_EQ(At(Capture()), QPoint(0, 0));
    EXPECT_EQ(At(Capture()), QPoint(0, 0));
    // Scrolled away from the origin, the next one still opens where the user looks.
    QMdiArea* area = frame.MdiArea();
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    testing_support::Settle();
    ASSERT_GT(area->horizontalScrollBar()->value(), 0);
    platform::Form& window = Capture();
    EXPECT_EQ(At(window), QPoint(0, 0));
    EXPECT_EQ(frame.ActiveChildCaption(), window.Caption());
}

}  // namespace
