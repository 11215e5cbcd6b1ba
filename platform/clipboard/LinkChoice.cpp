#include "platform/clipboard/LinkChoice.h"

#include <string_view>

namespace platform::Clipboard {

namespace {

bool Set(const char* variable) {
    return variable != nullptr && *variable != '\0';
}

}  // namespace

LinkChoice ChooseLinks(const LinkEnvironment& env) {
    const std::string_view platform = env.platform;
    const bool onX11 = platform == "xcb";
    const bool native = platform.substr(0, 7) == "wayland";
    const bool session = Set(env.waylandDisplay);
    const bool turnedOff = env.dataControl != nullptr && std::string_view(env.dataControl) == "off";
    LinkChoice choice;
    choice.dataControl = (onX11 || native) && session && !turnedOff && env.dataControlOffered &&
                         env.dataControlOffered();
    // A native client reaches X11 programs' pictures through the session's XWayland too.
    choice.x11 = onX11 || (native && choice.dataControl && Set(env.x11Display));
    choice.x11EmptiesThroughBridge = choice.x11 && session && !choice.dataControl;
    choice.toolkit = !choice.dataControl && !choice.x11;
    if (native && !choice.dataControl) {
        choice.notice = std::string("running as a native Wayland client, and ") +
                        (turnedOff ? "data control is turned off (VORNAL3_DATA_CONTROL=off)"
                                   : "the compositor offers no data control") +
                        ": pictures put on the clipboard are noticed only while a Vornal3 window "
                        "has the keyboard focus";
    }
    return choice;
}

}  // namespace platform::Clipboard
