#pragma once
// What the test clipboard owners and the watcher share: a connection to the display with a
// window of their own to own the clipboard with, atoms by name, a selection's changes of owner
// as XFixes reports them, and what readers ask for.

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdint>
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

// Has every change of the selection's owner reported to the window, from the moment this
// returns; gives the type of those events, or 0 where the display has no XFixes.
inline std::uint8_t WatchOwner(xcb_connection_t* c, xcb_window_t window, xcb_atom_t selection) {
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (xfixes == nullptr || xfixes->present == 0) {
        return 0;
    }
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 1, 0), nullptr));
    xcb_xfixes_select_selection_input(c, window, selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Once the server has answered a later request, it has taken the one above.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return static_cast<std::uint8_t>(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
}

// The owner a change reported by WatchOwner left: none once the owner's window or its client
// is gone.
inline xcb_window_t NewOwner(const xcb_generic_event_t& event) {
    const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
    return notify.subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER ? notify.owner
                                                                            : XCB_NONE;
}

// Says "asked TARGET" on standard output for every request a reader makes.
inline void LogSelectionRequest(xcb_connection_t* c, const xcb_selection_request_event_t& request) {
    xcb_get_atom_name_reply_t* name =
        xcb_get_atom_name_reply(c, xcb_get_atom_name(c, request.target), nullptr);
    if (name != nullptr) {
        std::printf("asked %.*s\n", xcb_get_atom_name_name_length(name),
                    xcb_get_atom_name_name(name));
        std::fflush(stdout);
        std::free(name);
    }
}
