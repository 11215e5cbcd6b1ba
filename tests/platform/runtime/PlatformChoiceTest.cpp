#include <gtest/gtest.h>

#include "platform/runtime/PlatformChoice.h"

using platform::ChoosePlatform;

TEST(PlatformChoice, AWaylandSessionWithAnXDisplayRunsOnX11AndTheUsersOwnChoiceAlwaysWins) {
    EXPECT_EQ(ChoosePlatform(nullptr, "wayland-0", ":0").platform, "xcb");
    EXPECT_EQ(ChoosePlatform("", "wayland-0", ":1").platform, "xcb");
    EXPECT_TRUE(ChoosePlatform(nullptr, "wayland-0", ":0").notice.empty());
    for (const char* own : {"wayland", "xcb", "offscreen"}) {
        EXPECT_TRUE(ChoosePlatform(own, "wayland-0", ":0").platform.empty()) << own;
        EXPECT_TRUE(ChoosePlatform(own, "wayland-0", nullptr).notice.empty()) << own;
    }
}

TEST(PlatformChoice, OutsideWaylandQtChoosesAndNativeWaylandSaysWhatItCosts) {
    for (const char* display : {":0", "", static_cast<const char*>(nullptr)}) {
        const auto choice = ChoosePlatform(nullptr, "", display);
        EXPECT_TRUE(choice.platform.empty() && choice.notice.empty());
        EXPECT_TRUE(ChoosePlatform(nullptr, nullptr, display).platform.empty());
    }
    const auto native = ChoosePlatform(nullptr, "wayland-0", "");
    EXPECT_TRUE(native.platform.empty());
    EXPECT_NE(native.notice.find("only while a Vornal3 window has the keyboard focus"),
              std::string::npos);
    EXPECT_EQ(ChoosePlatform(nullptr, "wayland-0", nullptr).notice, native.notice);
}
