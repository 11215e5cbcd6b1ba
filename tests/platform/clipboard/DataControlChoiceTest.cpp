#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/clipboard/DataControlChoice.h"
#include "platform/clipboard/LinkChoice.h"

using platform::Clipboard::AdvertisedGlobal;
using platform::Clipboard::ChooseDataControl;
using platform::Clipboard::ChooseLinks;
using platform::Clipboard::DataControlBinding;
using platform::Clipboard::LinkEnvironment;
using Protocol = DataControlBinding::Protocol;

TEST(DataControlChoiceTest, TheCommonProtocolIsPreferredAndBoundAtAVersionItKnowsWithASeat) {
    const AdvertisedGlobal seat{7, "wl_seat", 8};
    const AdvertisedGlobal wlr{12, "zwlr_data_control_manager_v1", 2};
    const AdvertisedGlobal ext{13, "ext_data_control_manager_v1", 1};

    // Whichever is advertised first.
    for (const auto& globals : {std::vector{seat, wlr, ext}, std::vector{ext, seat, wlr}}) {
        const DataControlBinding binding = ChooseDataControl(globals);
        EXPECT_EQ(binding.protocol, Protocol::Ext);
        EXPECT_EQ(binding.name, 13u);
        EXPECT_EQ(binding.version, 1u);
        EXPECT_EQ(binding.seat, 7u);
        EXPECT_EQ(binding.seatVersion, 1u);
    }
    // Newer versions than the program knows are bound at the ones it knows; the wlroots
    // protocol's version 1 has all that is read and is taken as it is.
    struct Case {
        AdvertisedGlobal manager;
        Protocol protocol;
        std::uint32_t version;
    };
    for (const Case& c : {Case{{12, "zwlr_data_control_manager_v1", 1}, Protocol::Wlr, 1},
                          Case{{12, "zwlr_data_control_manager_v1", 2}, Protocol::Wlr, 2},
                          Case{{12, "zwlr_data_control_manager_v1", 5}, Protocol::Wlr, 2},
                          Case{{13, "ext_data_control_manager_v1", 3}, Protocol::Ext, 1}}) {
        const DataControlBinding binding = ChooseDataControl({c.manager, seat});
        EXPECT_EQ(binding.protocol, c.protocol) << c.manager.interface;
        EXPECT_EQ(binding.name, c.manager.name);
        EXPECT_EQ(binding.version, c.version) << c.manager.version;
    }
    // The first of several seats.
    EXPECT_EQ(ChooseDataControl({wlr, {9, "wl_seat", 1}, seat}).seat, 9u);

    // No manager or no seat is no data control.
    EXPECT_EQ(ChooseDataControl({}).protocol, Protocol::None);
    // What GNOME's compositor offers instead: the focus-bound clipboard.
    EXPECT_EQ(ChooseDataControl({seat,
                                 {3, "wl_data_device_manager", 3},
                                 {4, "zwp_primary_selection_device_manager_v1", 1}})
                  .protocol,
              Protocol::None);
    EXPECT_EQ(ChooseDataControl({{12, "zwlr_data_control_manager_v1", 2}}).protocol,
              Protocol::None);
    // A version 0 is no version at all.
    EXPECT_EQ(ChooseDataControl({seat, {12, "zwlr_data_control_manager_v1", 0}}).protocol,
              Protocol::None);
}

// In a Wayland session data control and X11 run side by side where they can; without data
// control X11 empties the Wayland side too, and a native client says the focus it needs. The
// user's switch, a plain X11 session and the tests' offscreen platform and the like ask the
// compositor nothing.
TEST(LinkChoiceTest, InAWaylandSessionDataControlAndX11RunSideBySideWhereTheyCan) {
    const char* const none = nullptr;
    const std::string focus =
        ": pictures put on the clipboard are noticed only while a Vornal3 "
        "window has the keyboard focus";
    const struct {
        const char *platform, *wayland, *switched;
        bool offered;
        const char* x11Display;
        bool dataControl, x11, bridge, toolkit, asked;
        std::string notice;
    } cases[] = {
        {"xcb", "wayland-1", none, true, none, true, true, false, false, true, ""},
        // Natively, X11 programs' pictures come through the session's XWayland where it runs.
        {"wayland", "wayland-1", none, true, ":1", true, true, false, false, true, ""},
        {"wayland-egl", "wayland-1", none, true, none, true, false, false, false, true, ""},
        {"xcb", "wayland-1", none, false, none, false, true, true, false, true, ""},
        {"wayland", "wayland-1", none, false, ":1", false, false, false, true, true,
         "running as a native Wayland client, and the compositor offers no data control" + focus},
        {"xcb", "wayland-1", "off", true, none, false, true, true, false, false, ""},
        {"wayland", "wayland-1", "off", true, none, false, false, false, true, false,
         "running as a native Wayland client, and data control is turned off "
         "(VORNAL3_DATA_CONTROL=off)" +
             focus},
        {"xcb", "wayland-1", "on", true, none, true, true, false, false, true, ""},
        {"xcb", none, none, true, none, false, true, false, false, false, ""},
        {"xcb", "", none, true, none, false, true, false, false, false, ""},
        {"offscreen", "wayland-1", none, true, ":1", false, false, false, true, false, ""},
        {"vnc", "wayland-1", none, true, ":1", false, false, false, true, false, ""},
        {"minimal", "wayland-1", none, true, ":1", false, false, false, true, false, ""},
    };
    for (const auto& c : cases) {
        LinkEnvironment env;
        env.platform = c.platform;
        env.x11Display = c.x11Display;
        env.waylandDisplay = c.wayland;
        env.dataControl = c.switched;
        bool asked = false;
        env.dataControlOffered = [&] {
            asked = true;
            return c.offered;
        };
        const auto choice = ChooseLinks(env);
        EXPECT_EQ(std::tuple(choice.dataControl, choice.x11, choice.x11EmptiesThroughBridge,
                             choice.toolkit, asked, choice.notice),
                  std::tuple(c.dataControl, c.x11, c.bridge, c.toolkit, c.asked, c.notice))
            << c.platform << " " << (c.wayland ? c.wayland : "-") << " "
            << (c.switched ? c.switched : "-") << " offered " << c.offered;
    }
}
