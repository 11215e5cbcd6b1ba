#pragma once
// Starting the program: the application object, the start-up procedure, the event loop.

#include <functional>

namespace platform {

// Runs the start-up procedure and then the event loop until the program ends. Where there is
// no display to open, says so in one line and returns non-zero instead of aborting.
// Makes the face the windows were laid out for the default of every window.
void UseDesignFont();

int RunApplication(int argc, char** argv, const std::function<void()>& startUp);

}  // namespace platform
