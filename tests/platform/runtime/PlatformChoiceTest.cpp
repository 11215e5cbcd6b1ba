#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

// In a Wayland session the program runs on X11 where its X display opens, natively otherwise;
// on X11 the display must open or the program says why it cannot start; the user's own choice
// of another platform always wins. Only ":0" opens.
TEST(PlatformChoice, AWaylandSessionRunsOnX11WhereItsXDisplayOpensAndX11NeedsItsDisplay) {
    const char* const none = nullptr;
    const std::string unset =
        "no display to open (DISPLAY is not set); to run it on a virtual "
        "display: xvfb-run -a /opt/vornal3";
    const struct {
        const char *qpa, *wayland, *display;
        std::string platform;
        bool canStart;
        std::string notice;
    } cases[] = {
        {none, "wayland-0", ":0", "xcb", true, ""},
        {"", "wayland-0", ":0", "xcb", true, ""},
        {"wayland", "wayland-0", none, "", true, ""},
        {"offscreen", "wayland-0", none, "", true, ""},
        {"vnc", "wayland-0", none, "", true, ""},
        {none, "wayland-0", "", "", true, ""},
        {none, "wayland-0", none, "", true, ""},
        {none, "wayland-0", ":7", "", true, ""},
        {none, none, ":0", "", true, ""},
        {"xcb", "", ":0", "", true, ""},
        {none, none, none, "", false, unset},
        {"xcb", none, none, "", false, unset},
        {none, "", ":9", "", false, "cannot open the display :9"},
        {"xcb", "", ":9", "", false, "cannot open the display :9"},
        // The user's own X11 choice in a Wayland session still needs its display.
        {"xcb", "wayland-0", ":9", "", false, "cannot open the display :9"},
    };
    for (const auto& c : cases) {
        const auto choice = ChoosePlatform(Environment(c.qpa, c.wayland, c.display));
        EXPECT_EQ(std::tuple(choice.platform, choice.canStart, choice.notice),
                  std::tuple(c.platform, c.canStart, c.notice))
            << (c.qpa ? c.qpa : "-") << " " << (c.wayland ? c.wayland : "-") << " "
            << (c.display ? c.display : "-");
    }
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
