#include "platform/runtime/PlatformChoice.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

#include "platform/runtime/Notice.h"

namespace platform {

namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

bool StartsWith(const char* value, std::string_view prefix) {
    return std::string_view(value).substr(0, prefix.size()) == prefix;
}

// The connection that found the display open stays until the toolkit has its own. An X server
// resets itself when its last client leaves (a virtual one does, under xvfb-run), and the reset
// closes, unanswered, any connection that arrived just then; once reset, it takes them again.
xcb_connection_t* probe = nullptr;

// Another program leaving the display as this one starts (a script looking for its windows, a
// desktop's helper) resets it under the first connection; the next try waits out the reset in
// the server's queue and opens. A display that is not there fails every try at once; a name
// that does not parse is not tried again.
constexpr int kConnectTries = 3;

bool XDisplayOpens(const char* name) {
    for (int i = 0; i < kConnectTries; ++i) {
        ReleaseDisplayProbe();
        probe = xcb_connect(name, nullptr);
        const int error = xcb_connection_has_error(probe);
        if (error != XCB_CONN_ERROR) {
            return error == 0;
        }
    }
    return false;
}

}  // namespace

PlatformChoice ChoosePlatform(const PlatformEnvironment& env) {
    if (IsSet(env.qtQpaPlatform) && !StartsWith(env.qtQpaPlatform, "xcb")) {
        return {};  // the user's own: wayland, offscreen, vnc...
    }
    const bool opens = IsSet(env.display) && env.xDisplayOpens && env.xDisplayOpens(env.display);
    if (!IsSet(env.qtQpaPlatform) && IsSet(env.waylandDisplay)) {
        // Natively otherwise; the clipboard reader says what that costs, if anything.
        return {opens ? "xcb" : "", "", true};
    }
    // X11 from here on, chosen by the user or left to Qt.
    if (!IsSet(env.display)) {
        return {"",
                "no display to open (DISPLAY is not set); to run it on a virtual "
                "display: xvfb-run -a " +
                    env.program,
                false};
    }
    if (!opens) {
        return {"", std::string("cannot open the display ") + env.display, false};
    }
    return {};
}

void ReleaseDisplayProbe() {
    if (probe != nullptr) {
        xcb_disconnect(probe);
        probe = nullptr;
    }
}

PlatformArguments FindPlatformArguments(int argc, char** argv) {
    PlatformArguments found;
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view option = argv[i];
        if (option.substr(0, 2) == "--") {
            option.remove_prefix(1);
        }
        if (option == "-platform") {
            found.platform = argv[++i];
        } else if (option == "-display") {
            found.display = argv[++i];
        }
    }
    return found;
}

bool ApplyPlatformChoice(int argc, char** argv) {
    PlatformEnvironment env;
    const PlatformArguments arguments = FindPlatformArguments(argc, argv);
    env.qtQpaPlatform =
        arguments.platform != nullptr ? arguments.platform : std::getenv("QT_QPA_PLATFORM");
    env.waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    env.display = arguments.display != nullptr ? arguments.display : std::getenv("DISPLAY");
    if (argc > 0 && argv[0] != nullptr) {
        env.program = argv[0];
    }
    env.xDisplayOpens = XDisplayOpens;
    const PlatformChoice choice = ChoosePlatform(env);
    if (!choice.platform.empty()) {
        setenv("QT_QPA_PLATFORM", choice.platform.c_str(), 1);
    }
    if (!choice.notice.empty()) {
        Notice(choice.notice);
    }
    return choice.canStart;
}

}  // namespace platform
