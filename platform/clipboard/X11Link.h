#pragma once
// The X11 clipboard as a link of the intake (X11Link.cpp tells how it is read).

#include <memory>

#include "platform/clipboard/ClipboardLink.h"

namespace platform::Clipboard {

// What the link does with the bridge of a Wayland compositor whose XWayland the display is.
enum class X11Bridge {
    None,  // no Wayland session
    // Data control reads the Wayland side: the bridge's copies of it are left to that link.
    LeaveToWayland,
    // The Wayland side is read through the bridge alone. The bridge does not follow X11's
    // emptying its copy, but the end of an X11 program's claim: the link empties the clipboard
    // by claiming it for a moment and giving it up.
    EmptyThrough,
};

// The link when a connection of its own to the X11 display can be had; null otherwise.
std::unique_ptr<ClipboardLink> OpenX11Link(X11Bridge bridge);

}  // namespace platform::Clipboard
