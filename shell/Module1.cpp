#include "shell/Module1.h"

#include <memory>

#include "platform/runtime/Dispatch.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"

namespace Module1 {

namespace {
std::unique_ptr<frmMain> mainFrame;
}

void Main() {
    auto splash = std::make_unique<frmSplash>();
    splash->Show();
    splash->Refresh();
    mainFrame = std::make_unique<frmMain>();
    // A failure while the frame restores its placement is reported; the frame still opens.
    platform::Dispatch("frmMain.MDIForm_Load", [] { mainFrame->Load(); });
    splash.reset();
    mainFrame->Show();
}

frmMain* MainFrame() {
    return mainFrame.get();
}
void Reset() {
    mainFrame.reset();
}

}  // namespace Module1
