#include <gtest/gtest.h>

#include <vector>

#include "platform/forms/CascadePlacement.h"

using platform::CascadePlace;

// The places that new windows of one size take one after another.
std::vector<QPoint> Cascade(int count, QSize window, QSize visible, int step) {
    std::vector<QPoint> places;
    int index = 0;
    for (int i = 0; i < count; ++i) {
        places.push_back(CascadePlace(index, window, visible, step));
        ++index;
    }
    return places;
}

TEST(CascadePlacement, StepsDownAndRightUntilTheTopLeftQuarterWouldLeaveTheView) {
    // A 100 x 80 window's quarter is 50 x 40: in a 200 x 150 view it stays in view down to a
    // step of 110, so the seventh window (at 120) starts again at the top-left.
    EXPECT_EQ(Cascade(8, {100, 80}, {200, 150}, 20),
              (std::vector<QPoint>{
                  {0, 0}, {20, 20}, {40, 40}, {60, 60}, {80, 80}, {100, 100}, {0, 0}, {20, 20}}));
    // The lower edge can be the one that ends the run.
    EXPECT_EQ(Cascade(5, {40, 150}, {400, 160}, 25),
              (std::vector<QPoint>{{0, 0}, {25, 25}, {50, 50}, {75, 75}, {0, 0}}));
    // An odd size's quarter is rounded up: 51 wide needs 26 pixels in view.
    EXPECT_EQ(Cascade(3, {51, 10}, {60, 100}, 20), (std::vector<QPoint>{{0, 0}, {20, 20}, {0, 0}}));
    EXPECT_EQ(Cascade(2, {51, 10}, {60, 100}, 14), (std::vector<QPoint>{{0, 0}, {14, 14}}));
}

TEST(CascadePlacement, AWindowLargerThanTheViewAlwaysOpensAtTheTopLeft) {
    // Even where its top-left quarter would fit further down.
    EXPECT_EQ(Cascade(3, {600, 400}, {500, 450}, 24),
              (std::vector<QPoint>{{0, 0}, {0, 0}, {0, 0}}));
    EXPECT_EQ(Cascade(2, {300, 400}, {500, 399}, 24), (std::vector<QPoint>{{0, 0}, {0, 0}}));
}
