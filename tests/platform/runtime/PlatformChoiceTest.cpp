#include <gtest/gtest.h>

#include <string>

#include "platform/runtime/PlatformChoice.h"

using platform::ChoosePlatform;
using platform::PlatformEnvironment;

namespace {

// An environment whose X displays open exactly when they are named in `opening`.
PlatformEnvironment Environment(const char* qpa, const char* wayland, const char* display,
                                const std::string& opening = ":0") {
    PlatformEnvironment env;
    env.qtQpaPlatform = qpa;
    env.waylandDisplay = wayland;
    env.display = display;
    env.program = "/opt/vornal3";
    env.xDisplayOpens = [opening](const char* name) { return opening == name; };
    return env;
}

}  // namespace

TEST(PlatformChoice, AWaylandSessionRunsOnX11WhereItsXDisplayOpensAndTheUsersChoiceAlwaysWins) {
    EXPECT_EQ(ChoosePlatform(Environment(nullptr, "wayland-0", ":0")).platform, "xcb");
    EXPECT_EQ(ChoosePlatform(Environment("", "wayland-0", ":0")).platform, "xcb");
    EXPECT_TRUE(ChoosePlatform(Environment(nullptr, "wayland-0", ":0")).notice.empty());
    for (const char* own : {"wayland", "offscreen", "vnc"}) {
        const auto choice = ChoosePlatform(Environment(own, "wayland-0", nullptr));
        EXPECT_TRUE(choice.platform.empty() && choice.notice.empty() && choice.canStart) << own;
    }
    // Without an X display that opens, natively (the clipboard reader says whether that costs
    // anything: it depends on the compositor).
    for (const char* display : {"", static_cast<const char*>(nullptr), ":7"}) {
        const auto native = ChoosePlatform(Environment(nullptr, "wayland-0", display));
        EXPECT_TRUE(native.platform.empty() && native.notice.empty() && native.canStart);
    }
}

TEST(PlatformChoice, OnX11TheDisplayMustOpenOrTheProgramSaysWhyItCannotStart) {
    const auto plain = ChoosePlatform(Environment(nullptr, nullptr, ":0"));
    EXPECT_TRUE(plain.platform.empty() && plain.notice.empty() && plain.canStart);
    EXPECT_TRUE(ChoosePlatform(Environment("xcb", "", ":0")).canStart);

    for (const char* qpa : {static_cast<const char*>(nullptr), "xcb"}) {
        const auto unset = ChoosePlatform(Environment(qpa, nullptr, nullptr));
        EXPECT_FALSE(unset.canStart);
        EXPECT_EQ(unset.notice,
                  "no display to open (DISPLAY is not set); to run it on a virtual "
                  "display: xvfb-run -a /opt/vornal3");
        const auto gone = ChoosePlatform(Environment(qpa, "", ":9"));
        EXPECT_FALSE(gone.canStart);
        EXPECT_EQ(gone.notice, "cannot open the display :9");
    }
    // The user's own X11 choice in a Wayland session still needs its display.
    EXPECT_FALSE(ChoosePlatform(Environment("xcb", "wayland-0", ":9")).canStart);
}

TEST(PlatformChoice, TheToolkitsOwnOptionsOnTheCommandLineAreFound) {
    std::string words[] = {"vornal3", "--platform", "offscreen", "-display", ":5", "-platform"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(),
                    words[3].data(), words[4].data(), words[5].data()};
    const platform::PlatformArguments found = platform::FindPlatformArguments(6, argv);
    ASSERT_NE(found.platform, nullptr);
    EXPECT_STREQ(found.platform, "offscreen");
    ASSERT_NE(found.display, nullptr);
    EXPECT_STREQ(found.display, ":5");
    // An option without its value, and the program's own name, name nothing.
    const platform::PlatformArguments none = platform::FindPlatformArguments(1, argv + 5);
    EXPECT_EQ(none.platform, nullptr);
    EXPECT_EQ(none.display, nullptr);
}
