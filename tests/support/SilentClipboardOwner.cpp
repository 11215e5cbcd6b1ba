// A clipboard owner that never answers: it takes the clipboard, takes it anew every second,
// and lets every request go unanswered. Standard output gets "owner" once it owns the
// clipboard and "asked TARGET" for every request it ignores. Runs until it is stopped.

#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/OwnerConnection.h"
#include "support/SelectionRequestLog.h"

namespace {

using Clock = std::chrono::steady_clock;

void Claim(xcb_connection_t* c, xcb_window_t window, xcb_atom_t clipboard) {
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    xcb_flush(c);
}

}  // namespace

int main() {
    const auto [c, window] = ConnectOwner("silent_clipboard_owner");
    if (c == nullptr) {
        return 1;
    }
    const xcb_atom_t clipboard = Intern(c, "CLIPBOARD");
    Claim(c, window, clipboard);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    if (owner == nullptr || owner->owner != window) {
        std::fputs("silent_clipboard_owner: could not take the clipboard\n", stderr);
        return 1;
    }
    std::free(owner);
    std::puts("owner");
    std::fflush(stdout);

    auto next = Clock::now() + std::chrono::seconds(1);
    while (xcb_connection_has_error(c) == 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                LogSelectionRequest(c, *reinterpret_cast<xcb_selection_request_event_t*>(event));
            }
            std::free(event);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
        if (left <= 0) {
            Claim(c, window, clipboard);
            next += std::chrono::seconds(1);
            continue;
        }
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
    return 0;
}
