#pragma once
// Start-up: the splash window, then the main frame.

class frmMain;

namespace Module1 {

void Main();
// The one main frame, once start-up has made it.
frmMain* MainFrame();
// Drops the frame (tests only; the program itself ends with the frame).
void Reset();

}  // namespace Module1
