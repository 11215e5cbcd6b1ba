#include "platform/clipboard/ReaderChoice.h"

#include <string_view>

namespace platform::Clipboard {

ReaderChoice ChooseReader(const ReaderEnvironment& env) {
    const std::string_view platform = env.platform;
    const bool x11 = platform == "xcb";
    const bool wayland = platform.substr(0, 7) == "wayland";
    const bool session = env.waylandDisplay != nullptr && *env.waylandDisplay != '\0';
    const bool turnedOff = env.dataControl != nullptr && std::string_view(env.dataControl) == "off";
    if ((x11 || wayland) && session && !turnedOff && env.dataControlOffered &&
        env.dataControlOffered()) {
        return {ReaderKind::DataControl, ""};
    }
    if (x11) {
        return {ReaderKind::X11, ""};
    }
    if (wayland) {
        return {ReaderKind::Toolkit,
                std::string("vornal3: running as a native Wayland client, and ") +
                    (turnedOff ? "data control is turned off (VORNAL3_DATA_CONTROL=off)"
                               : "the compositor offers no data control") +
                    ": pictures put on the clipboard are noticed only while a Vornal3 window "
                    "has the keyboard focus"};
    }
    return {ReaderKind::Toolkit, ""};
}

}  // namespace platform::Clipboard
