// Watches a selection change hands, so that the tests can count the changes that programs on
// the clipboard cause, or wait for a clipboard manager to take its role.
//
//   clipboard_watcher [SELECTION]
//
// SELECTION is CLIPBOARD unless named. Standard output gets "watching" once every later change
// is seen, then "owner 0xWINDOW" for the owner at that moment and again for each change (0x0
// while nobody owns the selection). Runs until it is stopped.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

#include "support/OwnerConnection.h"

int main(int argc, char** argv) {
    const auto [c, window] = ConnectOwner("clipboard_watcher");
    if (c == nullptr) {
        return 1;
    }
    const xcb_atom_t selection = Intern(c, argc > 1 ? argv[1] : "CLIPBOARD");
    const std::uint8_t ownerChanged = WatchOwner(c, window, selection);
    if (ownerChanged == 0) {
        std::fputs("clipboard_watcher: the display has no XFixes\n", stderr);
        return 1;
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    std::printf("watching\nowner 0x%x\n", owner != nullptr ? owner->owner : xcb_window_t{XCB_NONE});
    std::fflush(stdout);
    std::free(owner);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        if ((event->response_type & 0x7f) == ownerChanged) {
            std::printf("owner 0x%x\n", NewOwner(*event));
            std::fflush(stdout);
        }
        std::free(event);
    }
    return 0;
}
