#pragma once
// The program's own icon, drawn once from its picture in the sources at every size a window
// manager, a task bar or a child window's title bar asks for.

namespace platform {

// Makes the icon every window's, the frame's, the capture windows' and the dialogs' alike.
// Call once the application object exists.
void UseProgramIcon();

}  // namespace platform
