#include "platform/runtime/PlatformChoice.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

PlatformChoice ChoosePlatform(const char* qtQpaPlatform, const char* waylandDisplay,
                              const char* display) {
    if (IsSet(qtQpaPlatform) || !IsSet(waylandDisplay)) {
        return {};
    }
    if (IsSet(display)) {
        return {"xcb", ""};
    }
    return {"",
            "vornal3: running as a native Wayland client with no X display (XWayland): pictures "
            "put on the clipboard are noticed only while a Vornal3 window has the keyboard focus"};
}

void ApplyPlatformChoice() {
    const PlatformChoice choice = ChoosePlatform(
        std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    if (!choice.platform.empty()) {
        setenv("QT_QPA_PLATFORM", choice.platform.c_str(), 1);
    }
    if (!choice.notice.empty()) {
        std::fprintf(stderr, "%s\n", choice.notice.c_str());
    }
}

}  // namespace platform
