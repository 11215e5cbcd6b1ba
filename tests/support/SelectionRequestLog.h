#pragma once
// The test clipboard owners tell the tests what they were asked for: "asked TARGET" on
// standard output for every request a reader makes.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

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
