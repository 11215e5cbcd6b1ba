// How long a menu takes to open: clicks at a point of the screen (as a user's button would,
// through XTEST), times until a new pop-up window maps, closes it with Escape, and does it
// again, until it is stopped. One line per click on standard output: the time of the click
// (seconds of the monotonic clock) and the milliseconds from the click to the menu, or
// "timeout" after 5 s.
//
//   menu_latency_probe X Y

#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopping = 0;

constexpr std::uint8_t kEscape = 9;  // the X server's keycode for Escape

// Waits for a pop-up window to map (or unmap); false after the time given.
bool WaitForPopup(xcb_connection_t* c, bool mapped, std::chrono::milliseconds within) {
    const auto until = Clock::now() + within;
    while (stopping == 0 && xcb_connection_has_error(c) == 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const std::uint8_t type = event->response_type & 0x7f;
            bool found = false;
            if (mapped && type == XCB_MAP_NOTIFY) {
                found = reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect != 0;
            } else if (!mapped && type == XCB_UNMAP_NOTIFY) {
                found = true;
            }
            std::free(event);
            if (found) {
                return true;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    return false;
}

void Fake(xcb_connection_t* c, std::uint8_t type, std::uint8_t detail, std::int16_t x = 0,
          std::int16_t y = 0, xcb_window_t root = XCB_NONE) {
    xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME, root, x, y, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: menu_latency_probe X Y\n", stderr);
        return 2;
    }
    const auto x = static_cast<std::int16_t>(std::atoi(argv[1]));
    const auto y = static_cast<std::int16_t>(std::atoi(argv[2]));
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGINT, [](int) { stopping = 1; });

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        std::fputs("menu_latency_probe: cannot open the display\n", stderr);
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &events);
    Fake(c, XCB_MOTION_NOTIFY, 0, x, y, root);
    xcb_flush(c);

    while (stopping == 0 && xcb_connection_has_error(c) == 0) {
        Fake(c, XCB_BUTTON_PRESS, 1);
        Fake(c, XCB_BUTTON_RELEASE, 1);
        xcb_flush(c);
        const auto clicked = Clock::now();
        if (WaitForPopup(c, true, std::chrono::seconds(5))) {
            std::printf("%.4f %.2f\n",
                        std::chrono::duration<double>(clicked.time_since_epoch()).count(),
                        std::chrono::duration<double, std::milli>(Clock::now() - clicked).count());
        } else if (stopping == 0) {
            std::printf("%.4f timeout\n",
                        std::chrono::duration<double>(clicked.time_since_epoch()).count());
        }
        std::fflush(stdout);
        Fake(c, XCB_KEY_PRESS, kEscape);
        Fake(c, XCB_KEY_RELEASE, kEscape);
        xcb_flush(c);
        WaitForPopup(c, false, std::chrono::seconds(5));
        // A pause between clicks, as a person's would be.
        poll(nullptr, 0, 40);
    }
    xcb_disconnect(c);
    return 0;
}
