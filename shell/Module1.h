#pragma once
// Start-up: the splash window, then the main frame.

#include <memory>

class frmMain;

namespace Module1 {

// Shows the splash, makes and loads the main frame, and shows it. The frame is handed to the
// caller, which keeps it for as long as the program runs: windows must go while the
// application object still exists, and never by exit handlers, which also run when the
// display has been lost.
std::unique_ptr<frmMain> Main();

}  // namespace Module1
