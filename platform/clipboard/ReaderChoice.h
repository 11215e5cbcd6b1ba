#pragma once
// Which reader takes the clipboard's pictures. In a Wayland session whose compositor offers
// data control, that is the one way in, whether the windows run on XWayland or natively: it
// needs no focus, and a picture that the compositor's XWayland bridge shows on both sides is
// seen once. Elsewhere the X11 reader on X11, the toolkit's clipboard on other platforms (and
// in tests, which run offscreen).

#include <functional>
#include <string>

namespace platform::Clipboard {

enum class ReaderKind { DataControl, X11, Toolkit };

struct ReaderEnvironment {
    std::string platform;                  // the toolkit's platform: "xcb", "wayland", ...
    const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY, null when not set
    const char* dataControl = nullptr;     // VORNAL3_DATA_CONTROL: "off" turns data control off
    // Connects to the compositor and says whether it offers data control; asked only where
    // data control would be used.
    std::function<bool()> dataControlOffered;
};

struct ReaderChoice {
    ReaderKind kind = ReaderKind::Toolkit;
    std::string notice;  // a line for standard error, or empty
};

ReaderChoice ChooseReader(const ReaderEnvironment& environment);

}  // namespace platform::Clipboard
