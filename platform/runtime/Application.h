#pragma once
// Starting the program: the application object, the start-up procedure, the event loop.

#include <functional>
#include <memory>
#include <string>

namespace platform {

// What the desktop needs from the program, handed over by the program itself: these services
// know no window.
struct DesktopIntegration {
    // The name of the program's desktop entry, without ".desktop". The desktop pairs the
    // program's windows with the entry (its name, icon and launcher) by it.
    std::string desktopId;
    // Gives every window the program's icon; called once the application object exists.
    std::function<void()> useIcon;
    // Brings the program's main window to the front; called when the program is started again
    // on the same display.
    std::function<void()> bringToFront;
};

// Makes the face the windows were laid out for the default of every window.
void UseDesignFont();

// First answers --help and --version, and a command line it does not know (with status 2),
// without any display; a start on a display where the program already runs brings that one to
// the front and ends with status 0.
// Runs the start-up procedure and then the event loop until the program ends, and returns the
// exit status. Start-up returns what the run keeps, its windows: they are destroyed when the
// event loop has returned, before the application object, and never by exit handlers (Qt ends
// the process through them when the display is lost, and windows cannot outlive it). A
// failure that leaves start-up is reported and ends the program with status 1, as there is no
// window to go on with. Where there is no display to open, or it does not open, says so in one
// line and returns non-zero instead of aborting.
int RunApplication(int argc, char** argv, const DesktopIntegration& desktop,
                   const std::function<std::shared_ptr<void>()>& startUp);

}  // namespace platform
