#pragma once
// What the test clipboard owners share: a connection to the display with a window of their
// own to own the clipboard with, and atoms by name.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

inline xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

struct OwnerConnection {
    xcb_connection_t* c = nullptr;  // null where the display does not open
    xcb_window_t window = XCB_NONE;
};

// Connects to the display and makes the owner's window; where the display does not open, says
// so on standard error in the program's name.
inline OwnerConnection ConnectOwner(const char* program) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c) != 0) {
        std::fprintf(stderr, "%s: cannot open the display\n", program);
        return {};
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, 0, window, screens.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    return {c, window};
}
