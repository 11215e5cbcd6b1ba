#pragma once
// Which links the intake reads the clipboard through, side by side. In a Wayland session whose
// compositor offers data control, that link shows every Wayland program's picture without the
// focus; the X11 link beside it, on the compositor's XWayland, shows X11 programs' pictures,
// which the compositor passes to Wayland only while an X11 window has the focus. On X11 alone,
// the X11 link. The toolkit's clipboard where neither can run (other platforms, and tests,
// which run offscreen).

#include <functional>
#include <string>

namespace platform::Clipboard {

struct LinkEnvironment {
    std::string platform;                  // the toolkit's platform: "xcb", "wayland", ...
    const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY, null when not set
    const char* x11Display = nullptr;      // DISPLAY, null when not set
    const char* dataControl = nullptr;     // VORNAL3_DATA_CONTROL: "off" turns data control off
    // Connects to the compositor and says whether it offers data control; asked only where
    // data control would be used.
    std::function<bool()> dataControlOffered;
};

struct LinkChoice {
    bool dataControl = false;
    bool x11 = false;
    // The X11 link empties the Wayland clipboard too, through the compositor's bridge: in a
    // Wayland session that offers no data control.
    bool x11EmptiesThroughBridge = false;
    bool toolkit = false;
    std::string notice;  // a line for standard error, or empty
};

LinkChoice ChooseLinks(const LinkEnvironment& environment);

}  // namespace platform::Clipboard
