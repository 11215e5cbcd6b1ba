#include <gtest/gtest.h>

#include <vector>

#include "platform/forms/CascadePlacement.h"

using platform::CascadePlace;

// The places that new windows of one size take one after another.
TEST(CascadePlacement, StepsDownAndRightUntilTheTopLeftQuarterWouldLeaveTheView) {
    const struct {
        QSize window, visible;
        int step;
        std::vector<QPoint> places;
    } cases[] = {
        // A 100 x 80 window's quarter is 50 x 40: in a 200 x 150 view it stays in view down to
        // a step of 110, so the seventh window (at 120) starts again at the top-left.
        {{100, 80},
         {200, 150},
         20,
         {{0, 0}, {20, 20}, {40, 40}, {60, 60}, {80, 80}, {100, 100}, {0, 0}, {20, 20}}},
        // The lower edge can be the one that ends the run.
        {{40, 150}, {400, 160}, 25, {{0, 0}, {25, 25}, {50, 50}, {75, 75}, {0, 0}}},
        // An odd size's quarter is rounded up: 51 wide needs 26 pixels in view.
        {{51, 10}, {60, 100}, 20, {{0, 0}, {20, 20}, {0, 0}}},
        {{51, 10}, {60, 100}, 14, {{0, 0}, {14, 14}}},
        // A window larger than the view always opens at the top-left, even where its top-left
        // quarter would fit further down.
        {{600, 400}, {500, 450}, 24, {{0, 0}, {0, 0}, {0, 0}}},
        {{300, 400}, {500, 399}, 24, {{0, 0}, {0, 0}}},
    };
    for (const auto& c : cases) {
        std::vector<QPoint> places;
        for (int index = 0; places.size() < c.places.size(); ++index) {
            places.push_back(CascadePlace(index, c.window, c.visible, c.step));
        }
        EXPECT_EQ(places, c.places) << c.window.width() << " x " << c.window.height() << " in "
                                    << c.visible.width() << " x " << c.visible.height();
    }
}
