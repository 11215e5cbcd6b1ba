#pragma once
// A fixed dialog border for windows the system leaves bare. A window manager draws a dialog's
// border around it; on an X server without one (a bare virtual display, a kiosk) a window
// shows no edge at all, so the window draws its own, just inside its client area.

class QWidget;

namespace platform {

// Whether a window manager runs that frames the program's windows. Wayland compositors and
// the toolkit's own decorations always frame a window; on X11 it takes a manager that
// announces itself on the root window, as every current one does.
bool WindowManagerFramesWindows();

// Gives the window a raised two-pixel dialog edge above its controls, unless a window manager
// frames it already. Call once its controls exist; controls added later stay below the edge.
void EnsureDialogBorder(QWidget* window);

}  // namespace platform
