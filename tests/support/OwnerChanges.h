#pragma once
// Changes of a selection's owner as XFixes reports them, for the test programs that react to
// them or count them.

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdint>
#include <cstdlib>

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
