#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/pictures/Picture.h"

using platform::Picture;

TEST(Picture, HandlesAreUniqueWhileAliveAndPixelsAreKept) {
    EXPECT_EQ(Picture().Handle(), 0u);
    std::set<std::uint32_t> handles;
    std::vector<Picture> alive;
    for (int i = 0; i < 50; ++i) {
        alive.push_back(Picture::Filled(2, 2, 0x102030));
        ASSERT_NE(alive.back().Handle(), 0u);
        handles.insert(alive.back().Handle());
    }
    EXPECT_EQ(handles.size(), 50u);
    const Picture copy = alive.front();
    EXPECT_EQ(copy.Handle(), alive.front().Handle());

    const std::uint32_t pixels[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    const Picture p = Picture::FromRgb32(2, 2, pixels, 8);
    EXPECT_EQ(p.PixelAt(1, 0), 0x00FF00u);
    EXPECT_EQ(p.PixelAt(1, 1), 0x123456u);
    EXPECT_THROW(p.PixelAt(2, 0), std::exception);
    EXPECT_TRUE(Picture::FromRgb32(0, 5, pixels, 8).IsEmpty());
}
