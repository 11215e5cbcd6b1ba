#include <gtest/gtest.h>

#include <string>
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

namespace {

struct Probe {
    bool offered = true;
    int asked = 0;
};

LinkEnvironment Environment(const char* platform, const char* wayland, const char* switched,
                            Probe& probe, const char* x11 = nullptr) {
    LinkEnvironment env;
    env.platform = platform;
    env.x11Display = x11;
    env.waylandDisplay = wayland;
    env.dataControl = switched;
    env.dataControlOffered = [&probe] {
        ++probe.asked;
        return probe.offered;
    };
    return env;
}

}  // namespace

TEST(LinkChoiceTest, InAWaylandSessionDataControlAndX11RunSideBySideWhereTheyCan) {
    Probe probe;
    auto choice = ChooseLinks(Environment("xcb", "wayland-1", nullptr, probe));
    EXPECT_TRUE(choice.dataControl && choice.x11 && !choice.toolkit);
    EXPECT_FALSE(choice.x11EmptiesThroughBridge);
    EXPECT_EQ(choice.notice, "");
    // Natively, X11 programs' pictures come through the session's XWayland where it runs.
    choice = ChooseLinks(Environment("wayland", "wayland-1", nullptr, probe, ":1"));
    EXPECT_TRUE(choice.dataControl && choice.x11);
    choice = ChooseLinks(Environment("wayland-egl", "wayland-1", nullptr, probe));
    EXPECT_TRUE(choice.dataControl && !choice.x11 && !choice.toolkit);
    EXPECT_EQ(probe.asked, 3);

    // No data control: X11 empties the Wayland side too; natively the focus it needs is said.
    Probe none{false};
    choice = ChooseLinks(Environment("xcb", "wayland-1", nullptr, none));
    EXPECT_TRUE(!choice.dataControl && choice.x11 && choice.x11EmptiesThroughBridge);
    EXPECT_EQ(choice.notice, "");
    choice = ChooseLinks(Environment("wayland", "wayland-1", nullptr, none, ":1"));
    EXPECT_TRUE(choice.toolkit && !choice.x11);
    EXPECT_NE(choice.notice.find("offers no data control"), std::string::npos);
    EXPECT_NE(choice.notice.find("only while a Vornal3 window has the keyboard focus"),
              std::string::npos);
}

TEST(LinkChoiceTest, TheSwitchOutsideASessionAndOtherPlatformsAskNoCompositor) {
    Probe probe;
    // Turned off by the user: not even asked.
    auto choice = ChooseLinks(Environment("xcb", "wayland-1", "off", probe));
    EXPECT_TRUE(choice.x11 && !choice.dataControl);
    choice = ChooseLinks(Environment("wayland", "wayland-1", "off", probe));
    EXPECT_TRUE(choice.toolkit);
    EXPECT_NE(choice.notice.find("VORNAL3_DATA_CONTROL=off"), std::string::npos);
    // A plain X11 session.
    for (const char* wayland : {static_cast<const char*>(nullptr), ""}) {
        choice = ChooseLinks(Environment("xcb", wayland, nullptr, probe));
        EXPECT_TRUE(choice.x11 && !choice.x11EmptiesThroughBridge && !choice.toolkit);
    }
    // The tests' offscreen platform and the like read the toolkit's clipboard, session or not.
    for (const char* platform : {"offscreen", "vnc", "minimal"}) {
        choice = ChooseLinks(Environment(platform, "wayland-1", nullptr, probe, ":1"));
        EXPECT_TRUE(choice.toolkit && !choice.x11 && !choice.dataControl);
        EXPECT_EQ(choice.notice, "");
    }
    EXPECT_EQ(probe.asked, 0);
    // Any other value leaves it on.
    EXPECT_TRUE(ChooseLinks(Environment("xcb", "wayland-1", "on", probe)).dataControl);
}
