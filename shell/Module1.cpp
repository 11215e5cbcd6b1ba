#include "shell/Module1.h"

#include "platform/runtime/Dispatch.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"

namespace Module1 {

std::unique_ptr<frmMain> Main() {
    auto splash = std::make_unique<frmSplash>();
    splash->Show();
    splash->Refresh();
    auto mainFrame = std::make_unique<frmMain>();
    // A failure while the frame restores its placement is reported; the frame still opens.
    platform::Dispatch("frmMain.MDIForm_Load", [&] { mainFrame->Load(); });
    splash.reset();
    mainFrame->Show();
    return mainFrame;
}

}  // namespace Module1
