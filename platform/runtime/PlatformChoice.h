#pragma once
// Which windowing platform the program runs on, and whether it can start at all. In a Wayland
// session the program runs on X11, through XWayland, wherever it can: there it places its own
// windows, and where the compositor offers no data control (GNOME's), an X11 client is the one
// that notices pictures while another program has the focus. A display that cannot be opened
// is said in one line, instead of the toolkit's abort.

#include <functional>
#include <string>

namespace platform {

struct PlatformChoice {
    std::string platform;  // the platform to ask for, or empty to leave the choice to Qt
    std::string notice;    // a line for standard error (without the program's name), or empty
    bool canStart = true;  // false: the notice says why the program cannot start
};

struct PlatformEnvironment {
    const char* qtQpaPlatform = nullptr;  // each null or empty when not set
    const char* waylandDisplay = nullptr;
    const char* display = nullptr;
    std::string program = "vornal3";  // how the program was started, for the hint
    std::function<bool(const char* display)> xDisplayOpens;
};

// The user's own QT_QPA_PLATFORM always wins. In a Wayland session (WAYLAND_DISPLAY) with an X
// display that opens, the choice is "xcb"; without one the program runs natively. Elsewhere the
// X display must open.
PlatformChoice ChoosePlatform(const PlatformEnvironment& environment);

// Makes the choice for this process's environment, before the application object exists;
// says the notice on standard error. Returns whether the program can start. The connection
// that tried the X display is kept until ReleaseDisplayProbe, to be called once the
// application object has its own.
bool ApplyPlatformChoice(int argc, char** argv);

// The platform and the X display the command line names with the toolkit's own options
// (-platform NAME, -display NAME, with one dash or two), each null when it names none; they
// win over the environment, as they do for the toolkit.
struct PlatformArguments {
    const char* platform = nullptr;
    const char* display = nullptr;
};
PlatformArguments FindPlatformArguments(int argc, char** argv);
void ReleaseDisplayProbe();

}  // namespace platform
