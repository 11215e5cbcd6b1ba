#pragma once
// Which windowing platform the program runs on. A native Wayland client sees the clipboard
// only while one of its windows has the keyboard focus, so a collector that must notice every
// picture while another program is in front runs on X11, through XWayland, wherever it can.

#include <string>

namespace platform {

struct PlatformChoice {
    std::string platform;  // the platform to ask for, or empty to leave the choice to Qt
    std::string notice;    // a line for standard error, or empty
};

// The choice for an environment with these variables (null or empty when not set): the
// user's own QT_QPA_PLATFORM always wins; in a Wayland session (WAYLAND_DISPLAY) with an X
// display (DISPLAY) it is "xcb"; without one the program runs natively and says what that costs.
PlatformChoice ChoosePlatform(const char* qtQpaPlatform, const char* waylandDisplay,
                              const char* display);

// Makes the choice for this process's environment; call before the application object exists.
void ApplyPlatformChoice();

}  // namespace platform
